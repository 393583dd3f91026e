#include "files/FileLocations.h"

#include "files/FolderKey.h"
#include "text/AnsiText.h"

namespace {
const char kEncoderFileName[] = "\\ffmpeg.exe";
// Named without a folder: users keep one set of settings, and of logs, per working folder.
const char kConfigFileName[] = "config.db";
const char kDeviceListFileName[] = "device.txt";
const char kProfileFileName[] = "PushClient.ini";
const char kLogFolderName[] = "logs";
// The encoder's status file has always been written here; users know to look for it there.
const char kStatusFilePath[] = "c://NetStatus.txt";
const char kStatusFileName[] = "\\NetStatus.txt";

// folder\name; a folder that ends in a separator already ("C:\") gets no second one. The last byte may
// be the second byte of a double-byte character, which is no separator.
std::string InFolder(const std::string& folder, const char* name) {
  bool endsInSeparator = false;
  for (std::size_t pos = 0; pos < folder.size(); pos += AnsiCharLength(folder, pos))
    endsInSeparator = folder[pos] == '\\' || folder[pos] == '/';
  return folder + (endsInSeparator || folder.empty() ? "" : "\\") + name;
}

// In the session's own namespace: copies run by other users of the machine each have their own.
const char kClaimPrefix[] = "Local\\PushClient.StatusFile.";
}  // namespace

FileLocations LocateFiles(const char (&modulePath)[kModulePathBufferSize], const std::string& currentFolder,
                          bool hasDriveC) {
  FileLocations files;
  files.appDir = FolderFromModulePathBuffer(modulePath);
  files.encoder = files.appDir + kEncoderFileName;
  files.config = kConfigFileName;
  files.deviceList = kDeviceListFileName;
  files.profile = InFolder(currentFolder, kProfileFileName);
  files.logFolder = kLogFolderName;
  files.statusFile = hasDriveC ? std::string(kStatusFilePath) : files.appDir + kStatusFileName;
  return files;
}

std::string ChooseStatusFile(const FileLocations& files, bool usualOneTaken) {
  return usualOneTaken ? files.appDir + kStatusFileName : files.statusFile;
}

std::string StatusFileClaimName(const std::string& fullPath) { return kClaimPrefix + FolderKey(fullPath); }
