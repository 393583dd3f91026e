#include "recording/RecordingNames.h"

#include <cstdio>

#include "text/AsciiText.h"

namespace {

// "YYYY-MM-DD_HH-MM-SS"
constexpr std::size_t kStampLength = 19;
// A run of the encoder writes fewer segments than this: a minute each, for a lifetime.
constexpr std::size_t kMaxIndexDigits = 9;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool ReadNumber(const std::string& text, std::size_t from, std::size_t count, int& value) {
  value = 0;
  for (std::size_t i = from; i < from + count; ++i) {
    if (!IsDigit(text[i])) return false;
    value = value * 10 + (text[i] - '0');
  }
  return true;
}

bool EndsWith(const std::string& text, const char* tail) {
  const std::size_t length = std::char_traits<char>::length(tail);
  return text.size() >= length && text.compare(text.size() - length, length, tail) == 0;
}

}  // namespace

std::string SegmentPattern(const std::string& folder, const std::string& run) {
  std::string pattern;
  // '%' is a single byte below 0x40, never the second byte of a character.
  for (char c : folder) pattern += c == '%' ? std::string("%%") : std::string(1, c);
  return pattern + "\\" + kSegmentPrefix + run + "_%05d" + kRecordingExtension;
}

std::optional<SegmentFile> ParseSegmentName(const std::string& name) {
  if (!StartsWith(name, kSegmentPrefix) || !EndsWith(name, kRecordingExtension)) return std::nullopt;
  const std::size_t runStart = std::char_traits<char>::length(kSegmentPrefix);
  const std::size_t end = name.size() - std::char_traits<char>::length(kRecordingExtension);
  const std::size_t mark = name.rfind('_', end);
  if (mark == std::string::npos || mark <= runStart || mark + 1 == end || end - mark - 1 > kMaxIndexDigits)
    return std::nullopt;
  SegmentFile segment;
  segment.run = name.substr(runStart, mark - runStart);
  for (char c : segment.run)
    if (!IsDigit(c) && !(c >= 'a' && c <= 'z') && c != '-') return std::nullopt;
  if (!ReadNumber(name, mark + 1, end - mark - 1, segment.index)) return std::nullopt;
  return segment;
}

LocalSeconds LatestCut(LocalSeconds local, int periodSeconds) {
  const int second = SecondOfDay(local);
  return local - second + second / periodSeconds * periodSeconds;
}

LocalSeconds SegmentStart(int index, LocalSeconds made, int periodSeconds) {
  if (index == 0) return made;
  const LocalSeconds cut = LatestCut(made, periodSeconds);
  return made - cut <= kCutLatenessSeconds ? cut : made;
}

std::string RecordingFileName(LocalSeconds start, int suffix) {
  const CalendarDay day = DayOfLocalSeconds(start);
  const int second = SecondOfDay(start);
  std::string text = ZeroPadded(day.year, 4) + "-" + ZeroPadded(day.month, 2) + "-" + ZeroPadded(day.day, 2) + "_" +
                     ZeroPadded(second / 3600, 2) + "-" + ZeroPadded(second / 60 % 60, 2) + "-" +
                     ZeroPadded(second % 60, 2);
  if (suffix > 1) text += "_" + std::to_string(suffix);
  return text + kRecordingExtension;
}

std::optional<RecordingName> ParseRecordingName(const std::string& name) {
  if (name.size() < kStampLength || !EndsWith(name, kRecordingExtension)) return std::nullopt;
  static const char kShape[] = "dddd-dd-dd_dd-dd-dd";
  for (std::size_t i = 0; i < kStampLength; ++i)
    if (kShape[i] == 'd' ? !IsDigit(name[i]) : name[i] != kShape[i]) return std::nullopt;
  CalendarDay day;
  int hour = 0, minute = 0, second = 0;
  ReadNumber(name, 0, 4, day.year);
  ReadNumber(name, 5, 2, day.month);
  ReadNumber(name, 8, 2, day.day);
  ReadNumber(name, 11, 2, hour);
  ReadNumber(name, 14, 2, minute);
  ReadNumber(name, 17, 2, second);
  if (!IsCalendarDay(day) || hour > 23 || minute > 59 || second > 59) return std::nullopt;
  RecordingName recording;
  recording.start = LocalSecondsOf(day, hour, minute, second);
  // Then nothing, or "_<suffix>" from 2 on, written as RecordingFileName writes it.
  const std::size_t end = name.size() - std::char_traits<char>::length(kRecordingExtension);
  if (end != kStampLength) {
    const std::size_t digits = end - kStampLength - 1;
    if (name[kStampLength] != '_' || digits == 0 || digits > kMaxIndexDigits || name[kStampLength + 1] == '0' ||
        !ReadNumber(name, kStampLength + 1, digits, recording.suffix) || recording.suffix < 2)
      return std::nullopt;
  }
  return recording;
}

std::string FreeRecordingName(LocalSeconds start, const std::set<std::string>& taken) {
  int suffix = 1;
  while (taken.count(AsciiLower(RecordingFileName(start, suffix)))) ++suffix;
  return RecordingFileName(start, suffix);
}
