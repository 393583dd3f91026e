// The activity log's line: the time stamp as the local time reads, then the message byte for byte.
#include "log/LogLine.h"

#include "tests/fuzz/FuzzCheck.h"

namespace {

std::string TwoDigits(int value) {
  return (value >= 0 && value < 10 ? "0" : "") + std::to_string(value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 8) return 0;
  const std::string message = InputBytes(data + 8, size - 8);

  if (data[0] & 1) {
    FUZZ_CHECK(FormatLogLine(nullptr, message) == "0-00-00 -1:-1:-1 " + message);
    return 0;
  }
  // Any time a local-time conversion can give, a leap second and distant years included.
  std::tm t = {};
  t.tm_year = static_cast<std::int16_t>(data[1] | data[2] << 8);
  t.tm_mon = data[3] % 12;
  t.tm_mday = 1 + data[4] % 31;
  t.tm_hour = data[5] % 24;
  t.tm_min = data[6] % 60;
  t.tm_sec = data[7] % 61;
  const std::string stamp = std::to_string(t.tm_year + 1900) + "-" + TwoDigits(t.tm_mon + 1) + "-" +
                            TwoDigits(t.tm_mday) + " " + TwoDigits(t.tm_hour) + ":" + TwoDigits(t.tm_min) + ":" +
                            TwoDigits(t.tm_sec) + " ";
  FUZZ_CHECK(FormatLogLine(&t, message) == stamp + message);
  return 0;
}
