#include "encoder/EncoderConfiguration.h"

#include <cstddef>

#include "encoder/OutputLines.h"
#include "text/AsciiText.h"

namespace {

const char kConfigurationLabel[] = "configuration:";

}  // namespace

std::optional<std::vector<std::string>> ConfigurationOptions(const std::string& text) {
  using output_lines::IsBlank;
  std::optional<std::vector<std::string>> options;
  output_lines::ForEachLine(text, [&](const std::string& line) {
    if (!StartsWith(line, kConfigurationLabel)) return;
    if (!options) options.emplace();
    std::size_t pos = sizeof kConfigurationLabel - 1;
    while (pos < line.size()) {
      while (pos < line.size() && IsBlank(line[pos])) ++pos;
      const std::size_t first = pos;
      while (pos < line.size() && !IsBlank(line[pos])) ++pos;
      if (pos > first) options->push_back(line.substr(first, pos - first));
    }
  });
  return options;
}
