// The encoder's streaming command line: split by the C runtime's rules it gives back the device and the
// address as one argument each, whatever bytes they hold.
#include "encoder/EncoderCommandLine.h"

#include "tests/unit/CommandLineSplit.h"
#include "tests/fuzz/FuzzCheck.h"

namespace {

// What the encoder receives for a value: the C string up to its first NUL, as the conversion of the
// command line shows it: a lead byte without a valid second byte after it becomes '?'.
std::string Received(const std::string& value) {
  const std::string text = value.substr(0, value.find('\0'));
  std::string received;
  for (std::size_t pos = 0; pos < text.size(); ++pos) {
    const unsigned char byte = static_cast<unsigned char>(text[pos]);
    const unsigned char next = pos + 1 < text.size() ? static_cast<unsigned char>(text[pos + 1]) : 0;
    if (byte < 0x81 || byte > 0xFE) {
      received += text[pos];
    } else if (next >= 0x40 && next <= 0xFE && next != 0x7F) {
      received.append(text, pos++, 2);
    } else {
      received += '?';
    }
  }
  return received;
}

void CheckLine(const std::string& device, const std::string& server) {
  const std::vector<std::string> expected = {"-f", "dshow", "-i", "audio=" + Received(device), "-y", "-c:a",
                                             "libfdk_aac", "-b:a", "48k", "-f", "flv", Received(server)};
  FUZZ_CHECK(SplitCommandLineArgs(BuildStreamArgs(device, "48", server)) == expected);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input = InputBytes(data, size);
  SplitCommandLineArgs(input);
  const auto [first, second] = SplitInTwo(input);
  CheckLine(first, second);
  CheckLine(second, first);
  return 0;
}
