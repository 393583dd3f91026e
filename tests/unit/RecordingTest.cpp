#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "CommandLineSplit.h"
#include "recording/FolderFigures.h"
#include "recording/RecordingCommandLine.h"
#include "recording/RecordingNames.h"
#include "recording/RecordingRetention.h"
#include "recording/RecordingSession.h"
#include "recording/SpaceFloor.h"
#include "res/Texts.h"
#include "settings/RecordSettings.h"
#include "text/AnsiText.h"

namespace {

using Lines = std::vector<std::string>;
using Names = std::vector<std::string>;

// "2026-12-07 10:17:23" as the local clock shows it.
LocalSeconds At(const char* when) {
  CalendarDay day;
  int hour = 0, minute = 0, second = 0;
  std::sscanf(when, "%d-%d-%d %d:%d:%d", &day.year, &day.month, &day.day, &hour, &minute, &second);
  return LocalSecondsOf(day, hour, minute, second);
}

std::tm TmOf(LocalSeconds local) {
  const CalendarDay day = DayOfLocalSeconds(local);
  std::tm t = {};
  t.tm_year = day.year - 1900;
  t.tm_mon = day.month - 1;
  t.tm_mday = day.day;
  t.tm_hour = SecondOfDay(local) / 3600;
  t.tm_min = SecondOfDay(local) / 60 % 60;
  t.tm_sec = SecondOfDay(local) % 60;
  return t;
}

TEST(RecordSettings, ValuesAsTheFileGivesThemDefaultsForNoNumberAndClampedRanges) {
  const struct {
    RecordSettingsText text;
    bool enabled;
    int keepDays, segmentMinutes, minFreeMb;
  } cases[] = {
      {{}, false, 42, 60, 1024},                                      // a file without [record]
      {{" 1 ", "", "7", "15", "0"}, true, 7, 15, 0},                  // 0 MB: no floor
      {{"-3", "", "0", "0", "-1"}, true, 1, 1, 0},                    // below the range: its low end
      {{"2", "", "99999999999", "1441", "2000000"}, true, 36500, 1440, 1048576},  // above: its high end
      {{"yes", "", "60min", "一小时", "1 024"}, false, 42, 60, 1024},  // no number: the default
      {{"0", "", "+30", "\t30\t", "512"}, false, 30, 30, 512},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text.keepDays + "|" + c.text.segmentMinutes);
    const RecordSettings s = ParseRecordSettings(c.text);
    EXPECT_EQ(s.enabled, c.enabled);
    EXPECT_EQ(s.keepDays, c.keepDays);
    EXPECT_EQ(s.segmentMinutes, c.segmentMinutes);
    EXPECT_EQ(s.minFreeMb, c.minFreeMb);
  }
  // The path, and the root whose free space is the folder's before the folder is made.
  const std::string program = "C:\\PushClient";
  const struct {
    const char* folder;
    std::string path;
    const char* root;
  } folders[] = {
      {"", program + "\\" + kRecordFolderDefault, "C:\\"},
      {"station", program + "\\station", "C:\\"},
      {"D:\\录音\\", "D:\\录音", "D:\\"},
      {"D:\\", "D:\\", "D:\\"},
      {"\\\\server\\share\\rec//", "\\\\server\\share\\rec", "\\\\server\\share\\"},
      {"\\\\server\\乗", "\\\\server\\乗", "\\\\server\\乗\\"},  // its second byte is 0x5C: no separator
      {"\\\\", program + "\\" + kRecordFolderDefault, "C:\\"},
      {"D:\\乗", "D:\\乗", "D:\\"},
  };
  for (const auto& f : folders) {
    EXPECT_EQ(RecordFolderPath(f.folder, program), f.path) << f.folder;
    EXPECT_EQ(VolumeRootOf(f.path), f.root) << f.folder;
  }
  EXPECT_EQ(VolumeRootOf("\\\\server"), "");
}

// The settings window takes only what it can save as typed: a figure out of its range or no figure at all
// is refused with the range in the message, the first wrong field named.
TEST(RecordSettings, TypedValuesAreTakenAsTheyAreOrRefusedNamingTheRange) {
  const auto range = [](const char* pattern, const char* low, const char* high) { return FillIn(pattern, {low, high}); };
  const std::string keepDays = range(kMsgRecordKeepDays, "1", "36500");
  const std::string segment = range(kMsgRecordSegmentMinutes, "1", "1440");
  const std::string minFree = range(kMsgRecordMinFreeMb, "0", "1048576");
  const struct {
    RecordSettingsText typed;
    RecordField refused;
    std::string message;
  } cases[] = {
      {{"", " D:\\录音 ", " 7 ", "30", "0"}, RecordField::None, ""},
      {{"", "", "36500", "1440", "1048576"}, RecordField::None, ""},
      {{"", "", "0", "60", "1024"}, RecordField::KeepDays, keepDays},
      {{"", "", "36501", "0", "1024"}, RecordField::KeepDays, keepDays},  // the first wrong field
      {{"", "", "", "60", "1024"}, RecordField::KeepDays, keepDays},
      {{"", "", "42", "1441", "1024"}, RecordField::SegmentMinutes, segment},
      {{"", "", "42", "一小时", "1024"}, RecordField::SegmentMinutes, segment},
      {{"", "", "42", "60", "-1"}, RecordField::MinFreeMb, minFree},
      {{"", "", "42", "60", "99999999999"}, RecordField::MinFreeMb, minFree},
      {{"", "D:\\录音?", "42", "60", "1024"}, RecordField::Folder, kMsgRecordFolderChars},
      {{"", "D:\\a:b", "42", "60", "1024"}, RecordField::Folder, kMsgRecordFolderChars},
      {{"", "D:\\乗|", "42", "60", "1024"}, RecordField::Folder, kMsgRecordFolderChars},
      {{"", "D:\\乗", "42", "60", "1024"}, RecordField::None, ""},  // no '|' or '\\' but its second byte
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed.folder + "|" + c.typed.keepDays + "|" + c.typed.segmentMinutes + "|" + c.typed.minFreeMb);
    const RecordSettingsCheck check = CheckTypedRecordSettings(true, c.typed);
    EXPECT_EQ(check.refused, c.refused);
    EXPECT_EQ(check.message, c.message);
  }
  const RecordSettingsCheck taken = CheckTypedRecordSettings(true, cases[0].typed);
  EXPECT_TRUE(taken.settings.enabled);
  EXPECT_EQ(taken.settings.folder, "D:\\录音");
  EXPECT_EQ(taken.settings.keepDays, 7);
  EXPECT_EQ(taken.settings.segmentMinutes, 30);
  EXPECT_EQ(taken.settings.minFreeMb, 0);
}

// The folder's figures in the settings window: only the program's recordings count.
TEST(FolderFigures, RecordingsAreTalliedAndSizesReadAsAPersonReadsThem) {
  FolderTally tally;
  for (const char* name : {"2026-12-07_10-00-00.aac", "rec-1234-1_00002.aac", "notes.txt", "2026-13-07_10-00-00.aac"})
    TallyFile(tally, name, 3 * kBytesPerMb);
  EXPECT_EQ(tally.files, 2);
  EXPECT_EQ(tally.bytes, 6 * kBytesPerMb);
  const struct {
    unsigned long long bytes;
    const char* text;
  } sizes[] = {
      {0, "0 MB"}, {kBytesPerMb * 25 / 2, "12.5 MB"}, {kBytesPerMb * 1023, "1023 MB"},
      {kBytesPerMb * 1536, "1.5 GB"}, {kBytesPerMb * 1024 * 1024 * 2, "2.0 TB"},
  };
  for (const auto& s : sizes) EXPECT_EQ(SizeText(s.bytes), s.text);
}

// The value right after an option, as the encoder reads the line.
std::string After(const Names& args, const std::string& option) {
  const auto at = std::find(args.begin(), args.end(), option);
  return at == args.end() || at + 1 == args.end() ? "<missing>" : *(at + 1);
}

TEST(RecordingCommandLine, TheDeviceBitrateEncoderCutsAndPatternReachTheEncoderAsOneArgumentEach) {
  const struct {
    std::string device, bitrate, encoder, folder;
    int seconds;
    std::string pattern;  // as ffmpeg reads it
  } cases[] = {
      {"Mic", "48", "libfdk_aac", "C:\\PushClient\\录音", 3600, "C:\\PushClient\\录音\\rec-7-1_%05d.aac"},
      {"乗 \"Line\" In\\", "128", "aac", "D:\\100% on air", 60, "D:\\100%% on air\\rec-7-1_%05d.aac"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.device);
    const Names args =
        SplitCommandLineArgs(BuildRecordArgs(c.device, c.bitrate, c.encoder, c.seconds, SegmentPattern(c.folder, "7-1")));
    EXPECT_EQ(After(args, "-i"), "audio=" + c.device);
    EXPECT_EQ(After(args, "-b:a"), c.bitrate + "k");
    EXPECT_EQ(After(args, "-c:a"), c.encoder);
    EXPECT_EQ(After(args, "-f"), "dshow");
    EXPECT_EQ(After(args, "-segment_format"), "adts");
    EXPECT_EQ(After(args, "-segment_format_options"), "flush_packets=1");
    EXPECT_EQ(After(args, "-segment_time"), std::to_string(c.seconds));
    EXPECT_EQ(After(args, "-segment_atclocktime"), "1");
    EXPECT_EQ(args.back(), c.pattern);
    EXPECT_EQ(std::count(args.begin(), args.end(), "-nostdin"), 0) << "'q' ends it";
  }
}

TEST(RecordingNames, EachSegmentIsNamedByTheTimeItsAudioStarts) {
  const struct {
    int index;
    const char* made;
    int minutes;
    const char* name;
  } cases[] = {
      {0, "2026-12-07 10:17:23", 60, "2026-12-07_10-17-23.aac"},  // the run's start
      {1, "2026-12-07 11:00:03", 60, "2026-12-07_11-00-00.aac"},  // its cut
      {5, "2026-12-08 00:00:10", 60, "2026-12-08_00-00-00.aac"},
      {5, "2026-12-07 10:10:03", 60, "2026-12-07_10-10-03.aac"},  // cut by a clock set back
      {2, "2026-12-07 23:55:01", 7, "2026-12-07_23-55-00.aac"},   // 7 min: 1435 is 205 of them
      {3, "2027-01-01 00:00:02", 7, "2027-01-01_00-00-00.aac"},   // and midnight, in a new year
      {1, "2028-02-29 00:00:02", 1440, "2028-02-29_00-00-00.aac"},
      {0, "2026-12-07 10:59:58", 60, "2026-12-07_10-59-58.aac"},  // a first file is never a cut's
  };
  for (const auto& c : cases) {
    const LocalSeconds start = SegmentStart(c.index, At(c.made), c.minutes * 60);
    EXPECT_EQ(RecordingFileName(start), c.name) << c.made;
    ASSERT_TRUE(ParseRecordingName(c.name)) << c.name;
    EXPECT_EQ(ParseRecordingName(c.name)->start, start);
  }
  // A clock set back has the name taken: the next is free.
  EXPECT_EQ(FreeRecordingName(At("2026-12-07 11:00:00"), {"2026-12-07_11-00-00.aac", "2026-12-07_11-00-00_2.aac"}),
            "2026-12-07_11-00-00_3.aac");
  for (const char* name : {"2026-12-07_11-00-00_2.aac", "2026-12-07_23-59-59.aac"})
    EXPECT_TRUE(ParseRecordingName(name)) << name;
  for (const char* name : {"2026-12-07_11-00-00_1.aac", "2026-12-07_11-00-00_02.aac", "2026-12-07_11-00-00.AAC",
                           "2026-12-07_24-00-00.aac", "2026-02-29_10-00-00.aac", "2026-12-07_11-00-00_.aac",
                           "2026-12-07 11-00-00.aac", "x2026-12-07_11-00-00.aac", "rec-7-1_00000.aac"})
    EXPECT_FALSE(ParseRecordingName(name)) << name;
  EXPECT_EQ(ParseSegmentName("rec-7-12_00031.aac")->index, 31);
  for (const char* name : {"rec-7-1_.aac", "rec-_00001.aac", "rec-7 1_00001.aac", "rec-7-1_0000x.aac"})
    EXPECT_FALSE(ParseSegmentName(name)) << name;
}

TEST(RecordingRetention, OnlyRecordingsOlderThanTheKeptDaysGoNotThisRunsNorOnADateTheClockJumpedTo) {
  const Names folder = {"2026-10-26_10-00-00.aac",  // 42 days before 2026-12-07
                        "2026-10-25_23-00-00_2.aac", "2026-10-25_23-00-00.aac.txt", "2026-10-25.log",
                        "rec-7-1_00000.aac", "2026-12-06_10-00-00.aac", "2026-10-25_23-00-00.aac"};
  const Names both = {"2026-10-26_10-00-00.aac", "2026-10-25_23-00-00_2.aac"};
  struct Step {
    const char* today;
    Names deleted;
  };
  const struct {
    const char* what;
    std::vector<Step> steps;
  } cases[] = {
      {"start, then midnight", {{"2026-12-07", {"2026-10-25_23-00-00_2.aac"}},
                                {"2026-12-07", {}},
                                {"2026-12-08", {"2026-10-26_10-00-00.aac"}}}},
      {"a CMOS reset, then put right", {{"2001-01-01", {}}, {"2026-12-07", {}}, {"2026-12-08", both}}},
      {"started three days after the newest: a jump", {{"2026-12-09", {}}, {"2026-12-10", both}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    RecordingRetention retention;
    retention.Written("2026-10-25_23-00-00.aac");  // saved in this run, under a clock set back
    Names names = folder;
    for (const Step& step : c.steps) {
      SCOPED_TRACE(step.today);
      Names deleted = retention.Look(names, DayOfLocalSeconds(At(step.today)), 42);
      EXPECT_EQ(deleted, step.deleted);
      for (const std::string& name : deleted) names.erase(std::find(names.begin(), names.end(), name));
    }
  }
}

TEST(SpaceFloor, TheOldestGoFirstThenTheRecordingPausesAndGoesOnAboveTheMargin) {
  constexpr unsigned long long MB = kBytesPerMb;
  const std::vector<FileSize> files = {{"2026-12-07_09-00-00.aac", 900 * MB},  // today's
                                       {"2026-12-05_10-00-00.aac", 100 * MB},
                                       {"2026-12-05_09-00-00_2.aac", 100 * MB},
                                       {"2026-12-05_09-00-00.aac", 100 * MB},
                                       {"2027-01-01_09-00-00.aac", 900 * MB},  // the clock was set back
                                       {"notes.wav", 900 * MB},
                                       {"rec-7-1_00003.aac", 900 * MB}};
  struct Step {
    unsigned long long freeMb;
    Names removed;
    SpaceChange change;
  };
  const std::vector<Step> steps = {
      {1024, {}, SpaceChange::None},
      {950, {"2026-12-05_09-00-00.aac"}, SpaceChange::None},
      {850, {"2026-12-05_09-00-00.aac", "2026-12-05_09-00-00_2.aac"}, SpaceChange::None},
      {700, {"2026-12-05_09-00-00.aac", "2026-12-05_09-00-00_2.aac", "2026-12-05_10-00-00.aac"}, SpaceChange::Paused},
      // Paused: files go until the margin is reached too.
      {900, {"2026-12-05_09-00-00.aac", "2026-12-05_09-00-00_2.aac", "2026-12-05_10-00-00.aac"}, SpaceChange::None},
      {1200, {"2026-12-05_09-00-00.aac"}, SpaceChange::Resumed},
      {1100, {}, SpaceChange::None},
  };
  SpaceFloor floor;
  for (const Step& step : steps) {
    SCOPED_TRACE(step.freeMb);
    const SpaceDecision decision = floor.Check(step.freeMb * MB, 1024, files, DayOfLocalSeconds(At("2026-12-07")));
    EXPECT_EQ(decision.remove, step.removed);
    EXPECT_EQ(decision.change, step.change);
  }
}

// A folder in memory. A file the encoder holds open can be neither moved nor deleted, as on Windows; each
// file holds the path it was made under.
struct FakeDisk : RecordingDisk {
  struct File {
    std::string content;
    unsigned long long bytes = 0;
    LocalSeconds made = 0;
    bool open = false;
  };
  std::map<std::string, File> files;  // by path
  bool canMakeFolder = true;
  unsigned long long freeBytes = 1ULL << 40;

  bool MakeFolder(const std::string&) override { return canMakeFolder; }
  std::vector<FolderEntry> ListFiles(const std::string& folder) override {
    std::vector<FolderEntry> entries;
    for (const auto& [path, file] : files)
      if (path.rfind(folder + "\\", 0) == 0) entries.push_back({path.substr(folder.size() + 1), file.bytes, file.made});
    return entries;
  }
  bool Rename(const std::string& from, const std::string& to) override {
    if (!files.count(from) || files[from].open || files.count(to)) return false;
    files[to] = files[from];
    files.erase(from);
    return true;
  }
  bool Remove(const std::string& path) override {
    if (!files.count(path) || files[path].open) return false;
    freeBytes += files[path].bytes;
    files.erase(path);
    return true;
  }
  std::optional<unsigned long long> FreeBytes(const std::string&) override { return freeBytes; }
  std::map<std::string, std::string> Contents() const {
    std::map<std::string, std::string> contents;
    for (const auto& [path, file] : files) contents[path.substr(path.rfind('\\') + 1)] = file.content;
    return contents;
  }
};

// The recording's encoder as ffmpeg behaves: its first segment made at the launch, the next whenever the
// time since local midnight, modulo the period, goes down (at a cut, and when the clock is set back).
// While it runs and sends, each look finds its progress a second on.
// How long the stand-in takes to open the device before its audio begins.
constexpr long long kOpeningMs = 2000;

struct FakeRecorder : RecorderRunner {
  FakeDisk& disk;
  const LocalSeconds& clock;
  FakeRecorder(FakeDisk& d, const LocalSeconds& c) : disk(d), clock(c) {}
  bool running = false, child = false, startFails = false, endsAtOnce = false, sends = true;
  std::string said;
  std::vector<std::string> launches;
  std::optional<bool> result;
  std::string pattern, path;
  int period = 0, index = 0, lastWrapped = 0;
  long long streamMs = 0;

  void Open() {
    char number[16];
    std::snprintf(number, sizeof number, "%05d", index);
    path = pattern.substr(0, pattern.find("%05d")) + number + ".aac";
    disk.files[path] = {path, 1000, clock, true};
    running = true;
  }
  void Close() {
    if (running) disk.files[path].open = false;
    running = false;
  }
  void Launch(const std::string& arguments) override {
    launches.push_back(arguments);
    const Names args = SplitCommandLineArgs(arguments);
    pattern = args.back();
    period = std::stoi(After(args, "-segment_time"));
    result = child = !startFails;
    index = 0;
    streamMs = -kOpeningMs;
    lastWrapped = SecondOfDay(clock) % period;
    // One that ends at once could not open its file.
    if (child && !endsAtOnce) Open();
  }
  // Time goes by for the encoder: it writes, on a file system that tells the last change as the creation
  // time, and cuts as ffmpeg does.
  void Advance() {
    if (running && sends) streamMs += 5000;
    if (running) disk.files[path].made = clock;
    const int wrapped = SecondOfDay(clock) % period;
    if (running && wrapped < lastWrapped) {
      Close();
      ++index;
      Open();
    }
    lastWrapped = wrapped;
  }
  std::optional<bool> TakeLaunchResult() override { return std::exchange(result, std::nullopt); }
  void Stop() override {
    Close();
    child = false;
  }
  bool HasChild() const override { return child; }
  WaitOutcome Poll(unsigned long& rawResult) override {
    rawResult = running ? 258 : 0;
    return running ? WaitOutcome::Running : WaitOutcome::Ended;
  }
  bool ReadOutputTail(std::string& text) override {
    char progress[80];
    const long long ms = std::max(streamMs, 0LL);
    std::snprintf(progress, sizeof progress, "size=N/A time=%02lld:%02lld:%02lld.00 bitrate=N/A\r",
                  ms / 3600000, ms / 60000 % 60, ms / 1000 % 60);
    text = said + progress;
    return true;
  }
};

const char kFolder[] = "D:\\录音";

std::string InFolder(const std::string& name) { return std::string(kFolder) + "\\" + name; }

// A recording driven tick by tick on a monotonic clock and a local one of its own.
struct Recording {
  FakeDisk disk;
  LocalSeconds local = At("2026-12-07 10:17:23");
  FakeRecorder encoder{disk, local};
  RecordingSession session{encoder, disk, [](const std::string& text) { return text; }, "7"};
  RecordingChoice choice{"Mic", "48", "aac"};
  RecordSettings settings;
  long long now = 1000000;
  RecordingEvents events;

  Recording() { settings.folder = kFolder; }
  Lines Start() { return LogLinesOf(events = session.Start(now, TmOf(local), settings, choice)); }
  Lines Tick() {
    now += 5000;
    local += 5;
    encoder.Advance();
    return LogLinesOf(events = session.Tick(now, TmOf(local), choice));
  }
  void Put(const std::string& name, LocalSeconds made, unsigned long long bytes = 1000) {
    disk.files[InFolder(name)] = {InFolder(name), bytes, made, false};
  }
};

// A whole day in files of an hour: a start at 10:17:23, a clock set back 80 minutes at 11:30, midnight.
// Every segment the encoder wrote is there, each under a name of its own, and nothing else was touched
// but what an earlier run left (named at the start), a recording 43 days old (gone at the start) and
// one 42 days old (gone at midnight).
TEST(RecordingSession, AWholeDayOfFilesEachNamedByItsStartNoneWrittenOver) {
  Recording r;
  r.Put("rec-9-4_00000.aac", At("2026-12-06 08:10:00"));
  r.Put("rec-9-4_00001.aac", At("2026-12-06 09:00:02"));
  r.Put("rec-8-1_00000.aac", At("2026-12-06 09:30:00"), 0);  // a run that failed at once: nothing in it
  r.Put("2026-10-25_09-00-00.aac", 0);
  r.Put("2026-10-26_09-00-00.aac", 0);
  r.Put("rec-7-1_00000.aac.bak", 0);  // a run 7-1 would write next to it
  std::map<std::string, std::string> expected = {{"2026-12-06_08-10-00.aac", InFolder("rec-9-4_00000.aac")},
                                                 {"2026-12-06_09-00-00.aac", InFolder("rec-9-4_00001.aac")},
                                                 {"rec-7-1_00000.aac.bak", InFolder("rec-7-1_00000.aac.bak")}};
  const Lines started = r.Start();
  EXPECT_EQ(started.front(), FillIn(kLogRecordOn, {kFolder}));
  EXPECT_EQ(started.back(), FillIn(kLogRecordExpired, {"1", "42"}));
  for (bool setBack = false; r.local < At("2026-12-08 01:30:00"); r.Tick()) {
    if (r.local != At("2026-12-07 11:30:03") || std::exchange(setBack, true)) continue;
    r.local -= 80 * 60;
  }
  r.session.Stop();
  EXPECT_TRUE(r.session.Finishing());
  EXPECT_EQ(r.Tick(), Lines{FillIn(kLogRecordSaved, {"2026-12-08_01-00-00.aac"})}) << "the last file, once closed";
  EXPECT_FALSE(r.session.Finishing());
  const auto segment = [](int index) {
    char name[32];
    std::snprintf(name, sizeof name, "rec-7-2_%05d.aac", index);
    return InFolder(name);
  };
  expected["2026-12-07_10-17-25.aac"] = segment(0);  // when its audio began, after opening the device
  expected["2026-12-07_11-00-00.aac"] = segment(1);
  expected["2026-12-07_10-10-08.aac"] = segment(2);    // the clock set back cut it
  expected["2026-12-07_11-00-00_2.aac"] = segment(3);  // 11:00 again
  for (int hour = 12; hour <= 25; ++hour) {
    char name[32];
    std::snprintf(name, sizeof name, "2026-12-%02d_%02d-00-00.aac", hour < 24 ? 7 : 8, hour % 24);
    expected[name] = segment(hour - 8);
  }
  EXPECT_EQ(r.disk.Contents(), expected);
}

// The broadcast's schedule and stall rule, each line prefixed as the recording's.
TEST(RecordingSession, AnEncoderThatEndsIsRelaunchedOnTheBroadcastsScheduleAndOneStandingStillIsEnded) {
  Recording r;
  r.encoder.endsAtOnce = true;
  const std::string reason = "D:\\录音\\rec-7-1_00000.aac: Permission denied";
  r.encoder.said = reason + "\n";
  r.Start();
  std::vector<int> relaunchedAt;
  for (int tick = 1; tick <= 40; ++tick) {
    const Lines lines = r.Tick();
    if (lines.empty()) continue;
    relaunchedAt.push_back(tick);
    EXPECT_EQ(lines, (Lines{kLogRecordRelaunch, kLogRecordExitReason + reason}));
    EXPECT_EQ(r.events.front().kind, RecordingEventKind::Failed);
  }
  EXPECT_EQ(relaunchedAt, (std::vector<int>{1, 2, 4, 8, 16, 32}));
  r.encoder.endsAtOnce = false;
  r.encoder.said.clear();
  for (int tick = 41; tick < 64; ++tick) r.Tick();
  EXPECT_EQ(r.Tick(), Lines{kLogRecordRelaunch});
  EXPECT_EQ(r.Tick(), Lines{kLogRecordBack});
  EXPECT_EQ(r.session.State(), RecordingState::Recording);
  r.encoder.sends = false;
  for (int tick = 1; tick < 4; ++tick) EXPECT_EQ(r.Tick(), Lines{});
  const auto saved = [](const char* name) { return FillIn(kLogRecordSaved, {name}); };
  EXPECT_EQ(r.Tick(), (Lines{saved("2026-12-07_10-22-45.aac"), kLogRecordRelaunch, FillIn(kLogRecordStalled, {"20"})}));
  r.encoder.sends = true;
  r.disk.canMakeFolder = false;
  r.encoder.Stop();
  EXPECT_EQ(r.Tick(),
            (Lines{saved("2026-12-07_10-23-08.aac"), kLogRecordRelaunch, FillIn(kLogRecordFolderFailed, {kFolder})}));
  EXPECT_EQ(r.session.State(), RecordingState::Down);
}

// Below the floor yesterday's recording goes; with nothing more to delete the recording pauses, its file
// named, and goes on above the margin, each said once.
TEST(RecordingSession, ShortSpacePausesTheRecordingAndMoreSpaceResumesIt) {
  Recording r;
  r.Put("2026-12-06_10-00-00.aac", 0, 200 * kBytesPerMb);
  r.disk.freeBytes = 900 * kBytesPerMb;
  EXPECT_EQ(r.Start().at(1), FillIn(kLogRecordSpaceFreed, {"1024", "2026-12-06_10-00-00.aac"}));
  EXPECT_EQ(r.session.State(), RecordingState::Starting);
  r.disk.freeBytes = 1000 * kBytesPerMb;
  EXPECT_EQ(r.Tick(), Lines{FillIn(kLogRecordPaused, {"1024"})});
  EXPECT_EQ(r.session.State(), RecordingState::Paused);
  EXPECT_FALSE(r.encoder.HasChild());
  EXPECT_EQ(r.Tick(), Lines{FillIn(kLogRecordSaved, {"2026-12-07_10-17-25.aac"})});
  r.disk.freeBytes = 1200 * kBytesPerMb;
  EXPECT_EQ(r.Tick(), Lines{}) << "within the margin";
  r.disk.freeBytes = 1300 * kBytesPerMb;
  EXPECT_EQ(r.Tick(), Lines{kLogRecordResumed});
  EXPECT_EQ(r.encoder.launches.size(), 2u);
  EXPECT_EQ(r.Tick(), Lines{});
  EXPECT_EQ(r.session.State(), RecordingState::Recording);
}

}  // namespace
