#include "encoder/EncoderOutput.h"

#include "encoder/AudioLevels.h"
#include "encoder/OutputLines.h"
#include "text/AsciiText.h"

namespace {

using namespace output_lines;

// The native aac encoder's "[aac @ 0x…] Qavg: 123.456" statistics follow every ending too.
bool IsClosingLine(const std::string& line) {
  return line == "Conversion failed!" || (StartsWith(line, "video:") && line.find(" audio:") != std::string::npos) ||
         (StartsWith(line, "[aac @ ") && line.find("] Qavg: ") != std::string::npos);
}

// Reads digits at text[pos…] into *value; false when there are none or too many to be a figure.
bool ReadNumber(const std::string& text, std::size_t& pos, long long* value, std::size_t* digits = nullptr) {
  const std::size_t start = pos;
  long long v = 0;
  while (pos < text.size() && IsDigit(text[pos])) {
    if (pos - start >= 15) return false;
    v = v * 10 + (text[pos] - '0');
    ++pos;
  }
  if (digits != nullptr) *digits = pos - start;
  *value = v;
  return pos > start;
}

// The value after "name=", blanks skipped; npos when the line has no such field or it says N/A.
std::size_t FieldValue(const std::string& line, const char* name) {
  std::size_t pos = line.find(name);
  if (pos == std::string::npos) return pos;
  pos += std::char_traits<char>::length(name);
  while (pos < line.size() && IsBlank(line[pos])) ++pos;
  if (line.compare(pos, 3, "N/A") == 0) return std::string::npos;
  return pos;
}

// time=HH:MM:SS.xx, hours as long as they come. A negative time (an encoder prints one before its first
// packet) is no progress.
std::optional<long long> ParseTime(const std::string& line) {
  std::size_t pos = FieldValue(line, "time=");
  if (pos == std::string::npos) return std::nullopt;
  long long hours = 0, minutes = 0, seconds = 0;
  if (!ReadNumber(line, pos, &hours) || pos >= line.size() || line[pos++] != ':') return std::nullopt;
  if (!ReadNumber(line, pos, &minutes) || pos >= line.size() || line[pos++] != ':') return std::nullopt;
  if (!ReadNumber(line, pos, &seconds)) return std::nullopt;
  if (hours > 1000000 || minutes >= 60 || seconds >= 60) return std::nullopt;
  long long ms = ((hours * 60 + minutes) * 60 + seconds) * 1000;
  if (pos < line.size() && line[pos] == '.') {
    ++pos;
    long long scale = 100;
    while (pos < line.size() && IsDigit(line[pos])) {
      ms += (line[pos] - '0') * scale;
      scale /= 10;
      ++pos;
    }
  }
  return ms;
}

// bitrate=  48.1kbits/s
std::optional<double> ParseBitrate(const std::string& line) {
  std::size_t pos = FieldValue(line, "bitrate=");
  if (pos == std::string::npos) return std::nullopt;
  long long whole = 0;
  if (!ReadNumber(line, pos, &whole)) return std::nullopt;
  double value = static_cast<double>(whole);
  if (pos < line.size() && line[pos] == '.') {
    ++pos;
    long long fraction = 0;
    std::size_t digits = 0;
    ReadNumber(line, pos, &fraction, &digits);
    double scale = 1;
    for (std::size_t i = 0; i < digits; ++i) scale *= 10;
    value += fraction / scale;
  }
  if (line.compare(pos, 7, "kbits/s") != 0) return std::nullopt;
  return value;
}

}  // namespace

bool IsProgressLine(const std::string& line) {
  std::size_t first = 0;
  while (first < line.size() && IsBlank(line[first])) ++first;
  const bool starts = line.compare(first, 5, "size=") == 0 || line.compare(first, 6, "frame=") == 0;
  return starts && line.find("time=", first) != std::string::npos;
}

std::string LastMeaningfulLine(const std::string& output) {
  std::string found;
  FindLineFromEnd(output, [&](const std::string& line) {
    if (line.empty() || IsProgressLine(line) || IsClosingLine(line) || IsLevelMeterLine(line)) return false;
    found = line;
    return true;
  });
  return found;
}

EncoderProgress LatestProgress(const std::string& output) {
  EncoderProgress progress;
  FindLineFromEnd(output, [&](const std::string& line) {
    if (!IsProgressLine(line)) return false;
    progress.timeMs = ParseTime(line);
    progress.kbitPerSecond = ParseBitrate(line);
    return true;
  });
  return progress;
}

bool ServerSaysAlreadyPublishing(const std::string& output) {
  static const char kServerError[] = "Server error: ";
  bool already = false;
  FindLineFromEnd(output, [&](const std::string& line) {
    const std::size_t at = line.find(kServerError);
    if (at == std::string::npos) return false;
    already = line.compare(at + sizeof kServerError - 1, std::string::npos, "Already publishing") == 0;
    return true;
  });
  return already;
}

bool DeviceSaysInUse(const std::string& output) {
  return output.find("Could not run graph") != std::string::npos || output.find("already in use") != std::string::npos;
}
