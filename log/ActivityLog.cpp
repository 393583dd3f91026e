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
  // A few pixels for the item's own margin.
  const long width = WidestText({line}) + 2 * ::GetSystemMetrics(SM_CXEDGE);
  if (width <= m_widest) return;
  m_widest = width;
  SendMessage(LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(m_widest));
}
