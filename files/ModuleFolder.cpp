#include "files/ModuleFolder.h"

#include "text/AnsiText.h"

std::string FolderFromModulePathBuffer(const char (&buffer)[kModulePathBufferSize]) {
  std::size_t length = 0;
  while (length < kModulePathBufferSize && buffer[length] != '\0') ++length;

  std::size_t lastSeparator = length;  // none found
  for (std::size_t i = 0; i < length; ++i) {
    if (IsAnsiLeadByte(static_cast<unsigned char>(buffer[i])) && i + 1 < length) {
      ++i;
      continue;
    }
    if (buffer[i] == '\\') lastSeparator = i;
  }
  return std::string(buffer, lastSeparator);
}
