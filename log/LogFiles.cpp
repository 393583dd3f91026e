#include "log/LogFiles.h"

#include <windows.h>

#include "system/UniqueHandle.h"

bool CLogFiles::MakeFolder(const std::string& folder) {
  CreateDirectoryA(folder.c_str(), nullptr);
  const DWORD attributes = GetFileAttributesA(folder.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::vector<std::string> CLogFiles::ListFiles(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  UniqueFind search(FindFirstFileA((folder + "\\*").c_str(), &found));
  for (BOOL more = static_cast<bool>(search); more; more = FindNextFileA(search.get(), &found))
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) names.push_back(found.cFileName);
  return names;
}

bool CLogFiles::Remove(const std::string& path) { return DeleteFileA(path.c_str()) != FALSE; }

bool CLogFiles::HasContent(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return false;
  return (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && (data.nFileSizeHigh != 0 || data.nFileSizeLow != 0);
}

// The file is opened, written once and closed for every line rather than held open: nothing of the log waits
// in the program between lines, so a crash or a power cut loses none of what was shown; the day's file is
// only a name, so a new day needs no handle swapped and old files are never held when they are deleted;
// and the user may open, move or delete the file at any time. Opened for appending alone, each write lands
// at the end even when another copy of the program writes to the same folder; written through, the line is
// on the disk when the call returns, not only in the system's cache. Lines come seconds apart, so the few
// calls a line costs do not show.
bool CLogFiles::Append(const std::string& path, const std::string& bytes) {
  UniqueFile file(CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH, nullptr));
  if (!file) return false;
  DWORD written = 0;
  return WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}
