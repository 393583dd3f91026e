#include "settings/RecordSettings.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <optional>

#include "res/Texts.h"
#include "settings/ConfigFormat.h"
#include "text/AnsiText.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string Trimmed(const std::string& text) {
  std::size_t begin = 0, end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

// Only blanks around an optional sign and its digits: "60min" or "一小时" are no number, and give the
// default rather than what atoi would make of them.
bool IsWholeNumber(const std::string& text) {
  std::size_t i = text[0] == '+' || text[0] == '-' ? 1 : 0;
  if (i == text.size()) return false;
  for (; i < text.size(); ++i)
    if (text[i] < '0' || text[i] > '9') return false;
  return true;
}

int NumberOr(const std::string& raw, int fallback, int low, int high) {
  const std::string text = Trimmed(raw);
  if (text.empty() || !IsWholeNumber(text)) return fallback;
  return std::clamp(ParseDecimal(text), low, high);
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool IsFullPath(const std::string& path) {
  const bool drive = path.size() >= 2 && path[1] == ':' &&
                     ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
  return drive || (!path.empty() && IsSeparator(path[0]));
}

// The path without separators at its end, walked by character: the second byte of a double-byte
// character may be 0x5C, a backslash's value.
std::string WithoutTrailingSeparators(const std::string& path) {
  std::size_t keep = 0;
  for (std::size_t pos = 0; pos < path.size();) {
    const std::size_t length = AnsiCharLength(path, pos);
    if (length > 1 || !IsSeparator(path[pos])) keep = pos + length;
    pos += length;
  }
  // "X:\" stays the drive's root, not the drive's current folder that "X:" names.
  if (keep == 2 && path.size() > 2 && path[1] == ':') keep = 3;
  return path.substr(0, keep);
}

}  // namespace

RecordSettings ParseRecordSettings(const RecordSettingsText& text) {
  RecordSettings settings;
  settings.enabled = NumberOr(text.enabled, 0, INT_MIN, INT_MAX) != 0;
  settings.folder = Trimmed(text.folder);
  settings.keepDays = NumberOr(text.keepDays, kDefaultRecordKeepDays, kMinRecordKeepDays, kMaxRecordKeepDays);
  settings.segmentMinutes =
      NumberOr(text.segmentMinutes, kDefaultSegmentMinutes, kMinSegmentMinutes, kMaxSegmentMinutes);
  settings.minFreeMb = NumberOr(text.minFreeMb, kDefaultMinFreeMb, 0, kMaxMinFreeMb);
  return settings;
}

std::string RecordFolderPath(const std::string& folder, const std::string& programFolder) {
  const std::string named = WithoutTrailingSeparators(folder);
  if (named.empty()) return programFolder + "\\" + kRecordFolderDefault;
  return IsFullPath(named) ? named : programFolder + "\\" + named;
}

namespace {

// A figure typed in the window: a whole number in its range, or nothing.
std::optional<int> TypedNumber(const std::string& raw, int low, int high) {
  const std::string text = Trimmed(raw);
  if (text.empty() || !IsWholeNumber(text)) return std::nullopt;
  const int value = ParseDecimal(text);
  if (value < low || value > high) return std::nullopt;
  return value;
}

// Characters no Windows path holds; ':' only after a drive's letter. Walked by character: '|' may be the
// second byte of a double-byte one.
bool IsPathText(const std::string& path) {
  for (std::size_t pos = 0; pos < path.size();) {
    const std::size_t length = AnsiCharLength(path, pos);
    const unsigned char c = static_cast<unsigned char>(path[pos]);
    if (length == 1 && (c < 0x20 || std::strchr("*?\"<>|", c) != nullptr)) return false;
    if (length == 1 && c == ':' && pos != 1) return false;
    pos += length;
  }
  return true;
}

}  // namespace

RecordSettingsCheck CheckTypedRecordSettings(bool enabled, const RecordSettingsText& typed) {
  RecordSettingsCheck check;
  check.settings.enabled = enabled;
  check.settings.folder = Trimmed(typed.folder);
  const auto refuse = [&check](RecordField field, const char* pattern, int low, int high) {
    check.refused = field;
    check.message = FillIn(pattern, {std::to_string(low), std::to_string(high)});
    return check;
  };
  if (!IsPathText(check.settings.folder)) {
    check.refused = RecordField::Folder;
    check.message = kMsgRecordFolderChars;
    return check;
  }
  const std::optional<int> keepDays = TypedNumber(typed.keepDays, kMinRecordKeepDays, kMaxRecordKeepDays);
  if (!keepDays) return refuse(RecordField::KeepDays, kMsgRecordKeepDays, kMinRecordKeepDays, kMaxRecordKeepDays);
  const std::optional<int> segment = TypedNumber(typed.segmentMinutes, kMinSegmentMinutes, kMaxSegmentMinutes);
  if (!segment)
    return refuse(RecordField::SegmentMinutes, kMsgRecordSegmentMinutes, kMinSegmentMinutes, kMaxSegmentMinutes);
  const std::optional<int> minFree = TypedNumber(typed.minFreeMb, 0, kMaxMinFreeMb);
  if (!minFree) return refuse(RecordField::MinFreeMb, kMsgRecordMinFreeMb, 0, kMaxMinFreeMb);
  check.settings.keepDays = *keepDays;
  check.settings.segmentMinutes = *segment;
  check.settings.minFreeMb = *minFree;
  return check;
}

std::string VolumeRootOf(const std::string& path) {
  if (path.size() >= 2 && path[1] == ':') return path.substr(0, 2) + "\\";
  if (path.size() < 2 || !IsSeparator(path[0]) || !IsSeparator(path[1])) return std::string();
  // "\\server\share\": the separator after the share's name ends it.
  int separators = 0;
  for (std::size_t pos = 0; pos < path.size();) {
    const std::size_t length = AnsiCharLength(path, pos);
    if (length == 1 && IsSeparator(path[pos]) && ++separators == 4) return path.substr(0, pos + 1);
    pos += length;
  }
  return separators == 3 ? path + "\\" : std::string();
}
