#include "text/AnsiText.h"

bool IsAnsiLeadByte(unsigned char byte) {
  return byte >= 0x81 && byte <= 0xFE;
}

bool IsAnsiTrailByte(unsigned char byte) {
  return byte >= 0x40 && byte <= 0xFE && byte != 0x7F;
}

std::size_t AnsiCharLength(const std::string& text, std::size_t pos) {
  if (pos + 1 < text.size() && IsAnsiLeadByte(static_cast<unsigned char>(text[pos]))) return 2;
  return 1;
}

std::size_t FindAnsiText(const std::string& text, const std::string& needle, std::size_t from) {
  if (needle.size() > text.size()) return std::string::npos;
  // Walk from the start even when `from` is later: only a walk from the start knows the boundaries.
  for (std::size_t pos = 0; pos + needle.size() <= text.size(); pos += AnsiCharLength(text, pos)) {
    if (pos >= from && text.compare(pos, needle.size(), needle) == 0) return pos;
  }
  return std::string::npos;
}

std::string FillIn(const std::string& pattern, const std::vector<std::string>& values) {
  std::string text;
  auto next = values.begin();
  for (std::size_t pos = 0; pos < pattern.size();) {
    if (next != values.end() && pattern.compare(pos, 2, "{}") == 0) {
      text += *next++;
      pos += 2;
      continue;
    }
    const std::size_t length = AnsiCharLength(pattern, pos);
    text.append(pattern, pos, length);
    pos += length;
  }
  return text;
}
