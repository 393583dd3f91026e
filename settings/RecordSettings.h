#pragma once
// The recording beside the broadcast, as PushClient.ini's [record] section sets it. The profile functions
// hand each value over as text, blanks and one pair of quotes at its ends already dropped; a value that is
// missing, or no number where one is wanted, gives the default, and a number outside its range is clamped
// to the nearest end: a typo never stops a recording, and a figure too big or too small still means what
// the user most likely wanted.
#include <string>

constexpr char kRecordSection[] = "record";
constexpr char kRecordEnabledKey[] = "enabled";
constexpr char kRecordFolderKey[] = "folder";
constexpr char kRecordKeepDaysKey[] = "keep_days";
constexpr char kRecordSegmentMinutesKey[] = "segment_minutes";
constexpr char kRecordMinFreeMbKey[] = "min_free_mb";

constexpr int kDefaultRecordKeepDays = 42;
constexpr int kMinRecordKeepDays = 1;      // 0 would delete yesterday's recordings today
constexpr int kMaxRecordKeepDays = 36500;  // a hundred years: as good as never
constexpr int kDefaultSegmentMinutes = 60;
constexpr int kMinSegmentMinutes = 1;
constexpr int kMaxSegmentMinutes = 1440;  // a day: one file from midnight to midnight
constexpr int kDefaultMinFreeMb = 1024;
constexpr int kMaxMinFreeMb = 1024 * 1024;  // 1 TiB; 0 sets no floor at all

// The five values as the INI file gives them.
struct RecordSettingsText {
  std::string enabled, folder, keepDays, segmentMinutes, minFreeMb;
};

struct RecordSettings {
  bool enabled = false;        // a number other than 0; anything else is off
  std::string folder;          // as written; empty: kRecordFolderDefault beside the program (RecordFolderPath)
  int keepDays = kDefaultRecordKeepDays;
  int segmentMinutes = kDefaultSegmentMinutes;
  int minFreeMb = kDefaultMinFreeMb;
};

RecordSettings ParseRecordSettings(const RecordSettingsText& text);

// The folder the recordings go to: a full path (a drive's "X:" or a share's "\\server") as it is, any other
// folder, or none, beside the program. Separators at its end are dropped, but for a drive's root.
std::string RecordFolderPath(const std::string& folder, const std::string& programFolder);
