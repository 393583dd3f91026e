#pragma once
// config.db: the user's choices, four lines.
#include <string>

#include "settings/ConfigFormat.h"

class CSettingsFile {
 public:
  explicit CSettingsFile(std::string path = std::string()) : m_path(std::move(path)) {}

  // Reads the file over settings; fields the file does not set keep their values. False when the file
  // could not be read. A file read is made private (MakeFilePrivate), as every file written is.
  bool LoadConfig(StoredSettings& settings) const;

  // Writes a new file beside the old one and puts it in the old one's place in one step, so that a
  // failed or interrupted write leaves the old file whole. False when the settings were not saved.
  bool SaveConfig(const StoredSettings& settings) const;

  const std::string& Path() const { return m_path; }

 private:
  std::string m_path;
};
