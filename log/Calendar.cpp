#include "log/Calendar.h"

#include <cstdlib>

namespace {

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Floor division: the day of a time before 1970 starts at its own midnight too.
long long FloorDiv(long long a, long long b) { return a / b - (a % b != 0 && (a < 0) != (b < 0) ? 1 : 0); }

}  // namespace

CalendarDay DayOf(const std::tm& local) { return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday}; }

bool IsCalendarDay(const CalendarDay& day) {
  return day.month >= 1 && day.month <= 12 && day.day >= 1 && day.day <= DaysInMonth(day.year, day.month);
}

// The era arithmetic of the proleptic Gregorian calendar: 400 years are 146097 days, and counting years
// from March puts the leap day at a year's end.
long long DayNumber(const CalendarDay& date) {
  const long long year = date.year - (date.month <= 2 ? 1 : 0);
  const long long era = (year >= 0 ? year : year - 399) / 400;
  const long long yearOfEra = year - era * 400;
  const long long dayOfYear = (153 * (date.month > 2 ? date.month - 3 : date.month + 9) + 2) / 5 + date.day - 1;
  const long long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

CalendarDay DayFromNumber(long long number) {
  const long long z = number + 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const long long dayOfEra = z - era * 146097;
  const long long yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const long long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const long long monthFromMarch = (5 * dayOfYear + 2) / 153;
  CalendarDay day;
  day.day = static_cast<int>(dayOfYear - (153 * monthFromMarch + 2) / 5 + 1);
  day.month = static_cast<int>(monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9);
  day.year = static_cast<int>(yearOfEra + era * 400 + (day.month <= 2 ? 1 : 0));
  return day;
}

LocalSeconds LocalSecondsOf(const CalendarDay& day, int hour, int minute, int second) {
  return DayNumber(day) * kSecondsPerDay + hour * 3600LL + minute * 60LL + second;
}

LocalSeconds LocalSecondsOf(const std::tm& local) {
  return LocalSecondsOf(DayOf(local), local.tm_hour, local.tm_min, local.tm_sec);
}

CalendarDay DayOfLocalSeconds(LocalSeconds local) { return DayFromNumber(FloorDiv(local, kSecondsPerDay)); }

int SecondOfDay(LocalSeconds local) {
  return static_cast<int>(local - FloorDiv(local, kSecondsPerDay) * kSecondsPerDay);
}

std::optional<CalendarDay> NewestUpTo(const std::vector<CalendarDay>& days, const CalendarDay& today) {
  std::optional<CalendarDay> newest;
  for (const CalendarDay& day : days) {
    if (DayNumber(day) > DayNumber(today)) continue;
    if (!newest || DayNumber(day) > DayNumber(*newest)) newest = day;
  }
  return newest;
}

void DayStep::Restart(std::optional<CalendarDay> from) {
  m_today.reset();
  m_from = from;
}

DayChange DayStep::Note(const CalendarDay& day) {
  if (m_today && *m_today == day) return DayChange::Same;
  const bool jumped = m_from && std::llabs(DayNumber(day) - DayNumber(*m_from)) > kMaxDayStep;
  m_today = day;
  m_from = day;
  return jumped ? DayChange::Jumped : DayChange::Moved;
}
