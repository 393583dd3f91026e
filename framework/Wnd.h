#pragma once
// Thin wrappers over a window handle. They own nothing: the dialog manager creates and destroys the
// windows; a wrapper only names one and sends it messages through the ANSI API.
#include <windows.h>

#include <string>
#include <vector>

class CWnd {
 public:
  CWnd() = default;
  virtual ~CWnd() = default;
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;

  HWND m_hWnd = nullptr;

  // Names a window someone else made, such as a dialog's control. Nothing is subclassed: the window's
  // messages still go to its own window procedure, never to the wrapper.
  void Attach(HWND window) { m_hWnd = window; }

  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
    return ::SendMessageA(m_hWnd, message, wParam, lParam);
  }
  HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }

  std::string GetWindowText() const;
  void SetWindowText(const std::string& text) const { ::SetWindowTextA(m_hWnd, text.c_str()); }

  BOOL ShowWindow(int command) const { return ::ShowWindow(m_hWnd, command); }
  BOOL IsIconic() const { return ::IsIconic(m_hWnd); }
  HMENU GetSystemMenu(BOOL revert) const { return ::GetSystemMenu(m_hWnd, revert); }
  HICON SetIcon(HICON icon, BOOL big) const {
    return reinterpret_cast<HICON>(SendMessage(WM_SETICON, big ? ICON_BIG : ICON_SMALL,
                                               reinterpret_cast<LPARAM>(icon)));
  }
  UINT_PTR SetTimer(UINT_PTR id, UINT elapseMs) const { return ::SetTimer(m_hWnd, id, elapseMs, nullptr); }
  BOOL KillTimer(UINT_PTR id) const { return ::KillTimer(m_hWnd, id); }
  // The width in pixels of the widest of these texts in the window's own font; 0 when none can be measured.
  long WidestText(const std::vector<std::string>& texts) const;
  // Changes the extended style bits only; no SetWindowPos, so nothing is re-ordered or redrawn.
  BOOL ModifyStyleEx(DWORD remove, DWORD add) const;
};

class CListBox : public CWnd {
 public:
  int AddString(const std::string& text) const {
    return static_cast<int>(SendMessage(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
  }
  void ResetContent() const { SendMessage(LB_RESETCONTENT); }
  int GetCount() const { return static_cast<int>(SendMessage(LB_GETCOUNT)); }
  int GetTopIndex() const { return static_cast<int>(SendMessage(LB_GETTOPINDEX)); }
  void SetTopIndex(int index) const { SendMessage(LB_SETTOPINDEX, static_cast<WPARAM>(index)); }
  // How many whole lines the box shows, at least one.
  int VisibleLines() const;
};

class CComboBox : public CWnd {
 public:
  int AddString(const std::string& text) const {
    return static_cast<int>(SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
  }
  int InsertString(int index, const std::string& text) const {
    return static_cast<int>(
        SendMessage(CB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.c_str())));
  }
  void ResetContent() const { SendMessage(CB_RESETCONTENT); }
  int GetCount() const { return static_cast<int>(SendMessage(CB_GETCOUNT)); }
  int GetCurSel() const { return static_cast<int>(SendMessage(CB_GETCURSEL)); }
  // The position of the entry whose text is this one (compared without regard to case), or CB_ERR.
  int FindStringExact(const std::string& text) const {
    return static_cast<int>(SendMessage(CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text.c_str())));
  }
  int SetCurSel(int index) const { return static_cast<int>(SendMessage(CB_SETCURSEL, static_cast<WPARAM>(index))); }
  // The text of entry index; empty for a position that names no entry.
  std::string GetLBText(int index) const;
  // Makes the opened list wide enough to show each of these texts whole, however narrow the box is, as far
  // as the screen allows.
  void FitDroppedWidth(const std::vector<std::string>& texts) const;
};
