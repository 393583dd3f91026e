#pragma once
#include <cstddef>
#include <string>

// Walking the encoder's output by lines, for the readers of its status file in this room. Both '\r' and
// '\n' end a line: progress lines end in '\r' alone.
namespace output_lines {

inline bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

inline bool IsLineEnd(char c) {
  return c == '\r' || c == '\n';
}

inline bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

inline std::string TrimBlanks(const std::string& text, std::size_t first, std::size_t last) {
  while (first < last && IsBlank(text[first])) ++first;
  while (last > first && IsBlank(text[last - 1])) --last;
  return text.substr(first, last - first);
}

// Calls take(line) for each line of text from the first, leading blanks dropped.
template <typename Take>
void ForEachLine(const std::string& text, Take take) {
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) end = text.size();
    std::size_t first = start;
    while (first < end && IsBlank(text[first])) ++first;
    take(text.substr(first, end - first));
    start = end + 1;
  }
}

// Calls take(line) for the lines of text[0, end) from the last to the first, blanks trimmed, until it
// returns true. The text before the line that satisfied it is never looked at.
template <typename Take>
void FindLineFromEnd(const std::string& text, Take take, std::size_t end = std::string::npos) {
  if (end > text.size()) end = text.size();
  while (end > 0) {
    std::size_t start = end;
    while (start > 0 && !IsLineEnd(text[start - 1])) --start;
    if (start < end && take(TrimBlanks(text, start, end))) return;
    if (start == 0) return;
    end = start - 1;
  }
}

}  // namespace output_lines
