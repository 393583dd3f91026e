// Text-mode bytes of the C runtime: reading gives back what was written, up to a Ctrl+Z.
#include "text/TextMode.h"

#include <algorithm>

#include "tests/fuzz/FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes = InputBytes(data, size);

  const std::string written = ToTextModeBytes(bytes);
  FUZZ_CHECK(written.size() == bytes.size() + static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n')));
  FUZZ_CHECK(FromTextModeBytes(written) == bytes.substr(0, bytes.find('\x1A')));

  const std::string read = FromTextModeBytes(bytes);
  FUZZ_CHECK(read.size() <= bytes.size());
  FUZZ_CHECK(read.find('\x1A') == std::string::npos);
  return 0;
}
