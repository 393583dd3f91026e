#include "devices/DeviceListParser.h"

#include <cstddef>
#include <utility>

#include "text/AnsiText.h"

namespace {

const char kAudioSectionHeader[] = "DirectShow audio devices";
const char kListingMarker[] = "dshow";
const char kAlternativeNameMarker[] = "@device_";
const char kAlternativeNameLabel[] = "Alternative name";

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

bool IsKindWord(const std::string& word) {
  if (word.empty()) return false;
  for (char c : word) {
    if (c < 'a' || c > 'z') return false;
  }
  return true;
}

// "(audio, video)" -> true with *namesAudio set when one of the kinds is audio. The separators and
// parentheses are below 0x40, so they cannot be second bytes of double-byte characters.
bool ParseKindTag(const std::string& tag, bool* namesAudio) {
  if (tag.size() < 2 || tag.front() != '(' || tag.back() != ')') return false;
  const std::string kinds = tag.substr(1, tag.size() - 2);
  *namesAudio = false;
  std::size_t start = 0;
  for (;;) {
    std::size_t end = kinds.find(',', start);
    if (end == std::string::npos) end = kinds.size();
    std::size_t first = start, last = end;
    while (first < last && IsBlank(kinds[first])) ++first;
    while (last > first && IsBlank(kinds[last - 1])) --last;
    const std::string word = kinds.substr(first, last - first);
    if (!IsKindWord(word)) return false;
    if (word == "audio") *namesAudio = true;
    if (end == kinds.size()) return true;
    start = end + 1;
  }
}

// One device line of the newer listing: `[tag @ address] "Name" (kinds)`, possibly with more than one
// bracket tag. Fills *name and *namesAudio when the line is one.
bool ParseTaggedDeviceLine(const std::string& rawLine, std::string* name, bool* namesAudio) {
  if (ContainsAnsiText(rawLine, kAlternativeNameMarker) || ContainsAnsiText(rawLine, kAlternativeNameLabel)) {
    return false;
  }
  std::string line = rawLine;
  while (!line.empty() && (line.back() == '\r' || IsBlank(line.back()))) line.pop_back();

  std::size_t pos = 0;
  while (pos < line.size() && IsBlank(line[pos])) ++pos;
  bool sawLogTag = false;
  while (pos < line.size() && line[pos] == '[') {
    // ']' and '@' may be second bytes of double-byte characters: walk the tag by character. `pos` is
    // always on a character boundary, so each tag is walked once, from its '[' to its ']', and the whole
    // line costs time in proportion to its length however many tags it holds.
    ++pos;
    while (pos < line.size() && line[pos] != ']') {
      if (line.compare(pos, 3, " @ ") == 0) sawLogTag = true;
      pos += AnsiCharLength(line, pos);
    }
    if (pos >= line.size()) return false;
    ++pos;
    while (pos < line.size() && IsBlank(line[pos])) ++pos;
  }
  if (!sawLogTag || pos >= line.size() || line[pos] != '"') return false;

  const std::size_t firstQuote = pos;
  const std::size_t lastQuote = line.rfind('"');
  if (lastQuote == firstQuote) return false;
  std::size_t tagStart = lastQuote + 1;
  while (tagStart < line.size() && IsBlank(line[tagStart])) ++tagStart;
  if (!ParseKindTag(line.substr(tagStart), namesAudio)) return false;

  *name = line.substr(firstQuote + 1, lastQuote - firstQuote - 1);
  return true;
}

bool IsAlternativeNameLine(const std::string& line) {
  return ContainsAnsiText(line, kAlternativeNameMarker) || ContainsAnsiText(line, kAlternativeNameLabel);
}

// The text between the first and the last double quote of a line; false with fewer than two. A double
// quote is below 0x40: it is never the second byte of a double-byte character.
bool QuotedText(const std::string& line, std::string* text) {
  const std::size_t firstQuote = line.find('"');
  const std::size_t lastQuote = line.rfind('"');
  if (firstQuote == std::string::npos || firstQuote == lastQuote) return false;
  *text = line.substr(firstQuote + 1, lastQuote - firstQuote - 1);
  return true;
}

// Reads a listing without section headers. Returns false when no line has the newer form.
bool ParseTaggedListing(const std::vector<std::string>& lines, DeviceListParse& result) {
  bool sawDeviceLine = false;
  std::vector<std::string> audioDevices;
  std::vector<DeviceSource> sources;
  // Indices rather than pointers into `sources`, which grows.
  std::size_t pending = 0;
  bool hasPending = false;
  for (std::size_t index = 0; index < lines.size(); ++index) {
    const std::string& line = lines[index];
    std::string name;
    bool namesAudio = false;
    if (!ParseTaggedDeviceLine(line, &name, &namesAudio)) {
      if (hasPending && IsAlternativeNameLine(line)) {
        QuotedText(line, &sources[pending].alternativeName);
        hasPending = false;
      }
      continue;
    }
    sawDeviceLine = true;
    hasPending = namesAudio;
    if (namesAudio) {
      audioDevices.push_back(std::move(name));
      sources.push_back(DeviceSource{index, std::string()});
      pending = sources.size() - 1;
    }
  }
  if (sawDeviceLine) {
    result.devices = std::move(audioDevices);
    result.sources = std::move(sources);
  }
  return sawDeviceLine;
}

void ParseSectionedListing(const std::vector<std::string>& lines, DeviceListParse& result) {
  enum class State { Searching, InSection };
  State state = State::Searching;
  bool hasPending = false;  // the last device read may still get its alternative name
  for (std::size_t index = 0; index < lines.size(); ++index) {
    const std::string& line = lines[index];
    if (state == State::Searching) {
      if (ContainsAnsiText(line, kAudioSectionHeader)) {
        result.devices.clear();
        result.sources.clear();
        hasPending = false;
        state = State::InSection;
      }
      continue;
    }
    if (!ContainsAnsiText(line, kListingMarker)) {
      result.fillCombo = true;
      return;
    }
    if (ContainsAnsiText(line, kAlternativeNameMarker)) {
      if (hasPending) QuotedText(line, &result.sources.back().alternativeName);
      hasPending = false;
      continue;
    }
    std::string name;
    if (QuotedText(line, &name)) {
      result.devices.push_back(std::move(name));
      result.sources.push_back(DeviceSource{index, std::string()});
      hasPending = true;
    } else if (result.devices.empty()) {
      result.logLines.emplace_back(kLogSearchAgain);
      state = State::Searching;
    }
  }
}

}  // namespace

DeviceListParse ParseDeviceListing(const std::string& fileText, std::vector<std::string> current) {
  DeviceListParse result;
  result.devices = std::move(current);
  const std::vector<std::string> lines = SplitLines(fileText);

  bool hasSectionHeader = false;
  for (const std::string& line : lines) {
    if (ContainsAnsiText(line, kAudioSectionHeader)) {
      hasSectionHeader = true;
      break;
    }
  }
  if (!hasSectionHeader && ParseTaggedListing(lines, result)) {
    result.fillCombo = true;
    return result;
  }
  ParseSectionedListing(lines, result);
  return result;
}

int ClampDevicePosition(int position, int count) {
  return position >= count ? 0 : position;
}

std::string CaptureNameFor(const std::string& displayName, const std::string& alternativeName,
                           bool convertedLosslessly) {
  if (convertedLosslessly || alternativeName.empty()) return displayName;
  return alternativeName;
}

std::map<std::string, std::string> CaptureNames(const DeviceListParse& parse, const std::vector<bool>& lossyLines) {
  std::map<std::string, std::string> names;
  if (parse.sources.size() != parse.devices.size()) return names;
  for (std::size_t i = 0; i < parse.devices.size(); ++i) {
    const std::size_t line = parse.sources[i].line;
    const bool lossless = line >= lossyLines.size() || !lossyLines[line];
    names[parse.devices[i]] = CaptureNameFor(parse.devices[i], parse.sources[i].alternativeName, lossless);
  }
  return names;
}
