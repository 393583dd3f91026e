#include "files/StatusFileClaim.h"

#include <windows.h>

#include <vector>

#include "system/UniqueHandle.h"

namespace {

std::string FullPath(const std::string& path) {
  std::vector<char> buffer(MAX_PATH);
  for (;;) {
    const DWORD length = GetFullPathNameA(path.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
    if (length == 0) return path;
    if (length < buffer.size()) return std::string(buffer.data(), length);
    buffer.resize(length);
  }
}

// False when another process holds the claim. One that cannot be made at all is no sign of another copy.
bool Claim(const std::string& path) {
  UniqueHandle claim(CreateMutexA(nullptr, FALSE, StatusFileClaimName(FullPath(path)).c_str()));
  if (claim && GetLastError() == ERROR_ALREADY_EXISTS) return false;
  // Never given back by the program: the claim lasts until the process has gone, however it ends.
  claim.release();
  return true;
}

}  // namespace

bool ClaimStatusFile(FileLocations& files) {
  if (Claim(files.statusFile)) return true;
  const std::string own = ChooseStatusFile(files, true);
  // A copy run from the folder of another that writes there already has nowhere else to go.
  if (own == files.statusFile) return true;
  files.statusFile = own;
  Claim(files.statusFile);
  return false;
}
