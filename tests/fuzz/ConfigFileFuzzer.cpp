// config.db: any bytes read without a crash; what was read is written and read back unchanged; an
// address that passed the publish check survives the file whole, with the settings after it.
#include "settings/ConfigFormat.h"

#include <climits>
#include <cstdlib>

#include "text/TextMode.h"
#include "streaming/PublishValidation.h"
#include "tests/fuzz/FuzzCheck.h"

namespace {

bool Same(const StoredSettings& a, const StoredSettings& b) {
  return a.deviceIndex == b.deviceIndex && a.server == b.server && a.minimizeToTray == b.minimizeToTray &&
         a.bitrateIndex == b.bitrateIndex;
}

StoredSettings WrittenAndReadBack(const StoredSettings& s) {
  StoredSettings read{-7, "other", -5, -3};
  ParseConfig(ToTextModeBytes(FormatConfig(s)), read);
  return read;
}

// atoi of the C runtime, clamped as it clamps.
int ReferenceAtoi(const std::string& text) {
  const long long value = std::strtoll(text.c_str(), nullptr, 10);
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes = InputBytes(data, size);

  FUZZ_CHECK(ParseDecimal(bytes) == ReferenceAtoi(bytes));

  StoredSettings read{7, "old", 5, 3};
  ParseConfig(bytes, read);
  FUZZ_CHECK(read.server.find_first_of(" \r\n\x1A") == std::string::npos);

  // The address is a C string to the writer: it ends at a NUL.
  StoredSettings expected = read;
  expected.server = read.server.substr(0, read.server.find('\0'));
  FUZZ_CHECK(Same(WrittenAndReadBack(read), expected));

  const StoredSettings saved{read.deviceIndex, ValidatePublishSettings(bytes, "d").cleanedServer,
                             read.minimizeToTray, read.bitrateIndex};
  FUZZ_CHECK(Same(WrittenAndReadBack(saved), saved));
  return 0;
}
