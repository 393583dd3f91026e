// The code-page 936 text helpers: characters never run past the text, and a search finds the first
// match at or after its start that begins on a character boundary.
#include "text/AnsiText.h"

#include <vector>

#include "tests/fuzz/FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t from = data[0] % 64;
  const auto [text, needle] = SplitInTwo(InputBytes(data + 1, size - 1));

  // The character boundaries, walked from the start; the end counts as one.
  std::vector<bool> boundary(text.size() + 1, false);
  for (std::size_t pos = 0; pos < text.size();) {
    boundary[pos] = true;
    const std::size_t length = AnsiCharLength(text, pos);
    FUZZ_CHECK(length == 1 || length == 2);
    FUZZ_CHECK(pos + length <= text.size());
    const unsigned char byte = static_cast<unsigned char>(text[pos]);
    if (length == 2) FUZZ_CHECK(IsAnsiLeadByte(byte));
    if (IsAnsiLeadByte(byte) && pos + 1 < text.size()) FUZZ_CHECK(length == 2);
    pos += length;
  }
  boundary[text.size()] = true;

  std::size_t expected = std::string::npos;
  for (std::size_t pos = from; pos + needle.size() <= text.size(); ++pos) {
    if (boundary[pos] && text.compare(pos, needle.size(), needle) == 0) {
      expected = pos;
      break;
    }
  }
  FUZZ_CHECK(FindAnsiText(text, needle, from) == expected);
  if (from == 0) FUZZ_CHECK(ContainsAnsiText(text, needle) == (expected != std::string::npos));
  return 0;
}
