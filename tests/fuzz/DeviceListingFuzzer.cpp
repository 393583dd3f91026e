// The encoder's device listing, both formats: never a crash, and every name read is quoted text of the
// listing.
#include "devices/DeviceListParser.h"

#include "text/AnsiText.h"
#include "tests/fuzz/FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text = InputBytes(data, size);
  const std::vector<std::string> current = {"Old Device"};
  const DeviceListParse parse = ParseDeviceListing(text, current);

  for (const std::string& line : parse.logLines) FUZZ_CHECK(line == kLogSearchAgain);

  const bool hasHeader = ContainsAnsiText(text, "DirectShow audio devices");
  if (!hasHeader) FUZZ_CHECK(parse.logLines.empty());
  if (!hasHeader && !parse.fillCombo) {
    // Neither format found: the list stays as it was.
    FUZZ_CHECK(parse.devices == current);
    return 0;
  }
  if (parse.devices == current) return 0;
  for (const std::string& name : parse.devices) {
    FUZZ_CHECK(name.find('\n') == std::string::npos);
    FUZZ_CHECK(text.find('"' + name + '"') != std::string::npos);
  }
  return 0;
}
