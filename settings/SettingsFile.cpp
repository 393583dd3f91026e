#include "settings/SettingsFile.h"

#include <windows.h>

#include "files/PrivateFile.h"
#include "system/UniqueHandle.h"
#include "text/FileBytes.h"
#include "text/TextMode.h"

namespace {
const char kNewFileSuffix[] = ".new";
}  // namespace

// Private: the file names the publish address, stream key included. The new file keeps its rights when it
// takes the old one's place, so a new file that could not be made private is said by the old one's name.
bool CSettingsFile::WriteWhole(const std::string& path, const std::string& bytes) const {
  PrivateFileResult created = CreatePrivateFile(path, GENERIC_WRITE, 0, CREATE_ALWAYS);
  if (!created) return false;
  m_notPrivate.Note(created.isPrivate, m_path);
  const HANDLE file = created.file.get();
  DWORD written = 0;
  if (!WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) || written != bytes.size())
    return false;
  // The new file must be on disk before it takes the old one's place.
  if (!FlushFileBuffers(file)) return false;
  return CloseHandle(created.file.release()) != FALSE;
}

bool CSettingsFile::LoadConfig(StoredSettings& settings) const {
  std::string bytes;
  if (!ReadFileBytes(m_path.c_str(), bytes)) return false;
  // A file an earlier version wrote may be readable by everyone; it need not wait for the next save.
  m_notPrivate.Note(MakeFilePrivate(m_path), m_path);
  ParseConfig(bytes, settings);
  return true;
}

bool CSettingsFile::SaveConfig(const StoredSettings& settings) const {
  const std::string newPath = m_path + kNewFileSuffix;
  if (WriteWhole(newPath, ToTextModeBytes(FormatConfig(settings))) &&
      MoveFileExA(newPath.c_str(), m_path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return true;
  DeleteFileA(newPath.c_str());
  return false;
}
