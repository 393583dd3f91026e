#include "log/LogBook.h"

#include <cstdio>
#include <utility>

#include "log/LogLine.h"
#include "res/Texts.h"
#include "text/AnsiText.h"
#include "text/AsciiText.h"

namespace {

const char kUtf8Bom[] = "\xEF\xBB\xBF";
const char kLineEnd[] = "\r\n";
const char kDayFileExtension[] = ".log";
// "YYYY-MM-DD.log"
constexpr std::size_t kDayFileNameLength = 14;

std::string LogFileNameOf(const CalendarDay& day) {
  return ZeroPadded(day.year, 4) + "-" + ZeroPadded(day.month, 2) + "-" + ZeroPadded(day.day, 2) + kDayFileExtension;
}

bool ReadDigits(const std::string& text, std::size_t from, std::size_t count, int& value) {
  value = 0;
  for (std::size_t i = from; i < from + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    value = value * 10 + (text[i] - '0');
  }
  return true;
}

// Only a name that is exactly "YYYY-MM-DD.log" of a real date is a day file: whatever else lies in the
// folder is the user's and stays.
bool ParseLogFileName(const std::string& name, CalendarDay& day) {
  if (name.size() != kDayFileNameLength || name[4] != '-' || name[7] != '-' ||
      name.compare(10, std::string::npos, kDayFileExtension) != 0)
    return false;
  if (!ReadDigits(name, 0, 4, day.year) || !ReadDigits(name, 5, 2, day.month) || !ReadDigits(name, 8, 2, day.day))
    return false;
  return IsCalendarDay(day);
}

}  // namespace

LogBook::LogBook(LogFileSystem& files, TextConversion toUtf8, std::size_t maxLines)
    : m_files(files), m_toUtf8(std::move(toUtf8)), m_maxLines(maxLines) {}

void LogBook::Open(const std::string& folder, const std::tm* now) {
  m_folder = folder;
  m_open = true;
  // A folder that cannot be made is said with the first line that cannot be written.
  m_files.MakeFolder(m_folder);
  m_days.Restart(now ? NewestDayFileUpTo(DayOf(*now)) : std::nullopt);
  NoteDay(now);
}

LogUpdate LogBook::Add(const std::tm* now, const std::string& message, bool listed) {
  LogUpdate update;
  const std::string line = FormatLogLine(now, message);
  if (listed) update.add.push_back(line);
  NoteDay(now);
  // A line without a time of its own goes to the file of the last day known.
  if (m_open && m_days.Today()) {
    const std::string path = PathOf(*m_days.Today());
    const bool written = Write(path, line);
    if (!written && !m_failing) {
      // Shown, never written: a failure to write is not itself written, so it cannot fail again.
      m_failing = true;
      update.add.push_back(FormatLogLine(now, FillIn(kLogFileFailed, {path})));
    } else if (written && m_failing) {
      m_failing = false;
      const std::string resumed = FormatLogLine(now, FillIn(kLogFileResumed, {path}));
      Write(path, resumed);
      update.add.push_back(resumed);
    }
  }
  m_shown += update.add.size();
  if (m_shown > m_maxLines) {
    update.dropOldest = m_shown - m_maxLines;
    m_shown = m_maxLines;
  }
  return update;
}

void LogBook::Tick(const std::tm* now) { NoteDay(now); }

std::string LogBook::PathOf(const CalendarDay& day) const { return m_folder + "\\" + LogFileNameOf(day); }

void LogBook::NoteDay(const std::tm* now) {
  if (now && m_days.Note(DayOf(*now)) == DayChange::Moved) DeleteOldFiles();
}

// Files dated after today are left out (NewestUpTo).
std::optional<CalendarDay> LogBook::NewestDayFileUpTo(const CalendarDay& today) {
  std::vector<CalendarDay> days;
  for (const std::string& name : m_files.ListFiles(m_folder)) {
    CalendarDay day;
    if (ParseLogFileName(name, day)) days.push_back(day);
  }
  return NewestUpTo(days, today);
}

void LogBook::DeleteOldFiles() {
  if (!m_open || !m_days.Today()) return;
  const long long today = DayNumber(*m_days.Today());
  for (const std::string& name : m_files.ListFiles(m_folder)) {
    CalendarDay day;
    const std::string path = m_folder + "\\" + name;
    // A file that cannot be deleted now is tried again the next day.
    if (ParseLogFileName(name, day) && today - DayNumber(day) > kLogKeepDays && !m_writtenNames.count(path))
      m_files.Remove(path);
  }
}

bool LogBook::Write(const std::string& path, const std::string& line) {
  const std::string text = m_toUtf8(line) + kLineEnd;
  m_writtenNames.insert(path);
  // The folder may have been removed since the start: made again, the file gets a second chance.
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (attempt > 0 && !m_files.MakeFolder(m_folder)) return false;
    // The mark goes first into a file that is new or empty, and only there.
    const std::string bytes = m_files.HasContent(path) ? text : kUtf8Bom + text;
    if (m_files.Append(path, bytes)) return true;
  }
  return false;
}
