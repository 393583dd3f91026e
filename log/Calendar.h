#pragma once
// Local calendar days and times, and the rule by which a clock's date is trusted to judge how old a file
// is: shared by the log's day files and the recordings, which both delete what has grown old.
#include <ctime>
#include <optional>
#include <vector>

// A date more than this many days from the one before it is a clock that jumped (a CMOS battery reset to
// a year long past, then put right by the network; a clock set years ahead): no file is judged old on it.
// A weekend with the computer off, or asleep, stays within it.
constexpr int kMaxDayStep = 2;

constexpr long long kSecondsPerDay = 24 * 60 * 60;

// A local calendar day.
struct CalendarDay {
  int year = 0, month = 0, day = 0;
  bool operator==(const CalendarDay& other) const {
    return year == other.year && month == other.month && day == other.day;
  }
  bool operator!=(const CalendarDay& other) const { return !(*this == other); }
};

CalendarDay DayOf(const std::tm& local);
// Whether the day exists in the Gregorian calendar (2026-02-29 does not).
bool IsCalendarDay(const CalendarDay& day);
// Days since 1970-01-01 of the proleptic Gregorian calendar, so that two dates a month or a year apart
// subtract to the days between them; and back.
long long DayNumber(const CalendarDay& day);
CalendarDay DayFromNumber(long long number);

// A local time as seconds since 1970-01-01 00:00:00 of the local calendar: the clock's reading as it
// shows it, with no time zone, so that every day has kSecondsPerDay of them and a day starts at a
// multiple of it.
using LocalSeconds = long long;
LocalSeconds LocalSecondsOf(const std::tm& local);
LocalSeconds LocalSecondsOf(const CalendarDay& day, int hour, int minute, int second);
CalendarDay DayOfLocalSeconds(LocalSeconds local);
// The seconds since the local midnight before.
int SecondOfDay(LocalSeconds local);

// The newest of these days that is not after today: a file left by a clock that once ran ahead must not
// hold deleting off for years.
std::optional<CalendarDay> NewestUpTo(const std::vector<CalendarDay>& days, const CalendarDay& today);

enum class DayChange {
  Same,    // the date last told
  Moved,   // a new date, within kMaxDayStep of the one before: files may be judged old on it
  Jumped,  // a new date that jumped: the day it lands on judges no file's age
};

// The dates a clock tells, one after the other. A jump either way is not trusted: set back, the clock would
// find nothing old anyway; put right again, it would find old every file written while it was wrong.
class DayStep {
 public:
  // Starts again: the next date told is measured against from (the newest file's date, not after today),
  // or, without one, trusted.
  void Restart(std::optional<CalendarDay> from);
  DayChange Note(const CalendarDay& day);
  // The date last told; empty before the first.
  const std::optional<CalendarDay>& Today() const { return m_today; }

 private:
  std::optional<CalendarDay> m_today;
  std::optional<CalendarDay> m_from;  // what a new date is measured against
};
