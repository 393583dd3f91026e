#include "files/FileLocations.h"

namespace {
const char kEncoderFileName[] = "\\ffmpeg.exe";
// Named without a folder: users keep one set of settings, and of logs, per working folder.
const char kConfigFileName[] = "config.db";
const char kDeviceListFileName[] = "device.txt";
const char kLogFolderName[] = "logs";
// The encoder's status file has always been written here; users know to look for it there.
const char kStatusFilePath[] = "c://NetStatus.txt";
const char kStatusFileName[] = "\\NetStatus.txt";
}  // namespace

FileLocations LocateFiles(const char (&modulePath)[kModulePathBufferSize], bool hasDriveC) {
  FileLocations files;
  files.appDir = FolderFromModulePathBuffer(modulePath);
  files.encoder = files.appDir + kEncoderFileName;
  files.config = kConfigFileName;
  files.deviceList = kDeviceListFileName;
  files.logFolder = kLogFolderName;
  files.statusFile = hasDriveC ? std::string(kStatusFilePath) : files.appDir + kStatusFileName;
  return files;
}
