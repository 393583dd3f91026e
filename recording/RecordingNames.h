#pragma once
// The recordings' files and their names. The encoder writes numbered segments, "rec-<run>_<n>.aac" with a
// <run> no file in the folder began with when it was launched, and cuts them at the clock; each finished
// segment is renamed to the local time its audio starts, "YYYY-MM-DD_HH-MM-SS.aac", or with "_2", "_3"…
// when that name is taken. The encoder never chooses a final name (it would name a file by the clock when
// it opens it, and a clock set back would have it open an earlier file's name and write over it), and a
// rename never replaces a file: a clock set back can give two files one time, never one file two runs.
#include <optional>
#include <set>
#include <string>

#include "log/Calendar.h"

constexpr char kRecordingExtension[] = ".aac";
constexpr char kSegmentPrefix[] = "rec-";

// ffmpeg's output pattern for a run: <folder>\rec-<run>_%05d.aac, with every '%' of the folder doubled, as
// ffmpeg reads the pattern.
std::string SegmentPattern(const std::string& folder, const std::string& run);

// A segment file, "rec-<run>_<index>.aac": run of ASCII lower-case letters, digits and '-'.
struct SegmentFile {
  std::string run;
  int index = 0;
};
std::optional<SegmentFile> ParseSegmentName(const std::string& name);

// The cut at or before local, for a period of periodSeconds: a multiple of the period since the local
// midnight before, as ffmpeg's -segment_atclocktime cuts (midnight is a cut whatever the period).
LocalSeconds LatestCut(LocalSeconds local, int periodSeconds);

// How long after its cut a segment's file may be made and still be taken to start at the cut: ffmpeg cuts
// at the first packet it writes once the clock has passed it.
constexpr int kCutLatenessSeconds = 10;

// The local time the audio of segment index starts, from the time its file was made: the first of a run
// when the run starts; a later one at its cut, unless its file was made more than kCutLatenessSeconds after
// any cut (ffmpeg cuts when the clock is set back, too): then when it was made.
LocalSeconds SegmentStart(int index, LocalSeconds made, int periodSeconds);

// "YYYY-MM-DD_HH-MM-SS.aac"; from suffix 2 on, "YYYY-MM-DD_HH-MM-SS_<suffix>.aac".
std::string RecordingFileName(LocalSeconds start, int suffix = 1);

// Only a name RecordingFileName gives, of a real date and time, is a recording: whatever else lies in the
// folder is the user's.
struct RecordingName {
  LocalSeconds start = 0;
  int suffix = 1;
};
std::optional<RecordingName> ParseRecordingName(const std::string& name);

// The first name for start that is not taken; taken holds names in ASCII lower case (AsciiLower), as
// Windows compares them.
std::string FreeRecordingName(LocalSeconds start, const std::set<std::string>& taken);
