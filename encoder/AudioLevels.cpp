#include "encoder/AudioLevels.h"

#include <cmath>
#include <cstddef>
#include <limits>

#include "encoder/EncoderConfiguration.h"
#include "encoder/OutputLines.h"
#include "text/AsciiText.h"

const char kLevelMeterGraph[] =
    "[0:a]asplit=2[enc][lvl];"
    "[lvl]asetnsamples=n=22050:p=0,astats@level=metadata=1:reset=1,"
    "ametadata@level=mode=print:key=lavfi.astats.Overall.Peak_level,anullsink";
const char kLevelMeterOutput[] = "[enc]";

namespace {

using namespace output_lines;

const char kPeakKey[] = "lavfi.astats.Overall.Peak_level=";
const char* const kMeterFilters[] = {"asplit", "asetnsamples", "astats", "ametadata", "anullsink"};
constexpr std::size_t kMeterFilterCount = sizeof kMeterFilters / sizeof kMeterFilters[0];

bool EqualsIgnoringCase(const std::string& text, std::size_t pos, const char* word) {
  const std::size_t length = std::char_traits<char>::length(word);
  if (text.size() - pos != length) return false;
  for (std::size_t i = 0; i < length; ++i) {
    if (AsciiLower(text[pos + i]) != word[i]) return false;
  }
  return true;
}

// A level as the encoder's C runtime printed it with "%f". No value for anything that is not a number
// or an infinity.
std::optional<double> ParseLevel(const std::string& value) {
  std::size_t pos = 0;
  const bool negative = !value.empty() && value[0] == '-';
  if (!value.empty() && (value[0] == '-' || value[0] == '+')) ++pos;
  const double sign = negative ? -1.0 : 1.0;
  if (EqualsIgnoringCase(value, pos, "inf") || EqualsIgnoringCase(value, pos, "infinity") ||
      value.compare(pos, 6, "1.#INF") == 0) {
    return sign * std::numeric_limits<double>::infinity();
  }
  double number = 0;
  std::size_t digits = 0;
  for (; pos < value.size() && IsDigit(value[pos]); ++pos, ++digits) number = number * 10 + (value[pos] - '0');
  if (digits == 0 || digits > 15) return std::nullopt;
  if (pos < value.size() && value[pos] == '.') {
    double scale = 0.1;
    for (++pos; pos < value.size() && IsDigit(value[pos]); ++pos, scale /= 10) number += (value[pos] - '0') * scale;
  }
  if (pos != value.size()) return std::nullopt;
  return sign * number;
}

// Applies one configure option to whether the filter library and each of the meter's filters are on.
void ApplyOption(const std::string& option, bool& library, bool (&filters)[kMeterFilterCount]) {
  auto setAll = [&filters](bool on) {
    for (bool& filter : filters) filter = on;
  };
  if (option == "--disable-avfilter") library = false;
  if (option == "--enable-avfilter") library = true;
  if (option == "--disable-filters" || option == "--disable-everything") setAll(false);
  if (option == "--enable-filters") setAll(true);
  const bool disable = StartsWith(option, "--disable-filter=");
  if (!disable && !StartsWith(option, "--enable-filter=")) return;
  // The value is a comma list of filter names.
  std::size_t start = option.find('=') + 1;
  while (start <= option.size()) {
    std::size_t end = option.find(',', start);
    if (end == std::string::npos) end = option.size();
    const std::string name = option.substr(start, end - start);
    for (std::size_t i = 0; i < kMeterFilterCount; ++i) {
      if (name == kMeterFilters[i]) filters[i] = !disable;
    }
    start = end + 1;
  }
}

bool ConfigurationLacksMeter(const std::string& text) {
  const auto options = ConfigurationOptions(text);
  if (!options) return false;
  bool library = true;
  bool filters[kMeterFilterCount];
  for (bool& filter : filters) filter = true;
  for (const std::string& option : *options) ApplyOption(option, library, filters);
  if (!library) return true;
  for (bool filter : filters) {
    if (!filter) return true;
  }
  return false;
}

bool RefusesGraph(const std::string& line) {
  for (const char* words : {"No such filter: '", "Error initializing filter '", "Error initializing complex filters",
                            "Error configuring filter graph", "Error configuring filters"}) {
    if (line.find(words) != std::string::npos) return true;
  }
  return false;
}

}  // namespace

bool IsLevelMeterLine(const std::string& line) {
  return StartsWith(line, "[astats@level @ ") || StartsWith(line, "[ametadata@level @ ");
}

bool IsPeakLevelLine(const std::string& line) { return line.find(kPeakKey) != std::string::npos; }

std::optional<double> LatestPeakLevel(const std::string& output) {
  const std::size_t lastLineEnd = output.find_last_of("\r\n");
  if (lastLineEnd == std::string::npos) return std::nullopt;
  std::optional<double> level;
  FindLineFromEnd(
      output,
      [&level](const std::string& line) {
        const std::size_t at = line.find(kPeakKey);
        if (at == std::string::npos) return false;
        level = ParseLevel(line.substr(at + sizeof kPeakKey - 1));
        if (level && std::isinf(*level) && *level > 0) level.reset();
        if (level && *level < kSilenceFloorDb) level = kSilenceFloorDb;
        return true;
      },
      lastLineEnd);
  return level;
}

bool LevelMeterUnavailable(const std::string& encoderText) {
  if (ConfigurationLacksMeter(encoderText)) return true;
  bool refused = false;
  FindLineFromEnd(encoderText, [&refused](const std::string& line) { return refused = RefusesGraph(line); });
  return refused;
}
