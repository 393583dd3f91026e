// The program's folder from its path buffer: a prefix of the path, cut at the last real backslash.
#include "files/ModuleFolder.h"

#include <algorithm>
#include <cstring>

#include "text/AnsiText.h"
#include "tests/fuzz/FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // As the system leaves it: the path, NUL-padded; a path that fills the buffer has no NUL.
  char buffer[kModulePathBufferSize] = {};
  std::memcpy(buffer, data, std::min(size, kModulePathBufferSize));
  const std::string path(buffer, strnlen(buffer, kModulePathBufferSize));

  std::size_t lastSeparator = path.size();
  for (std::size_t pos = 0; pos < path.size(); pos += AnsiCharLength(path, pos)) {
    if (path[pos] == '\\') lastSeparator = pos;
  }
  FUZZ_CHECK(FolderFromModulePathBuffer(buffer) == path.substr(0, lastSeparator));
  return 0;
}
