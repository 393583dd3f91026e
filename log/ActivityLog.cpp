#include "log/ActivityLog.h"

#include <time.h>

#include "log/LogLine.h"

void CActivityLog::AddLog(const std::string& message) {
  const __time64_t now = _time64(nullptr);
  struct tm local = {};
  const bool converted = _localtime64_s(&local, &now) == 0;
  const std::string line = FormatLogLine(converted ? &local : nullptr, message);
  // The list box sorts: the new line lands where its time stamp puts it. It is not scrolled to.
  AddString(line);
  FitHorizontalExtent(line);
}

void CActivityLog::Clear() {
  ResetContent();
  m_widest = 0;
  SendMessage(LB_SETHORIZONTALEXTENT, 0);
}

void CActivityLog::FitHorizontalExtent(const std::string& line) {
  HDC dc = ::GetDC(m_hWnd);
  if (!dc) return;
  HGDIOBJ oldFont = ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessage(WM_GETFONT)));
  SIZE size = {};
  const BOOL measured = ::GetTextExtentPoint32A(dc, line.c_str(), static_cast<int>(line.size()), &size);
  ::SelectObject(dc, oldFont);
  ::ReleaseDC(m_hWnd, dc);
  // A few pixels for the item's own margin.
  const long width = size.cx + 2 * ::GetSystemMetrics(SM_CXEDGE);
  if (!measured || width <= m_widest) return;
  m_widest = width;
  SendMessage(LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(m_widest));
}
