#include "streaming/StreamKeyMask.h"

#include <cstddef>

#include "text/AsciiText.h"

const char kMaskedStreamKey[] = "****";

namespace {

bool IsAsciiLetter(char c) {
  return AsciiLower(c) >= 'a' && AsciiLower(c) <= 'z';
}

// At text[pos]: "rtmp", any more letters, then "://". Returns the position after "://", or npos.
// *schemeEnd is where the letters stopped, so that a caller that finds no "://" can skip them all.
std::size_t MatchScheme(const std::string& text, std::size_t pos, std::size_t* schemeEnd) {
  *schemeEnd = pos + 1;
  static const char kRtmp[] = "rtmp";
  for (std::size_t i = 0; i < 4; ++i) {
    if (pos + i >= text.size() || AsciiLower(text[pos + i]) != kRtmp[i]) return std::string::npos;
  }
  std::size_t end = pos + 4;
  while (end < text.size() && IsAsciiLetter(text[end])) ++end;
  *schemeEnd = end;
  if (text.compare(end, 3, "://") != 0) return std::string::npos;
  return end + 3;
}

bool EndsAddress(char c) {
  return static_cast<unsigned char>(c) <= ' ' || c == '"' || c == '\'';
}

}  // namespace

std::string MaskStreamKey(const std::string& address) {
  std::size_t schemeEnd = 0;
  const std::size_t host = MatchScheme(address, 0, &schemeEnd);
  if (host == std::string::npos) return address;
  const std::size_t app = address.find('/', host);
  if (app == std::string::npos) return address;
  const std::size_t stream = address.find('/', app + 1);
  if (stream == std::string::npos) {
    const std::size_t query = address.find('?', app + 1);
    if (query == std::string::npos || query + 1 == address.size()) return address;
    return address.substr(0, query + 1) + kMaskedStreamKey;
  }
  if (stream + 1 == address.size()) return address;
  return address.substr(0, stream + 1) + kMaskedStreamKey;
}

std::string MaskStreamKeys(const std::string& text) {
  std::string masked;
  masked.reserve(text.size());
  std::size_t copied = 0;  // text before this is already in `masked`
  std::size_t pos = 0;
  while (pos < text.size()) {
    if (AsciiLower(text[pos]) != 'r') {
      ++pos;
      continue;
    }
    std::size_t schemeEnd = 0;
    const std::size_t rest = MatchScheme(text, pos, &schemeEnd);
    if (rest == std::string::npos) {
      pos = schemeEnd;
      continue;
    }
    std::size_t end = rest;
    while (end < text.size() && !EndsAddress(text[end])) ++end;
    if (end > rest && text[end - 1] == ':') --end;
    masked.append(text, copied, pos - copied);
    masked += MaskStreamKey(text.substr(pos, end - pos));
    copied = pos = end;
  }
  masked.append(text, copied, std::string::npos);
  return masked;
}
