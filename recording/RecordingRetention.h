#pragma once
// Recordings kept keepDays days: a look at the folder once a day picks those whose name's date lies more
// than keepDays before today. Only names that are exactly a recording's (ParseRecordingName) are ever
// picked, never one written in this run of the program, and none on a date the clock jumped to (DayStep,
// the log's day files' rule): the first look measures today against the newest recording.
#include <set>
#include <string>
#include <vector>

#include "log/Calendar.h"

class RecordingRetention {
 public:
  // names: the folder's files. Returns those to delete: on a new date that did not jump, none else.
  std::vector<std::string> Look(const std::vector<std::string>& names, const CalendarDay& today, int keepDays);
  // A recording this run saved: never deleted for its age.
  void Written(const std::string& name) { m_written.insert(name); }
  // Another folder: its first look measures today against its own newest recording.
  void Restart() { m_started = false; }

 private:
  bool m_started = false;
  DayStep m_days;
  std::set<std::string> m_written;
};
