#pragma once
// The messages the main window takes beside the system's.
#include <windows.h>

// The program's own messages count from WM_APP, a range that no dialog, control or system message uses.
enum : UINT {
  // Posted by the device listing's thread when the listing has ended; wParam is the listing's generation.
  WM_DEVICELIST_READY = WM_APP,
  // Posted when another thread has left lines for the log (CPostedLines).
  WM_POSTED_LINES,
  // Sent by what drives the window from outside before it reads the log's list: shows at once the lines
  // that wait for the list's timer (CActivityLog::ShowOnTimer).
  WM_SHOW_LOG,
  // Posted by the recording's thread when it has events for the window.
  WM_RECORDING_EVENTS,
};
// The notification icon's callback message is not among them: it keeps the value WM_USER + 1 (0x0401) it
// has always had, because programs outside this one may send it by that number. It shares the value of
// DM_SETDEFID; that is harmless because OnTrayNotify acts only on the mouse messages it finds in lParam.
constexpr UINT WM_TRAYNOTIFY = WM_USER + 1;
