#include "settings/RecordSettings.h"

#include <algorithm>
#include <climits>

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
