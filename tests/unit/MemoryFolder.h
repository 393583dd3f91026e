#pragma once
// A folder in memory for the activity log's day files: what LogBook writes, kept in a map.
#include <map>
#include <set>
#include <string>
#include <vector>

#include "log/LogBook.h"

// A folder in memory. A path is "<folder>\<name>"; a file can be written only in a folder that was made.
class MemoryFolder : public LogFileSystem {
 public:
  std::map<std::string, std::string> files;
  std::set<std::string> folders;
  bool canMakeFolders = true;
  bool canWrite = true;
  int appends = 0;  // attempts

  bool MakeFolder(const std::string& folder) override {
    if (canMakeFolders) folders.insert(folder);
    return folders.count(folder) > 0;
  }
  std::vector<std::string> ListFiles(const std::string& folder) override {
    std::vector<std::string> names;
    for (const auto& file : files)
      if (file.first.rfind(folder + "\\", 0) == 0) names.push_back(file.first.substr(folder.size() + 1));
    return names;
  }
  bool Remove(const std::string& path) override { return files.erase(path) > 0; }
  bool HasContent(const std::string& path) override { return files.count(path) && !files[path].empty(); }
  bool Append(const std::string& path, const std::string& bytes) override {
    ++appends;
    if (!canWrite || !folders.count(path.substr(0, path.find('\\')))) return false;
    files[path] += bytes;
    return true;
  }
};

