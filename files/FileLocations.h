#pragma once
// Where every file of the program lives, decided in one place at start-up.
#include <string>

#include "files/ModuleFolder.h"

struct FileLocations {
  std::string appDir;      // the executable's folder, without a trailing '\'
  std::string encoder;     // ffmpeg.exe, beside the executable
  std::string config;      // config.db, in the current folder
  std::string deviceList;  // device.txt, in the current folder
  std::string logFolder;   // logs, the activity log's day files, in the current folder beside config.db
  // PushClient.ini, beside config.db. The system's profile functions look for a name without a folder in
  // the Windows folder, so this one is a full path.
  std::string profile;
  // The streaming encoder's output: at the root of drive C, or in appDir on a machine without one.
  std::string statusFile;
};

// modulePath: the executable's path as read into the fixed buffer (see FolderFromModulePathBuffer);
// currentFolder: the full path of the current folder.
FileLocations LocateFiles(const char (&modulePath)[kModulePathBufferSize], const std::string& currentFolder,
                          bool hasDriveC);
