#include "streaming/StatusRecord.h"

#include <algorithm>
#include <cstring>

#include "encoder/AudioLevels.h"
#include "encoder/EncoderOutput.h"

namespace {

bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

// The position of the first c in text from start on; text.size() when there is none.
std::size_t Find(const std::string& text, char c, std::size_t start) {
  const void* found = start < text.size() ? std::memchr(text.data() + start, c, text.size() - start) : nullptr;
  return found ? static_cast<std::size_t>(static_cast<const char*>(found) - text.data()) : text.size();
}

// The last maxBytes of text or fewer, from a line start: the stretch before the first line end is the end
// of an older line. A stretch without a line end is taken as it is.
std::string NewestLines(const std::string& text, std::size_t maxBytes) {
  if (text.size() <= maxBytes) return text;
  std::size_t start = text.size() - maxBytes;
  if (!IsLineEnd(text[start - 1])) {
    const std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) return text.substr(start);
    start = end + 1;
  }
  // The '\n' of a "\r\n" ends the line before as well.
  if (text[start - 1] == '\r' && start < text.size() && text[start] == '\n') ++start;
  return text.substr(start);
}

}  // namespace

StatusRecord::FileWrite StatusRecord::Take(const std::string& output) {
  // Output is mostly lines of a hundred bytes or so: each line end is searched for with memchr.
  const std::size_t size = output.size();
  std::size_t nextCr = 0, nextLf = 0;
  for (std::size_t start = 0;;) {
    if (nextCr <= start) nextCr = Find(output, '\r', start);
    if (nextLf <= start) nextLf = Find(output, '\n', start);
    const std::size_t end = std::min(nextCr, nextLf);
    if (!m_lineTooLong && m_line.size() + (end - start) > kLongestRememberedLine) {
      m_lineTooLong = true;
      m_line.clear();
    }
    if (!m_lineTooLong) m_line.append(output, start, end - start);
    if (end == size) break;
    if (!m_lineTooLong) Remember(output[end]);
    m_line.clear();
    m_lineTooLong = false;
    start = end + 1;
  }

  m_newest += output;
  if (m_newest.size() > 2 * kStatusFileKeptBytes) m_newest = NewestLines(m_newest, kStatusFileKeptBytes);

  if (m_fileBytes + output.size() > kStatusFileMaxBytes) return StartOver();
  m_fileBytes += output.size();
  return FileWrite{false, output};
}

StatusRecord::FileWrite StatusRecord::StartOver() {
  FileWrite write{true, WithRemembered(NewestLines(m_newest, kStatusFileKeptBytes))};
  m_fileBytes = write.bytes.size();
  return write;
}

std::string StatusRecord::Recent() const { return WithRemembered(NewestLines(m_newest, kStatusTailBytes)); }

void StatusRecord::Remember(char end) {
  std::string* kept = IsProgressLine(m_line) ? &m_progressLine : IsPeakLevelLine(m_line) ? &m_levelLine : nullptr;
  if (kept == nullptr) return;
  kept->assign(m_line);
  kept->push_back(end);
}

std::string StatusRecord::WithRemembered(const std::string& text) const {
  std::string remembered;
  for (const std::string* line : {&m_progressLine, &m_levelLine})
    if (!line->empty() && text.find(*line) == std::string::npos) remembered += *line;
  return remembered + text;
}
