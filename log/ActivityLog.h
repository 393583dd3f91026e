#pragma once
// The activity log: the main window's sorted list box of time-stamped lines, each also kept in the file of
// its day (LogBook). Beyond its bound, the lines added first leave it, wherever they sorted.
#include <string>
#include <vector>

#include "framework/ListScrollBar.h"
#include "framework/Wnd.h"
#include "log/LogBook.h"
#include "log/LogFiles.h"

class CActivityLog : public CListBox {
 public:
  CActivityLog();

  // Names the dialog's list, made without WS_VSCROLL and with WS_CLIPCHILDREN, and gives it a vertical
  // scroll bar that costs nothing when lines come.
  void Attach(HWND list);
  // From now on every line is also written into this folder, whose old day files go now and at midnight.
  void Open(const std::string& folder);
  // Appends one "yyyy-mm-dd hh:mm:ss message" line. The message is text, never a format.
  void AddLog(const std::string& message) { AddLogs({message}); }
  // Appends several lines at once, in their order. Each reaches its day file now, and the list when the
  // owner's timer comes: an update of a list box that scrolls, and its repaint, cost tens of milliseconds
  // under some systems, and are then made once for all the lines of a fifth of a second (a switch-on's,
  // its encoders' first words), apart from what made them.
  void AddLogs(const std::vector<std::string>& messages) { AddLogs(messages, {}); }
  // The same, but the messages whose places are in dayFileOnly go to the day file alone.
  void AddLogs(const std::vector<std::string>& messages, const std::vector<bool>& dayFileOnly);
  // From now on the list is updated when this timer of owner's, set at the first line waiting, is handed
  // to ShowPending; until then, at once.
  void ShowOnTimer(HWND owner, UINT_PTR timerId) {
    m_owner = owner;
    m_timerId = timerId;
  }
  // Shows the lines waiting now; the timer, if set, has nothing left to do.
  void ShowPending();
  // A look at the clock, about once a minute, for the day's change.
  void CheckDay();
  void Clear();

 private:
  void Show(const LogUpdate& update);
  // Removes the line added first of those in the list; its place before, or -1 when there was none.
  int DropFirstAdded();
  // Lines longer than the box is wide can be scrolled to: the widest line so far, in pixels.
  void FitHorizontalExtent(const std::vector<std::string>& lines);

  HWND m_owner = nullptr;
  UINT_PTR m_timerId = 0;
  LogUpdate m_pending;  // in the day file, not yet in the list
  long m_widest = 0;
  CListScrollBar m_scrollBar;
  // Each line's item data is the number of lines added before it; the lines below m_firstKept are gone.
  ULONG_PTR m_addedCount = 0;
  ULONG_PTR m_firstKept = 0;
  CLogFiles m_files;
  LogBook m_book;
};
