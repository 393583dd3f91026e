#include "files/FileLocations.h"

#include <cstdint>

#include "text/AnsiText.h"

namespace {
const char kEncoderFileName[] = "\\ffmpeg.exe";
// Both are named without a folder: users keep one set of settings per working folder.
const char kConfigFileName[] = "config.db";
const char kDeviceListFileName[] = "device.txt";
// The encoder's status file has always been written here; users know to look for it there.
const char kStatusFilePath[] = "c://NetStatus.txt";
const char kStatusFileName[] = "\\NetStatus.txt";
// In the session's own namespace: copies run by other users of the machine each have their own.
const char kClaimPrefix[] = "Local\\PushClient.StatusFile.";

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
}  // namespace

FileLocations LocateFiles(const char (&modulePath)[kModulePathBufferSize], bool hasDriveC) {
  FileLocations files;
  files.appDir = FolderFromModulePathBuffer(modulePath);
  files.encoder = files.appDir + kEncoderFileName;
  files.config = kConfigFileName;
  files.deviceList = kDeviceListFileName;
  files.statusFile = hasDriveC ? std::string(kStatusFilePath) : files.appDir + kStatusFileName;
  return files;
}

std::string ChooseStatusFile(const FileLocations& files, bool usualOneTaken) {
  return usualOneTaken ? files.appDir + kStatusFileName : files.statusFile;
}

std::string StatusFileClaimName(const std::string& fullPath) {
  // 64-bit FNV-1a of the path with its ASCII letters lowered; the second byte of a double-byte character
  // is part of that character and stays as it is.
  std::uint64_t hash = 14695981039346656037ull;
  for (std::size_t i = 0; i < fullPath.size();) {
    const std::size_t length = AnsiCharLength(fullPath, i);
    for (std::size_t k = 0; k < length; ++k) {
      const char c = length == 1 ? LowerAscii(fullPath[i]) : fullPath[i + k];
      hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    }
    i += length;
  }
  static const char kHex[] = "0123456789abcdef";
  std::string name = kClaimPrefix;
  for (int shift = 60; shift >= 0; shift -= 4) name += kHex[(hash >> shift) & 0xF];
  return name;
}
