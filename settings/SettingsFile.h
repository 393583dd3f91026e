#pragma once
// config.db: the user's choices, four lines.
#include <string>

#include "files/PrivateFile.h"
#include "settings/ConfigFormat.h"

class CSettingsFile {
 public:
  // notPrivate is told config.db's path once, the first time the file could not be made private.
  explicit CSettingsFile(std::string path = std::string(), CNotPrivateNotice::Tell notPrivate = {})
      : m_path(std::move(path)), m_notPrivate(std::move(notPrivate)) {}

  // Reads the file over settings; fields the file does not set keep their values. False when the file
  // could not be read. A file read is made private (MakeFilePrivate), as every file written is.
  bool LoadConfig(StoredSettings& settings) const;

  // Writes a new file beside the old one and puts it in the old one's place in one step, so that a
  // failed or interrupted write leaves the old file whole. False when the settings were not saved.
  bool SaveConfig(const StoredSettings& settings) const;

  const std::string& Path() const { return m_path; }

 private:
  bool WriteWhole(const std::string& path, const std::string& bytes) const;

  std::string m_path;
  mutable CNotPrivateNotice m_notPrivate;
};
