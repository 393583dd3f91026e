#pragma once
// The log's day files on the disk, through the Windows API. Called from the window's thread alone.
#include <string>
#include <vector>

#include "log/LogBook.h"

class CLogFiles : public LogFileSystem {
 public:
  bool MakeFolder(const std::string& folder) override;
  std::vector<std::string> ListFiles(const std::string& folder) override;
  bool Remove(const std::string& path) override;
  bool HasContent(const std::string& path) override;
  bool Append(const std::string& path, const std::string& bytes) override;
};
