#include "framework/ListScrollBar.h"

#include <commctrl.h>

#include <algorithm>

namespace {

constexpr UINT_PTR kSubclassId = 1;

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
using GetSystemMetricsForDpiFunction = int(WINAPI*)(int, UINT);

// The width of a vertical scroll bar at the window's own scale: the frame's bars follow a window moved to a
// screen of another scale, and this one must match them. Systems before those calls have one scale.
int ScrollBarWidth(HWND window) {
  static const HMODULE user32 = ::GetModuleHandleA("user32.dll");
  static const auto dpiFor = reinterpret_cast<GetDpiForWindowFunction>(
      reinterpret_cast<void (*)()>(::GetProcAddress(user32, "GetDpiForWindow")));
  static const auto metricFor = reinterpret_cast<GetSystemMetricsForDpiFunction>(
      reinterpret_cast<void (*)()>(::GetProcAddress(user32, "GetSystemMetricsForDpi")));
  if (dpiFor && metricFor) {
    if (const UINT dpi = dpiFor(window)) return metricFor(SM_CXVSCROLL, dpi);
  }
  return ::GetSystemMetrics(SM_CXVSCROLL);
}

// The messages after which a list box may show other lines, or have moved its children. Checked after
// these alone, not after each of the many a list box gets: each check costs calls into the system. A list
// hidden for an update is checked once when shown again, by whoever hid it.
bool MayScroll(UINT message, WPARAM wParam) {
  switch (message) {
    // Only a drag past the list's edge scrolls it.
    case WM_MOUSEMOVE:
      return (wParam & MK_LBUTTON) != 0;
    case WM_SIZE:
    case WM_HSCROLL:
    case WM_KEYDOWN:
    case WM_CHAR:
    case WM_LBUTTONDOWN:
    case WM_TIMER:
    case LB_ADDSTRING:
    case LB_INSERTSTRING:
    case LB_DELETESTRING:
    case LB_RESETCONTENT:
    case LB_SETTOPINDEX:
    case LB_SETCURSEL:
    case LB_SETCARETINDEX:
    case LB_SELECTSTRING:
    case LB_SETHORIZONTALEXTENT:
    case LB_SETITEMHEIGHT:
      return true;
    default:
      return false;
  }
}

}  // namespace

bool CListScrollBar::Create(HWND list) {
  m_list.Attach(list);
  m_bar = ::CreateWindowExA(0, "SCROLLBAR", "", WS_CHILD | WS_VISIBLE | SBS_VERT, 0, 0, 0, 0, list, nullptr,
                            reinterpret_cast<HINSTANCE>(::GetWindowLongPtrA(list, GWLP_HINSTANCE)), nullptr);
  if (!m_bar) return false;
  if (!::SetWindowSubclass(list, ListProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this))) {
    ::DestroyWindow(m_bar);
    m_bar = nullptr;
    return false;
  }
  Layout();
  Sync();
  return true;
}

int CListScrollBar::Width() const { return m_bar ? ScrollBarWidth(m_list.m_hWnd) : 0; }

LRESULT CALLBACK CListScrollBar::ListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                          DWORD_PTR self) {
  auto* bar = reinterpret_cast<CListScrollBar*>(self);
  switch (message) {
    case WM_VSCROLL:
      if (reinterpret_cast<HWND>(lParam) != bar->m_bar) break;
      bar->Scroll(LOWORD(wParam));
      return 0;
    // Turned into line moves here: a list box without a scroll bar of its own need not scroll at the wheel.
    case WM_MOUSEWHEEL:
      bar->Wheel(GET_WHEEL_DELTA_WPARAM(wParam));
      return 0;
    case WM_NCDESTROY:
      ::RemoveWindowSubclass(list, ListProc, kSubclassId);
      bar->m_list.Attach(nullptr);
      bar->m_bar = nullptr;
      return ::DefSubclassProc(list, message, wParam, lParam);
    default:
      break;
  }
  const LRESULT result = ::DefSubclassProc(list, message, wParam, lParam);
  // Whatever moved the lines (keys, a drag past the edge, a program's message), the bar follows, and goes
  // back where it belongs: a list box may scroll its children with its lines.
  if (MayScroll(message, wParam) && (::GetWindowLongPtrA(list, GWL_STYLE) & WS_VISIBLE)) bar->Sync(message);
  return result;
}

void CListScrollBar::Layout() const {
  if (!m_bar) return;
  RECT client = {};
  ::GetClientRect(m_list.m_hWnd, &client);
  const int width = Width();
  const RECT wanted = {client.right - width, 0, client.right, client.bottom};
  RECT now = {};
  ::GetWindowRect(m_bar, &now);
  ::MapWindowPoints(nullptr, m_list.m_hWnd, reinterpret_cast<POINT*>(&now), 2);
  if (::EqualRect(&now, &wanted)) return;
  // Painted whole where it lands: what lies there on the screen may be the list's scrolled lines.
  ::SetWindowPos(m_bar, nullptr, wanted.left, wanted.top, width, wanted.bottom,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOCOPYBITS);
}

void CListScrollBar::Sync(UINT message) {
  if (!m_bar) return;
  const int count = m_list.GetCount();
  const int top = m_list.GetTopIndex();
  const int page = m_list.VisibleLines();
  // A list box that scrolled its lines may have scrolled its children with them.
  if (top != m_top || message == WM_SIZE || message == WM_HSCROLL) Layout();
  if (count != m_count || top != m_top || page != m_page) {
    m_count = count;
    m_top = top;
    m_page = page;
    SCROLLINFO info = {};
    info.cbSize = sizeof(info);
    // Shown disabled, never hidden, so that the lines' width does not jump as the list fills.
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
    info.nMax = std::max(0, count - 1);
    info.nPage = static_cast<UINT>(page);
    info.nPos = top;
    ::SetScrollInfo(m_bar, SB_CTL, &info, FALSE);
    m_unpainted = true;
  }
  // A window hidden for an update takes no invalidation: the bar is marked once it can be.
  if (m_unpainted && ::IsWindowVisible(m_bar)) {
    ::InvalidateRect(m_bar, nullptr, TRUE);
    m_unpainted = false;
  }
}

void CListScrollBar::Scroll(int request) {
  SCROLLINFO info = {};
  info.cbSize = sizeof(info);
  info.fMask = SIF_ALL;
  if (!::GetScrollInfo(m_bar, SB_CTL, &info)) return;
  const int page = m_list.VisibleLines();
  int top = info.nPos;
  switch (request) {
    case SB_LINEUP: top -= 1; break;
    case SB_LINEDOWN: top += 1; break;
    case SB_PAGEUP: top -= page; break;
    case SB_PAGEDOWN: top += page; break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: top = info.nTrackPos; break;
    case SB_TOP: top = 0; break;
    case SB_BOTTOM: top = info.nMax; break;
    default: return;
  }
  ScrollTo(top);
}

void CListScrollBar::ScrollTo(int top) const {
  m_list.SetTopIndex(std::max(0, std::min(top, m_list.GetCount() - m_list.VisibleLines())));
}

void CListScrollBar::Wheel(int delta) {
  UINT linesPerNotch = 3;
  ::SystemParametersInfoA(SPI_GETWHEELSCROLLLINES, 0, &linesPerNotch, 0);
  if (linesPerNotch == 0) return;
  // A page at a time when the system says so.
  const int step = linesPerNotch == WHEEL_PAGESCROLL ? m_list.VisibleLines() : static_cast<int>(linesPerNotch);
  // Fine-grained wheels send parts of a notch: kept until they make a line.
  m_wheelRest += delta * step;
  const int lines = m_wheelRest / WHEEL_DELTA;
  if (lines == 0) return;
  m_wheelRest -= lines * WHEEL_DELTA;
  ScrollTo(m_list.GetTopIndex() - lines);
}
