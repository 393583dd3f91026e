#include "recording/RecordingRetention.h"

#include "recording/RecordingNames.h"

std::vector<std::string> RecordingRetention::Look(const std::vector<std::string>& names, const CalendarDay& today,
                                                  int keepDays) {
  if (!m_started) {
    std::vector<CalendarDay> days;
    for (const std::string& name : names)
      if (const auto recording = ParseRecordingName(name)) days.push_back(DayOfLocalSeconds(recording->start));
    m_days.Restart(NewestUpTo(days, today));
    m_started = true;
  }
  std::vector<std::string> expired;
  if (m_days.Note(today) != DayChange::Moved) return expired;
  for (const std::string& name : names) {
    const auto recording = ParseRecordingName(name);
    if (recording && !m_written.count(name) &&
        DayNumber(today) - DayNumber(DayOfLocalSeconds(recording->start)) > keepDays)
      expired.push_back(name);
  }
  return expired;
}
