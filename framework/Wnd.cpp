#include "framework/Wnd.h"

#include <algorithm>

#include "system/UniqueHandle.h"

std::string CWnd::GetWindowText() const {
  const int length = ::GetWindowTextLengthA(m_hWnd);
  if (length <= 0) return std::string();
  std::vector<char> buffer(static_cast<size_t>(length) + 1, '\0');
  const int copied = ::GetWindowTextA(m_hWnd, buffer.data(), length + 1);
  return std::string(buffer.data(), copied > 0 ? static_cast<size_t>(copied) : 0);
}

BOOL CWnd::ModifyStyleEx(DWORD remove, DWORD add) const {
  const LONG_PTR style = GetWindowLongPtrA(m_hWnd, GWL_EXSTYLE);
  const LONG_PTR changed = (style & ~static_cast<LONG_PTR>(remove)) | static_cast<LONG_PTR>(add);
  if (changed == style) return FALSE;
  SetWindowLongPtrA(m_hWnd, GWL_EXSTYLE, changed);
  return TRUE;
}

int CListBox::VisibleLines() const {
  RECT client = {};
  ::GetClientRect(m_hWnd, &client);
  const LRESULT lineHeight = SendMessage(LB_GETITEMHEIGHT);
  return lineHeight > 0 ? std::max(1, static_cast<int>((client.bottom - client.top) / lineHeight)) : 1;
}

std::string CComboBox::GetLBText(int index) const {
  const LRESULT length = SendMessage(CB_GETLBTEXTLEN, static_cast<WPARAM>(index));
  if (length == CB_ERR || length < 0) return std::string();
  std::vector<char> buffer(static_cast<size_t>(length) + 1, '\0');
  const LRESULT copied = SendMessage(CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buffer.data()));
  return std::string(buffer.data(), copied > 0 ? static_cast<size_t>(copied) : 0);
}

long CWnd::WidestText(const std::vector<std::string>& texts) const {
  const UniqueWindowDC dc = AcquireDC(m_hWnd);
  if (!dc) return 0;
  // Made after the device context, so ended before it: the replaced font is back before the DC goes back.
  const UniqueSelection font = SelectIntoDC(dc.get(), reinterpret_cast<HGDIOBJ>(SendMessage(WM_GETFONT)));
  LONG widest = 0;
  for (const std::string& text : texts) {
    SIZE size = {};
    if (::GetTextExtentPoint32A(dc.get(), text.c_str(), static_cast<int>(text.size()), &size) && size.cx > widest)
      widest = size.cx;
  }
  return widest;
}

void CComboBox::FitDroppedWidth(const std::vector<std::string>& texts) const {
  const LONG widest = WidestText(texts);
  const LONG margin = 2 * ::GetSystemMetrics(SM_CXEDGE) + ::GetSystemMetrics(SM_CXVSCROLL) + 8;
  LONG width = widest + margin;
  // The list opens from the box's left edge and is not moved back onto the screen: a list running past
  // the screen's right edge would hide its scroll bar. The system keeps it at least as wide as the box.
  RECT box = {};
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof(monitor);
  HMONITOR screen = ::MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTONEAREST);
  if (::GetWindowRect(m_hWnd, &box) && ::GetMonitorInfoA(screen, &monitor) && width > monitor.rcWork.right - box.left)
    width = monitor.rcWork.right - box.left;
  SendMessage(CB_SETDROPPEDWIDTH, static_cast<WPARAM>(width));
}
