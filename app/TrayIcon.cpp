#include "app/TrayIcon.h"

#include <cstring>

UINT CTrayIcon::TaskbarCreatedMessage() {
  static const UINT message = RegisterWindowMessageA("TaskbarCreated");
  return message;
}

void CTrayIcon::AllowTaskbarCreated(HWND window) {
  ChangeWindowMessageFilterEx(window, TaskbarCreatedMessage(), MSGFLT_ALLOW, nullptr);
}

bool CTrayIcon::Add(HWND window, HICON icon, UINT callbackMessage, const char* tip) {
  // The first version of the record: every shell understands it.
  m_nid = NOTIFYICONDATAA();
  m_nid.cbSize = NOTIFYICONDATAA_V1_SIZE;
  m_nid.hWnd = window;
  m_nid.hIcon = icon;
  std::strncpy(m_nid.szTip, tip, sizeof(m_nid.szTip) - 1);
  m_nid.uCallbackMessage = callbackMessage;
  m_nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  // Minimising again while the icon is there must not add a second one.
  if (m_added && Shell_NotifyIconA(NIM_MODIFY, &m_nid)) return true;
  m_added = Shell_NotifyIconA(NIM_ADD, &m_nid) != FALSE;
  return m_added;
}

void CTrayIcon::SetTip(const std::string& tip) {
  if (tip == m_nid.szTip) return;
  std::strncpy(m_nid.szTip, tip.c_str(), sizeof(m_nid.szTip) - 1);
  if (m_added) Shell_NotifyIconA(NIM_MODIFY, &m_nid);
}

void CTrayIcon::Remove() {
  if (m_added) Shell_NotifyIconA(NIM_DELETE, &m_nid);
  m_added = false;
}

void CTrayIcon::ShowBalloon(const char* title, const std::string& text, bool warning) {
  if (!m_added) return;
  // Balloons need a later version of the record than the icon was added with; the icon is named by the
  // same window and id.
  NOTIFYICONDATAA balloon = {};
  balloon.cbSize = sizeof(balloon);
  balloon.hWnd = m_nid.hWnd;
  balloon.uID = m_nid.uID;
  balloon.uFlags = NIF_INFO;
  std::strncpy(balloon.szInfoTitle, title, sizeof(balloon.szInfoTitle) - 1);
  std::strncpy(balloon.szInfo, text.c_str(), sizeof(balloon.szInfo) - 1);
  balloon.dwInfoFlags = warning ? NIIF_WARNING : NIIF_INFO;
  Shell_NotifyIconA(NIM_MODIFY, &balloon);
}

void CTrayIcon::OnTaskbarCreated() {
  if (m_added) Shell_NotifyIconA(NIM_ADD, &m_nid);
}
