#include "encoder/EncoderConfiguration.h"

#include <cstddef>

namespace {

const char kConfigurationLabel[] = "configuration:";

bool IsBlankByte(char c) {
  return c == ' ' || c == '\t';
}

}  // namespace

std::optional<std::vector<std::string>> ConfigurationOptions(const std::string& text) {
  std::optional<std::vector<std::string>> options;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) end = text.size();
    std::size_t pos = start;
    while (pos < end && IsBlankByte(text[pos])) ++pos;
    if (text.compare(pos, sizeof kConfigurationLabel - 1, kConfigurationLabel) == 0) {
      if (!options) options.emplace();
      pos += sizeof kConfigurationLabel - 1;
      while (pos < end) {
        while (pos < end && IsBlankByte(text[pos])) ++pos;
        const std::size_t first = pos;
        while (pos < end && !IsBlankByte(text[pos])) ++pos;
        if (pos > first) options->push_back(text.substr(first, pos - first));
      }
    }
    start = end + 1;
  }
  return options;
}
