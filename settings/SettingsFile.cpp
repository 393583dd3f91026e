#include "settings/SettingsFile.h"

#include <windows.h>

#include "files/PrivateFile.h"
#include "framework/UniqueHandle.h"
#include "text/FileBytes.h"
#include "text/TextMode.h"

namespace {
const char kNewFileSuffix[] = ".new";

// Private: the file names the publish address, stream key included. The new file keeps its rights when it
// takes the old one's place.
bool WriteWhole(const std::string& path, const std::string& bytes) {
  UniqueFile file = CreatePrivateFile(path, GENERIC_WRITE, 0, CREATE_ALWAYS);
  if (!file) return false;
  DWORD written = 0;
  if (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
      written != bytes.size())
    return false;
  // The new file must be on disk before it takes the old one's place.
  if (!FlushFileBuffers(file.get())) return false;
  return CloseHandle(file.release()) != FALSE;
}
}  // namespace

bool CSettingsFile::LoadConfig(StoredSettings& settings) const {
  std::string bytes;
  if (!ReadFileBytes(m_path.c_str(), bytes)) return false;
  // A file an earlier version wrote may be readable by everyone; it need not wait for the next save.
  MakeFilePrivate(m_path);
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
