#include "recording/RecordingFolder.h"

#include <windows.h>

#include "system/UniqueHandle.h"

namespace {

bool IsFolder(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

unsigned long long Combined(DWORD high, DWORD low) { return (static_cast<unsigned long long>(high) << 32) | low; }

// A file's time as the local clock showed it then, in the calendar's seconds.
LocalSeconds LocalSecondsOfFileTime(const FILETIME& utc) {
  SYSTEMTIME universal = {}, local = {};
  if (!FileTimeToSystemTime(&utc, &universal) || !SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local))
    return 0;
  return LocalSecondsOf(CalendarDay{local.wYear, local.wMonth, local.wDay}, local.wHour, local.wMinute, local.wSecond);
}

}  // namespace

// Each folder on the way is made in turn; those there already, and a drive's or a share's root that
// cannot be made, are passed by. Only the last one's being there counts.
bool CRecordingFolder::MakeFolder(const std::string& folder) {
  if (IsFolder(folder)) return true;
  for (std::size_t at = folder.find('\\'); at != std::string::npos; at = folder.find('\\', at + 1))
    if (at > 0 && folder[at - 1] != '\\' && folder[at - 1] != ':') CreateDirectoryA(folder.substr(0, at).c_str(), nullptr);
  CreateDirectoryA(folder.c_str(), nullptr);
  return IsFolder(folder);
}

std::vector<FolderEntry> CRecordingFolder::ListFiles(const std::string& folder) {
  std::vector<FolderEntry> files;
  WIN32_FIND_DATAA found = {};
  const UniqueFind find(FindFirstFileA((folder + "\\*").c_str(), &found));
  if (!find) return files;
  do {
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    files.push_back({found.cFileName, Combined(found.nFileSizeHigh, found.nFileSizeLow),
                     LocalSecondsOfFileTime(found.ftCreationTime)});
  } while (FindNextFileA(find.get(), &found));
  return files;
}

// Never over another file: no MOVEFILE_REPLACE_EXISTING.
bool CRecordingFolder::Rename(const std::string& from, const std::string& to) {
  return MoveFileExA(from.c_str(), to.c_str(), 0) != FALSE;
}

bool CRecordingFolder::Remove(const std::string& path) { return DeleteFileA(path.c_str()) != FALSE; }

// What this user may still write: a quota counts. A folder not made yet lies on the drive of the nearest
// one above it that is there, so that the first look, before the folder is made, already knows.
std::optional<unsigned long long> CRecordingFolder::FreeBytes(const std::string& folder) {
  ULARGE_INTEGER available = {};
  for (std::string path = folder; !path.empty();) {
    if (GetDiskFreeSpaceExA(path.c_str(), &available, nullptr, nullptr)) return available.QuadPart;
    const DWORD error = GetLastError();
    const std::size_t separator = path.find_last_of('\\');
    if ((error != ERROR_PATH_NOT_FOUND && error != ERROR_FILE_NOT_FOUND) || separator == std::string::npos) break;
    path.resize(separator);
  }
  return std::nullopt;
}
