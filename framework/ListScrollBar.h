#pragma once
// A list box's vertical scroll bar as a control of its own, inside the list, instead of the one in the list's
// frame. The list box redraws its frame's scroll bars at once whenever its lines change, before the change
// returns, and under some systems' themes that drawing costs ten times the rest of an update. This bar is
// set without drawing and painted at the next paint, in a message of its own.
#include <windows.h>

#include "framework/Wnd.h"

class CListScrollBar {
 public:
  CListScrollBar() = default;
  CListScrollBar(const CListScrollBar&) = delete;
  CListScrollBar& operator=(const CListScrollBar&) = delete;

  // The list must have been made without WS_VSCROLL and with WS_CLIPCHILDREN. From now on the bar follows
  // the list however it scrolls: by the bar, the wheel, the keys or a program's LB_SETTOPINDEX.
  bool Create(HWND list);
  // The width the bar covers at the right of the list's lines.
  int Width() const;
  // Brings the bar in line with the list's lines, after the list handled this message (or none); it is
  // drawn at the next paint.
  void Sync(UINT message = WM_NULL);

 private:
  static LRESULT CALLBACK ListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                   DWORD_PTR self);
  void Scroll(int request);
  void Wheel(int delta);
  // Makes top the list's first line shown, within what its lines allow.
  void ScrollTo(int top) const;
  void Layout() const;

  CListBox m_list;
  HWND m_bar = nullptr;
  bool m_unpainted = false;
  int m_wheelRest = 0;
  // What the bar was last set to.
  int m_count = -1;
  int m_top = -1;
  int m_page = -1;
};
