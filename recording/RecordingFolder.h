#pragma once
// The recordings' folder through the Windows API. The folder may be on a network share, where any call
// may take long: it is used from the recording's worker thread alone, never from the window's.
#include "recording/RecordingSession.h"

class CRecordingFolder : public RecordingDisk {
 public:
  bool MakeFolder(const std::string& folder) override;
  std::vector<FolderEntry> ListFiles(const std::string& folder) override;
  bool Rename(const std::string& from, const std::string& to) override;
  bool Remove(const std::string& path) override;
  std::optional<unsigned long long> FreeBytes(const std::string& folder) override;
};
