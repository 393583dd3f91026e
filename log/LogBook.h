#pragma once
// The activity log beyond the window: every line shown is appended at once to the file of its day,
// <folder>\YYYY-MM-DD.log (UTF-8 with a byte order mark, CRLF line ends), day files older than
// kLogKeepDays are deleted at the start and when the date changes, unless the date jumped there (DayStep,
// Calendar.h), and the window's list is kept to kMaxLogLines. It knows no clock and no disk of its own:
// each call brings the local time, and the files go through LogFileSystem, so a native test drives a
// whole month with a fake clock and a folder in memory.
#include <cstddef>
#include <ctime>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "log/Calendar.h"

// The window's list drops its oldest lines beyond this many; the day files keep them.
constexpr std::size_t kMaxLogLines = 5000;
// A day file whose date lies more than this many days before today is deleted.
constexpr int kLogKeepDays = 90;

// What the log needs of the disk. Paths are the folder's name, '\', the file's name.
class LogFileSystem {
 public:
  virtual ~LogFileSystem() = default;
  // Makes the folder when missing; true when it is there afterwards.
  virtual bool MakeFolder(const std::string& folder) = 0;
  // The names of the files in the folder, folders left out; none when it cannot be read.
  virtual std::vector<std::string> ListFiles(const std::string& folder) = 0;
  virtual bool Remove(const std::string& path) = 0;
  // Whether the file exists and holds at least one byte.
  virtual bool HasContent(const std::string& path) = 0;
  // Appends the bytes at the file's end in one write, creating the file when missing; true when all were
  // written.
  virtual bool Append(const std::string& path, const std::string& bytes) = 0;
};

// What the window's list is to do for one logged line: add these lines (each with its time stamp, in the
// log's code page), then remove this many of the lines it was given first.
struct LogUpdate {
  std::vector<std::string> add;
  std::size_t dropOldest = 0;
};

class LogBook {
 public:
  using TextConversion = std::function<std::string(const std::string&)>;

  // toUtf8 turns the log's code-page text into UTF-8. Until Open, lines go to the list alone.
  LogBook(LogFileSystem& files, TextConversion toUtf8, std::size_t maxLines = kMaxLogLines);

  // At start-up: from now on lines are written into this folder (made when missing), and its old day files
  // go, unless today lies more than kMaxDayStep days after its newest day file. now is the local time,
  // null when the system could not tell it (then nothing is deleted).
  void Open(const std::string& folder, const std::tm* now);
  // One line stamped now: written to the day's file; returns what the list is to do. A file that cannot be
  // written is said once in the list, until writing works again, which is said once too.
  LogUpdate Add(const std::tm* now, const std::string& message) { return Add(now, message, true); }
  // One line for the day's file alone, too many of its kind for the list (each recording saved): the list
  // is told only of a file that cannot be written, as above.
  LogUpdate AddToFileOnly(const std::tm* now, const std::string& message) { return Add(now, message, false); }
  // A look at the clock, about once a minute: the first time the date has changed, the old files go,
  // unless it changed by more than kMaxDayStep days. A day file written since Open never goes.
  void Tick(const std::tm* now);
  // The list was emptied.
  void Clear() { m_shown = 0; }

  // How many lines the list holds.
  std::size_t Shown() const { return m_shown; }
  // Whether the last write failed.
  bool Failing() const { return m_failing; }

 private:
  LogUpdate Add(const std::tm* now, const std::string& message, bool listed);
  std::string PathOf(const CalendarDay& day) const;
  void NoteDay(const std::tm* now);
  void DeleteOldFiles();
  std::optional<CalendarDay> NewestDayFileUpTo(const CalendarDay& today);
  bool Write(const std::string& path, const std::string& line);

  LogFileSystem& m_files;
  TextConversion m_toUtf8;
  std::size_t m_maxLines;
  std::size_t m_shown = 0;
  bool m_open = false;
  std::string m_folder;
  // Today, as last told; at Open a new date is measured against the newest day file.
  DayStep m_days;
  std::set<std::string> m_writtenNames;  // the day files this run wrote to
  bool m_failing = false;
};
