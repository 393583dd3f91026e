#include "text/TextMode.h"

std::string ToTextModeBytes(const std::string& text) {
  std::string bytes;
  bytes.reserve(text.size() + text.size() / 16);
  for (char c : text) {
    if (c == '\n') bytes += '\r';
    bytes += c;
  }
  return bytes;
}

std::string FromTextModeBytes(const std::string& fileBytes) {
  const char kEndOfFile = 0x1A;
  std::string text;
  text.reserve(fileBytes.size());
  for (std::size_t i = 0; i < fileBytes.size(); ++i) {
    const char c = fileBytes[i];
    if (c == kEndOfFile) break;
    if (c == '\r' && i + 1 < fileBytes.size() && fileBytes[i + 1] == '\n') continue;
    text += c;
  }
  return text;
}
