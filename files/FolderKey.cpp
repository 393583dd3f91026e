#include "files/FolderKey.h"

#include <cstdint>
#include <cstdio>

#include "text/AnsiText.h"
#include "text/AsciiText.h"

std::string FolderKey(const std::string& fullPath) {
  std::string folded;
  for (std::size_t pos = 0; pos < fullPath.size();) {
    const std::size_t length = AnsiCharLength(fullPath, pos);
    char c = fullPath[pos];
    if (length == 1) {
      c = AsciiLower(c);
      if (c == '/') c = '\\';
      folded += c;
    } else {
      folded.append(fullPath, pos, length);
    }
    pos += length;
  }
  while (folded.size() > 1 && folded.back() == '\\') folded.pop_back();
  // FNV-1a: any stable spread will do, the names only have to differ between folders.
  std::uint64_t hash = 14695981039346656037ull;
  for (unsigned char byte : folded) {
    hash ^= byte;
    hash *= 1099511628211ull;
  }
  return HexPadded(static_cast<unsigned long long>(hash), 16);
}
