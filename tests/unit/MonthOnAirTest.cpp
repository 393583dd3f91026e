// A month on air without a visit, in a second: the live session and the activity log driven by a fake
// clock over 31 days, with an encoder that writes what a real one writes and a network that flaps now and
// then. Nothing may grow without bound, nothing may stop in silence, and the one planned relaunch before
// the stream's time stamps wrap must come exactly once.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "MemoryFolder.h"
#include "log/LogBook.h"
#include "res/Texts.h"
#include "streaming/LiveSession.h"
#include "streaming/StatusRecord.h"
#include "text/AnsiText.h"

namespace {

constexpr long long kSecondMs = 1000;
constexpr long long kHourMs = 3600 * kSecondMs;
constexpr int kDays = 31;

// An encoder that writes its output as a real one does and ends when the network drops it. Its output
// goes through the status file's rule, one minute at a time; what the session reads is its latest lines.
struct MonthEncoder : EncoderRunner {
  bool running = false, awake = false;
  long long streamMs = 0;  // its own clock: where its progress lines stand
  std::string latest;      // what the last look at its output found
  int launches = 0;
  StatusRecord record;     // the status file's rule, afresh at each launch
  std::size_t fileBytes = 0, mostFileBytes = 0;
  std::string minuteOfOutput;  // what it writes in a minute: progress and level twice a second

  MonthEncoder() {
    for (int half = 0; half < 120; ++half)
      minuteOfOutput += "[ametadata@level @ 0] frame:1    pts:22050   pts_time:0.5\n"
                        "[ametadata@level @ 0] lavfi.astats.Overall.Peak_level=-20.000000\n"
                        "size=     123kB time=00:00:01.50 bitrate=  48.0kbits/s speed=1x    \r";
  }
  void Launch(const std::string&) override {
    running = true;
    streamMs = 0;
    ++launches;
    record = StatusRecord();
    fileBytes = 0;
  }
  std::optional<LaunchResult> TakeLaunchResult() override { return std::nullopt; }
  void Stop() override { running = false; }
  bool HasChild() const override { return running; }
  WaitOutcome Poll(unsigned long& rawResult) override {
    rawResult = running ? 258 : 0;
    return running ? WaitOutcome::Running : WaitOutcome::Ended;
  }
  bool ReadStatusTail(std::string& text) override { return text = latest, true; }
  bool StatusFileFailing() override { return false; }
  void KeepSystemAwake(bool on) override { awake = on; }

  // periodMs of output: progress moving on and the level it measured.
  void Write(long long periodMs, const char* peakDb) {
    if (!running) return;
    streamMs += periodMs;
    char progress[96];
    std::snprintf(progress, sizeof progress, "size=  12kB time=%lld:%02lld:%02lld.00 bitrate=  48.0kbits/s speed=1x\r",
                  streamMs / kHourMs, streamMs / 60000 % 60, streamMs / 1000 % 60);
    latest = std::string("[ametadata@level @ 0] lavfi.astats.Overall.Peak_level=") + peakDb + "\n" + progress;
    if (streamMs % 60000 != 0) return;
    const StatusRecord::FileWrite write = record.Take(minuteOfOutput);
    fileBytes = (write.startOver ? 0 : fileBytes) + write.bytes.size();
    mostFileBytes = std::max(mostFileBytes, fileBytes);
  }
  void Drop() {
    running = false;
    latest += "\nrtmp://127.0.0.1/live/secret: Connection reset by peer\n";
  }
};

std::tm LocalTimeAt(long long ms) {
  // 2026-12-01 00:00:00 and on, as the machine's clock tells it: 31 days stay in December.
  std::tm t = {};
  const long long seconds = ms / kSecondMs;
  t.tm_year = 2026 - 1900;
  t.tm_mon = 11;
  t.tm_mday = 1 + static_cast<int>(seconds / 86400);
  t.tm_hour = static_cast<int>(seconds / 3600 % 24);
  t.tm_min = static_cast<int>(seconds / 60 % 60);
  t.tm_sec = static_cast<int>(seconds % 60);
  return t;
}

TEST(MonthOnAir, NothingGrowsNothingStopsInSilenceAndTheTimeStampsNeverWrap) {
  MonthEncoder encoder;
  LiveSession session(encoder, [](const std::string& text) { return text; });
  MemoryFolder disk;
  LogBook book(disk, [](const std::string& text) { return text; });
  const long long start = 0;
  std::tm now = LocalTimeAt(start);
  book.Open("logs", &now);

  std::vector<std::string> logged;  // every line the list was handed, stamped
  std::size_t shown = 0, mostShown = 0;
  auto log = [&](long long atMs, const std::vector<std::string>& lines) {
    for (const std::string& line : lines) {
      const std::tm t = LocalTimeAt(atMs);
      const LogUpdate update = book.Add(&t, line);
      for (const std::string& added : update.add) logged.push_back(added);
      shown = shown + update.add.size() - update.dropOldest;
      mostShown = std::max(mostShown, shown);
    }
  };

  session.LearnEncoder("ffmpeg version 6.1\n  configuration: --enable-gpl --enable-gnutls\n");
  const StreamChoice choice{"Mic", "48", "rtmp://127.0.0.1/live/secret"};
  long long nowMs = start;
  log(nowMs, LogLinesOf(session.Start(nowMs, choice)));
  int planned = 0;
  long long plannedAfterRunMs = 0;
  long long runStartMs = nowMs;
  const std::string plannedPrefix = FillIn(kLogPlannedRelaunch, {""}).substr(0, 12);
  for (nowMs += kWatchdogPeriodMs; nowMs < start + kDays * kDayMs; nowMs += kWatchdogPeriodMs) {
    const long long dayMs = (nowMs - start) % kDayMs;
    const int day = static_cast<int>((nowMs - start) / kDayMs);
    // The first morning the line flaps every ten seconds; on the last days now and then.
    const bool flapping = (day == 0 && dayMs < 9 * kHourMs && dayMs % (10 * kSecondMs) == 0) ||
                          (day >= 28 && dayMs % (7 * kHourMs) == 0);
    if (flapping) encoder.Drop();
    // Every night at three the studio is silent for a minute.
    const bool quiet = dayMs >= 3 * kHourMs && dayMs < 3 * kHourMs + 60 * kSecondMs;
    encoder.Write(kWatchdogPeriodMs, quiet ? "-70.0" : "-20.0");
    if (day == 29 && dayMs == 12 * kHourMs) log(nowMs, LogLinesOf(session.Stop()));  // switched off for an hour
    if (day == 29 && dayMs == 13 * kHourMs) log(nowMs, LogLinesOf(session.Start(nowMs, choice)));
    ASSERT_EQ(encoder.awake, session.IsLive()) << "day " << day;

    const int launchesBefore = encoder.launches;
    log(nowMs, LogLinesOf(session.Listen(nowMs)));
    const std::vector<std::string> lines = LogLinesOf(session.Tick(nowMs, choice));
    log(nowMs, lines);
    for (const std::string& line : lines) {
      if (line.compare(0, plannedPrefix.size(), plannedPrefix) != 0) continue;
      ++planned;
      plannedAfterRunMs = nowMs - runStartMs;
    }
    if (encoder.launches != launchesBefore) runStartMs = nowMs;
    const std::tm t = LocalTimeAt(nowMs);
    if (dayMs % 60000 == 0) book.Tick(&t);
  }

  EXPECT_LE(encoder.mostFileBytes, kStatusFileMaxBytes);
  EXPECT_GT(encoder.mostFileBytes, kStatusFileMaxBytes / 2) << "the month must fill the status file";
  EXPECT_EQ(planned, 1);
  EXPECT_GE(plannedAfterRunMs, kPlannedRelaunchEarliestMs);
  EXPECT_LE(plannedAfterRunMs, kPlannedRelaunchLatestMs);
  EXPECT_GT(logged.size(), kMaxLogLines) << "the month must fill the list";
  EXPECT_LE(mostShown, kMaxLogLines);
  // Every line is in the file of its day, in order.
  std::string all;
  for (const auto& file : disk.files) all += file.second;
  std::size_t at = 0;
  for (const std::string& line : logged) {
    at = all.find(line + "\r\n", at);
    ASSERT_NE(at, std::string::npos) << line;
  }
  EXPECT_EQ(disk.files.size(), static_cast<std::size_t>(kDays)) << "one file a day, none deleted within 90 days";
}

}  // namespace
