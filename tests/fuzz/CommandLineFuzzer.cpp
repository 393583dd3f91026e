// The encoder's streaming command line: split by the C runtime's rules it gives back exactly the
// device and the address as one argument each, whatever bytes they hold; ordinary values give the
// plain line byte for byte.
#include "encoder/EncoderCommandLine.h"

#include "text/AnsiText.h"
#include "tests/unit/CommandLineSplit.h"
#include "tests/fuzz/FuzzCheck.h"

namespace {

// What the encoder receives for a value: the C string up to its first NUL, with every lead byte that
// has no valid second byte after it shown as '?', as the code-page conversion shows it.
std::string Received(const std::string& value) {
  const std::string text = value.substr(0, value.find('\0'));
  std::string received;
  for (std::size_t pos = 0; pos < text.size(); ++pos) {
    const unsigned char byte = static_cast<unsigned char>(text[pos]);
    const bool lead = byte >= 0x81 && byte <= 0xFE;
    if (!lead) {
      received += text[pos];
      continue;
    }
    const unsigned char next = pos + 1 < text.size() ? static_cast<unsigned char>(text[pos + 1]) : 0;
    if (next >= 0x40 && next <= 0xFE && next != 0x7F) {
      received.append(text, pos, 2);
      ++pos;
    } else {
      received += '?';
    }
  }
  return received;
}

// True when the last character is a single-byte backslash (the second byte of a double-byte character
// is none).
bool EndsInBackslash(const std::string& value) {
  std::size_t last = std::string::npos;
  for (std::size_t pos = 0; pos < value.size(); pos += AnsiCharLength(value, pos)) last = pos;
  return last != std::string::npos && last + 1 == value.size() && value[last] == '\\';
}

void CheckLine(const std::string& device, const std::string& bitrate, const std::string& server) {
  const std::string line = BuildStreamArgs(device, bitrate, server);
  const std::vector<std::string> expected = {"-f", "dshow", "-i", "audio=" + Received(device), "-y", "-c:a",
                                             "libfdk_aac", "-b:a", bitrate + "k", "-f", "flv", Received(server)};
  FUZZ_CHECK(SplitCommandLineArgs(line) == expected);

  const bool ordinaryDevice = Received(device) == device && device.find_first_of(" \t\"") == std::string::npos &&
                              !EndsInBackslash(device);
  const bool ordinaryServer = Received(server) == server && !server.empty() &&
                              server.find_first_of(" \t\"") == std::string::npos;
  if (ordinaryDevice && ordinaryServer) {
    FUZZ_CHECK(line == " -f dshow -i audio=\"" + device + "\" -y -c:a libfdk_aac -b:a " + bitrate + "k -f flv " +
                           server + " ");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string input = InputBytes(data, size);
  SplitCommandLineArgs(input);

  // The first byte picks a stored bitrate position, inside the list or not.
  const std::string bitrate = BitrateTextForIndex(static_cast<signed char>(data[0]));
  bool listed = false;
  for (const char* text : kBitrateTexts) listed = listed || bitrate == text;
  FUZZ_CHECK(listed);

  const auto [first, second] = SplitInTwo(input.substr(1));
  CheckLine(first, bitrate, second);
  CheckLine(second, bitrate, first);
  return 0;
}
