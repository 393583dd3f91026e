// config.db: any bytes read without a crash; what was read is written and read back unchanged; an
// address that passed the publish check survives the file whole, with the settings after it.
#include "settings/ConfigFormat.h"

#include <climits>
#include <cstdlib>

#include "text/TextMode.h"
#include "streaming/PublishValidation.h"
#include "tests/fuzz/FuzzCheck.h"

namespace {

bool WrittenAndReadBack(const StoredSettings& s) {
  StoredSettings read{-7, "other", -5, -3};
  ParseConfig(ToTextModeBytes(FormatConfig(s)), read);
  return read.m_nDeviceIndex == s.m_nDeviceIndex && read.m_strServer == s.m_strServer.substr(0, s.m_strServer.find('\0')) &&
         read.m_nMinimizeToTray == s.m_nMinimizeToTray && read.m_nBitrateIndex == s.m_nBitrateIndex;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes = InputBytes(data, size);

  // atoi of the C runtime, clamped as it clamps.
  const long long reference = std::strtoll(bytes.c_str(), nullptr, 10);
  FUZZ_CHECK(ParseDecimal(bytes) == (reference > INT_MAX ? INT_MAX : reference < INT_MIN ? INT_MIN : reference));

  StoredSettings read{7, "old", 5, 3};
  ParseConfig(bytes, read);
  FUZZ_CHECK(read.m_strServer.find_first_of(" \r\n\x1A") == std::string::npos);
  FUZZ_CHECK(WrittenAndReadBack(read));
  read.m_strServer = ValidatePublishSettings(bytes, "d").cleanedServer;
  FUZZ_CHECK(read.m_strServer.find('\0') == std::string::npos && WrittenAndReadBack(read));
  return 0;
}
