#include "log/ActivityLog.h"

#include <time.h>

#include <utility>

#include "log/LogScroll.h"
#include "text/AnsiTextConversion.h"

namespace {

// The local time now; false when the system cannot tell it.
bool LocalNow(std::tm& local) {
  const __time64_t now = _time64(nullptr);
  return _localtime64_s(&local, &now) == 0;
}

// Hides a window by its style alone, the way a window's redraw is turned off, for as long as it lives.
// Hidden so, a list box updates its frame's scroll bar without drawing it; with its redraw merely off, it
// draws it when the redraw comes back on, at once, whether it changed or not.
class HiddenForUpdate {
 public:
  explicit HiddenForUpdate(HWND window) : m_window(window) {
    const LONG_PTR style = ::GetWindowLongPtrA(window, GWL_STYLE);
    m_wasVisible = (style & WS_VISIBLE) != 0;
    if (m_wasVisible) ::SetWindowLongPtrA(window, GWL_STYLE, style & ~static_cast<LONG_PTR>(WS_VISIBLE));
  }
  ~HiddenForUpdate() {
    if (m_wasVisible) ::SetWindowLongPtrA(m_window, GWL_STYLE, ::GetWindowLongPtrA(m_window, GWL_STYLE) | WS_VISIBLE);
  }
  HiddenForUpdate(const HiddenForUpdate&) = delete;
  HiddenForUpdate& operator=(const HiddenForUpdate&) = delete;

 private:
  HWND m_window;
  bool m_wasVisible = false;
};

// How long lines wait for those that follow them before the list shows them.
constexpr UINT kShowDelayMs = 200;

}  // namespace

CActivityLog::CActivityLog() : m_book(m_files, AnsiToUtf8) {}

void CActivityLog::Attach(HWND list) {
  CWnd::Attach(list);
  m_scrollBar.Create(list);
}

void CActivityLog::Open(const std::string& folder) {
  std::tm local = {};
  m_book.Open(folder, LocalNow(local) ? &local : nullptr);
}

void CActivityLog::AddLogs(const std::vector<std::string>& messages, const std::vector<bool>& dayFileOnly) {
  if (messages.empty()) return;
  std::tm local = {};
  const bool known = LocalNow(local);
  const bool asked = !m_pending.add.empty() || m_pending.dropOldest > 0;
  for (std::size_t i = 0; i < messages.size(); ++i) {
    const std::tm* now = known ? &local : nullptr;
    const LogUpdate update = i < dayFileOnly.size() && dayFileOnly[i] ? m_book.AddToFileOnly(now, messages[i])
                                                                       : m_book.Add(now, messages[i]);
    m_pending.add.insert(m_pending.add.end(), update.add.begin(), update.add.end());
    m_pending.dropOldest += update.dropOldest;
  }
  if (!m_owner)
    ShowPending();
  else if (!asked && !::SetTimer(m_owner, m_timerId, kShowDelayMs, nullptr))
    ShowPending();  // no timer to wait for
}

void CActivityLog::ShowPending() {
  if (m_owner) ::KillTimer(m_owner, m_timerId);
  if (m_pending.add.empty() && m_pending.dropOldest == 0) return;
  const LogUpdate update = std::move(m_pending);
  m_pending = LogUpdate();
  const long widestBefore = m_widest;
  {
    // Drawn once for the lot instead of at each line, when the window next paints.
    const HiddenForUpdate hidden(m_hWnd);
    Show(update);
  }
  ::InvalidateRect(m_hWnd, nullptr, TRUE);
  // The frame's horizontal scroll bar is drawn again only when it changed.
  if (m_widest != widestBefore) ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_NOCHILDREN);
  m_scrollBar.Sync();
}

void CActivityLog::CheckDay() {
  std::tm local = {};
  if (LocalNow(local)) m_book.Tick(&local);
}

void CActivityLog::Show(const LogUpdate& update) {
  const LogListView before = {GetTopIndex(), VisibleLines(), GetCount()};
  // The list box sorts: each line lands where its time stamp puts it, and carries the number of its adding.
  std::vector<int> addedAt;
  for (const std::string& line : update.add) {
    const int at = AddString(line);
    if (at >= 0) {
      SendMessage(LB_SETITEMDATA, static_cast<WPARAM>(at), static_cast<LPARAM>(m_addedCount++));
      addedAt.push_back(at);
    }
  }
  FitHorizontalExtent(update.add);
  std::vector<int> droppedAt;
  for (std::size_t i = 0; i < update.dropOldest; ++i) {
    const int at = DropFirstAdded();
    if (at >= 0) droppedAt.push_back(at);
  }
  const LogListView after = {0, VisibleLines(), GetCount()};
  const int top = TopIndexAfterAdding(before, addedAt, droppedAt, after);
  SetTopIndex(top);
}

// By the number it was added with, not by its place: the line added first is at the top only while the
// clock runs forward. Set back, each new line sorts above the rest, and the top line is the newest.
int CActivityLog::DropFirstAdded() {
  const int count = GetCount();
  for (int at = 0; at < count; ++at) {
    if (static_cast<ULONG_PTR>(SendMessage(LB_GETITEMDATA, static_cast<WPARAM>(at))) != m_firstKept) continue;
    SendMessage(LB_DELETESTRING, static_cast<WPARAM>(at));
    ++m_firstKept;
    return at;
  }
  return -1;
}

void CActivityLog::Clear() {
  m_pending = LogUpdate();
  ResetContent();
  m_firstKept = m_addedCount;
  m_book.Clear();
  m_widest = 0;
  SendMessage(LB_SETHORIZONTALEXTENT, 0);
}

void CActivityLog::FitHorizontalExtent(const std::vector<std::string>& lines) {
  if (lines.empty()) return;
  // A few pixels for the item's own margin, and the scroll bar's width, which the lines run under.
  const long width = WidestText(lines) + 2 * ::GetSystemMetrics(SM_CXEDGE) + m_scrollBar.Width();
  if (width <= m_widest) return;
  m_widest = width;
  SendMessage(LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(m_widest));
}
