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

// The status file of this copy of the program. Two running copies must not write into one: a copy that
// finds the usual one (files.statusFile) claimed by another running copy writes its own, beside its
// executable.
std::string ChooseStatusFile(const FileLocations& files, bool usualOneTaken);

// The name of the named object by which a running copy claims the status file at fullPath: one name for
// every spelling of the path that differs only in the case of its ASCII letters, and nothing in it that
// an object's name may not hold.
std::string StatusFileClaimName(const std::string& fullPath);
