#include "settings/SettingsFile.h"

#include <windows.h>

#include "framework/UniqueHandle.h"
#include "text/FileBytes.h"
#include "text/TextMode.h"

namespace {
const char kNewFileSuffix[] = ".new";

bool WriteWhole(const std::string& path, const std::string& bytes) {
  UniqueFile file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
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
