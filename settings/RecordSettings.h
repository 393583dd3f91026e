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

// The settings window's fields as typed, checked strictly, unlike the file's values: a figure that is no
// whole number in its range, or a folder with a character no path may hold, is refused with a message
// naming the range or the characters, and nothing is saved.
enum class RecordField { None, Folder, KeepDays, SegmentMinutes, MinFreeMb };
struct RecordSettingsCheck {
  RecordSettings settings;               // when accepted
  RecordField refused = RecordField::None;
  std::string message;                   // why, code page 936; empty when accepted
};
RecordSettingsCheck CheckTypedRecordSettings(bool enabled, const RecordSettingsText& typed);

// The root of the drive or share a full path lies on ("D:\", "\\server\share\"), whose free space is the
// folder's while the folder is not made yet; empty for a path that names neither.
std::string VolumeRootOf(const std::string& path);
