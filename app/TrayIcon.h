#pragma once
// The notification-area icon of a window hidden in the tray.
#include <windows.h>
#include <shellapi.h>

#include <string>

class CTrayIcon {
 public:
  CTrayIcon() : m_nid() {}
  ~CTrayIcon() { Remove(); }
  CTrayIcon(const CTrayIcon&) = delete;
  CTrayIcon& operator=(const CTrayIcon&) = delete;

  // The shell's "TaskbarCreated" message, which a restarted shell broadcasts.
  static UINT TaskbarCreatedMessage();
  // An elevated window does not receive "TaskbarCreated" from a shell of lower integrity unless it
  // lets that message through.
  static void AllowTaskbarCreated(HWND window);

  // Adds the icon for window; its mouse events arrive as callbackMessage. False when the shell refused.
  bool Add(HWND window, HICON icon, UINT callbackMessage, const char* tip);
  // The tip the icon shows, now if it is there, and when it is added again.
  void SetTip(const std::string& tip);
  // Removes the icon, if one was added.
  void Remove();
  // Adds the icon again after the shell was restarted, if one had been added.
  void OnTaskbarCreated();
  // Shows a balloon from the icon, if it is there. warning: the warning icon, else the information one.
  void ShowBalloon(const char* title, const std::string& text, bool warning);
  bool IsAdded() const { return m_added; }

 private:
  NOTIFYICONDATAA m_nid;
  bool m_added = false;
};
