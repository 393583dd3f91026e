#include "settings/ConfigFormat.h"

#include <climits>
#include <cstddef>
#include <vector>

#include "text/TextMode.h"

namespace {

bool IsCSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// None of these bytes can be the second byte of a double-byte character, so they are removed byte by
// byte without walking the characters.
std::string WithoutBlanksAndLineEnds(const std::string& line) {
  std::string kept;
  kept.reserve(line.size());
  for (char c : line) {
    if (c != ' ' && c != '\r' && c != '\n') kept += c;
  }
  return kept;
}

std::vector<std::string> SplitLines(const std::string& text, std::size_t maxLines) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size() && lines.size() < maxLines) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

}  // namespace

std::string FormatConfig(const StoredSettings& s) {
  const std::string server = s.m_strServer.substr(0, s.m_strServer.find('\0'));
  return std::to_string(s.m_nDeviceIndex) + "\r\n" + server + "\r\n" + std::to_string(s.m_nMinimizeToTray) +
         "\r\n" + std::to_string(s.m_nBitrateIndex) + "\r\n";
}

void ParseConfig(const std::string& fileBytes, StoredSettings& s) {
  const std::vector<std::string> lines = SplitLines(FromTextModeBytes(fileBytes), 4);
  if (lines.size() < 1) return;
  s.m_nDeviceIndex = ParseDecimal(WithoutBlanksAndLineEnds(lines[0]));
  if (lines.size() < 2) return;
  s.m_strServer = WithoutBlanksAndLineEnds(lines[1]);
  if (lines.size() < 3) return;
  const std::string tray = WithoutBlanksAndLineEnds(lines[2]);
  if (!tray.empty()) s.m_nMinimizeToTray = ParseDecimal(tray);
  if (lines.size() < 4) return;
  const std::string bitrate = WithoutBlanksAndLineEnds(lines[3]);
  if (!bitrate.empty()) s.m_nBitrateIndex = ParseDecimal(bitrate);
}

int ParseDecimal(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && IsCSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  // The magnitude is kept up to one past INT_MAX's, which is all the clamping needs to know.
  const long long kLimit = static_cast<long long>(INT_MAX) + 1;
  long long magnitude = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    magnitude = magnitude * 10 + (text[i] - '0');
    if (magnitude > kLimit) magnitude = kLimit;
  }
  if (negative) return magnitude >= kLimit ? INT_MIN : static_cast<int>(-magnitude);
  return magnitude >= kLimit ? INT_MAX : static_cast<int>(magnitude);
}
