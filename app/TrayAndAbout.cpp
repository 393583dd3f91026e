// Minimising into the notification area, and the About box of the system menu.
#include <windows.h>
#include <shellapi.h>

#include <cstring>

#include "app/AboutDlg.h"
#include "app/PushClientDlg.h"
#include "framework/WinApp.h"
#include "res/resource.h"
#include "res/Texts.h"

void CPushClientDlg::AddAboutToSystemMenu() {
  HMENU menu = GetSystemMenu(FALSE);
  if (!menu) return;
  char text[256] = {};
  if (LoadStringA(AfxGetApp()->m_hInstance, IDS_ABOUTBOX, text, sizeof(text)) <= 0 || text[0] == '\0') return;
  AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(menu, MF_STRING, IDM_ABOUTBOX, text);
}

// Called for system-menu commands and the caption's buttons.
void CPushClientDlg::OnSysCommand(UINT nID, LPARAM) {
  if ((nID & 0xFFF0) == IDM_ABOUTBOX) {
    CAboutDlg about;
    about.DoModal();
    return;
  }
  if (nID == SC_MINIMIZE && m_nMinimizeToTray != 0) {
    MinimizeToTray();
    return;
  }
  Default();
}

void CPushClientDlg::MinimizeToTray() {
  ShowWindow(SW_HIDE);
  // The first version of the record: every shell understands it.
  m_nid.cbSize = NOTIFYICONDATAA_V1_SIZE;
  m_nid.hIcon = AfxGetApp()->LoadIcon(IDR_MAINFRAME);
  m_nid.hWnd = m_hWnd;
  std::strncpy(m_nid.szTip, kTrayTip, sizeof(m_nid.szTip) - 1);
  m_nid.uCallbackMessage = WM_TRAYNOTIFY;
  m_nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  Shell_NotifyIconA(NIM_ADD, &m_nid);
}

// Called for mouse events on the tray icon. The message shares its value with DM_SETDEFID: only the
// mouse messages below in lParam do anything.
LRESULT CPushClientDlg::OnTrayNotify(WPARAM, LPARAM lParam) {
  if (lParam == WM_LBUTTONDOWN || lParam == WM_RBUTTONDOWN) {
    ModifyStyleEx(0, WS_EX_TOPMOST);
    ShowWindow(SW_SHOW);
  }
  return 0;
}

// Called when the shell's task bar was (re)created: a restarted shell forgets the icons it had, and a
// window hidden in the tray would have no way back.
LRESULT CPushClientDlg::OnTaskbarCreated(WPARAM, LPARAM) {
  if (m_nid.cbSize != 0) Shell_NotifyIconA(NIM_ADD, &m_nid);
  return 0;
}

// Called when "最小化到托盘" is clicked; the choice is saved at once.
void CPushClientDlg::OnBnClickedTrayCheck() {
  m_nMinimizeToTray = static_cast<int>(SendDlgItemMessageA(m_hWnd, IDC_CHECK_TRAY, BM_GETCHECK, 0, 0));
  SaveConfig();
}
