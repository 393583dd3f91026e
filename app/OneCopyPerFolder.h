#pragma once
// One copy of the program per folder: a second one would share config.db, device.txt and the logs with
// the first and fight it for the same broadcast. A copy in another folder is another station.
#include <windows.h>

#include <string>

#include "system/UniqueHandle.h"

class COneCopyPerFolder {
 public:
  // Claims folder (a full path) for this process, for as long as the object lives. False when a copy
  // running there holds it, elevated or not, even one this process may not open: that copy has been asked
  // to bring its window to the front.
  bool Claim(const std::string& folder);
  // Tells later copies which window to bring forward, and lets their message through to it.
  void Publish(HWND window);
  // The message a later copy posts to the running window: show yourself, out of the tray if need be.
  static UINT ShowWindowMessage();

 private:
  UniqueHandle m_mutex;
  UniqueHandle m_mapping;  // holds the window's handle, for later copies
};
