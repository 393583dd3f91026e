#include "streaming/LiveSession.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "encoder/AudioLevels.h"
#include "encoder/EncoderCommandLine.h"
#include "res/Texts.h"
#include "text/AnsiText.h"

namespace {

// A progress line at any stream time, hours as long as they come.
std::string ProgressAt(long long ms) {
  char line[96];
  std::snprintf(line, sizeof line, "size=  12kB time=%lld:%02lld:%02lld.00 bitrate=  48.0kbits/s speed=1x\r",
                ms / 3600000, ms / 60000 % 60, ms / 1000 % 60);
  return line;
}

// An encoder that runs, ends at once after each launch, or fails to start, as a test tells it, and has
// said what the test puts in its status. While it runs and sends, each look finds its progress a second on.
struct FakeEncoder : EncoderRunner {
  bool endsAtOnce = false, startFails = false, outputLost = false, child = false, running = false;
  bool sends = true;
  bool awake = false;
  bool statusFileFailing = false;
  std::string status;
  long long streamMs = 0;
  int statusReads = 0;
  std::vector<std::string> launches;  // the argument string of each launch

  std::optional<LaunchResult> result, later;
  bool tellsLater = false;  // the launch's outcome waits in later until the test hands it over
  void Launch(const std::string& arguments) override {
    launches.push_back(arguments);
    child = !startFails;
    running = child && !endsAtOnce;
    streamMs = 0;
    (tellsLater ? later : result) = LaunchResult{child, !outputLost};
  }
  std::optional<LaunchResult> TakeLaunchResult() override { return std::exchange(result, std::nullopt); }
  void Stop() override { child = running = false; }
  bool HasChild() const override { return child; }
  WaitOutcome Poll(unsigned long& rawResult) override {
    rawResult = running ? 258 : 0;
    return running ? WaitOutcome::Running : WaitOutcome::Ended;
  }
  void KeepSystemAwake(bool on) override { awake = on; }
  bool ReadStatusTail(std::string& text) override {
    ++statusReads;
    text = status;
    if (running && sends) text += ProgressAt(streamMs += 1000);
    return !outputLost;
  }
  bool StatusFileFailing() override { return statusFileFailing; }
  void End() { running = false; }
};

// A session driven tick by tick on a clock of its own.
struct Broadcast {
  FakeEncoder encoder;
  LiveSession session{encoder, [](const std::string& text) { return text; }};
  StreamChoice choice{"Mic", "48", "rtmp://127.0.0.1/live/secret"};
  long long now = 1000000;  // any monotonic reading
  SessionEvents events;     // of the latest call

  std::vector<std::string> Start() { return LogLinesOf(events = session.Start(now, choice)); }
  std::vector<std::string> Tick() { return LogLinesOf(events = session.Tick(now += kWatchdogPeriodMs, choice)); }
  std::vector<std::string> Listen(long long atMs) { return LogLinesOf(events = session.Listen(atMs)); }
  std::vector<SessionEventKind> Kinds() const {
    std::vector<SessionEventKind> kinds;
    for (const SessionEvent& event : events) kinds.push_back(event.kind);
    return kinds;
  }
};

using Lines = std::vector<std::string>;
using Kinds = std::vector<SessionEventKind>;
const std::string kRefused = "rtmp://127.0.0.1/live/secret: Connection refused\n";
const std::string kReason = std::string(kLogEncoderExitReason) + "rtmp://127.0.0.1/live/****: Connection refused";

const char kBannerWithoutFdk[] = "ffmpeg version 4.1\n  configuration: --enable-gpl --enable-gnutls\n";

std::string Level(const char* db) {
  return std::string("[ametadata@level @ 000001d7c2a3e4c0] lavfi.astats.Overall.Peak_level=") + db + "\n";
}

TEST(LiveSession, AnEncoderThatKeepsEndingIsRelaunchedOnTheScheduleWithItsReason) {
  Broadcast b;
  b.encoder.endsAtOnce = true;
  b.encoder.status = kRefused;
  EXPECT_EQ(b.Start(), Lines{kLogOnAir});
  EXPECT_TRUE(b.encoder.awake);
  std::vector<int> relaunchedAt;
  for (int tick = 1; tick <= 200; ++tick) {
    const Lines lines = b.Tick();
    if (lines.empty()) continue;
    EXPECT_EQ(lines, (Lines{kLogRelaunch, kReason})) << "tick " << tick;
    relaunchedAt.push_back(tick);
  }
  // After 0, 5, 15, 35, 75 and 155 seconds, then every 160 seconds.
  EXPECT_EQ(relaunchedAt, (std::vector<int>{1, 2, 4, 8, 16, 32, 64, 96, 128, 160, 192}));
  EXPECT_EQ(b.encoder.launches.size(), 12u);
  EXPECT_EQ(b.session.Figures(b.now).relaunches, 11);
}

TEST(LiveSession, AnEncoderThatEndsOnceIsBackOnAirAtItsFirstProgress) {
  Broadcast b;
  b.Start();
  EXPECT_TRUE(b.session.Figures(b.now).connecting) << "not on air before data goes out";
  EXPECT_EQ(b.Tick(), Lines{});
  EXPECT_EQ(b.Kinds(), Kinds{SessionEventKind::OnAir}) << "the first progress, said at the click already";
  EXPECT_EQ(b.session.Figures(b.now + 1000).uptimeMs, 1000) << "on air from the first progress";
  b.encoder.End();
  EXPECT_EQ(b.Tick(), Lines{kLogRelaunch});  // it said nothing: no reason line
  EXPECT_EQ(b.Kinds(), Kinds{SessionEventKind::Dropped});
  EXPECT_EQ(b.Tick(), Lines{kLogOnAir});
  EXPECT_EQ(b.Kinds(), Kinds{SessionEventKind::BackOnAir});
  EXPECT_EQ(b.Tick(), Lines{});
  EXPECT_EQ(b.session.RestartCount(), 0);

  // Off and on again while the count is above zero: the click said it, the first progress ends the count.
  b.encoder.endsAtOnce = true;
  b.encoder.End();
  b.Tick();
  b.Tick();
  EXPECT_EQ(b.session.RestartCount(), 2);
  EXPECT_EQ(LogLinesOf(b.session.Stop()), Lines{kLogOffAir});
  EXPECT_FALSE(b.encoder.HasChild());
  EXPECT_FALSE(b.encoder.awake);
  EXPECT_EQ(b.Tick(), Lines{});  // off air: no watchdog
  b.encoder.endsAtOnce = false;
  b.Start();
  EXPECT_EQ(b.Tick(), Lines{});
  EXPECT_EQ(b.Kinds(), Kinds{SessionEventKind::OnAir});
  EXPECT_EQ(b.session.RestartCount(), 0);
}

TEST(LiveSession, AnEncoderWhoseProgressStandsStillIsEndedAndRelaunched) {
  Broadcast b;
  b.encoder.sends = false;
  b.encoder.status = kRefused;  // a moving encoder's status file may hold anything before its progress
  b.Start();
  int stream = 0;
  for (int tick = 1; tick <= 12; ++tick) {
    stream += 4;
    b.encoder.status += ProgressAt(stream * 1000);
    EXPECT_EQ(b.Tick(), Lines{}) << "a moving encoder is left alone, tick " << tick;
  }
  // The connection hangs: the progress time stays where it is for 20 s.
  for (int tick = 1; tick < 4; ++tick) EXPECT_EQ(b.Tick(), Lines{});
  EXPECT_EQ(b.Tick(), (Lines{kLogRelaunch, FillIn(kLogEncoderStalled, {"20"})}));
  EXPECT_EQ(b.encoder.launches.size(), 2u);
  EXPECT_TRUE(b.encoder.HasChild());
}

// A route that swallows packets, a server that accepts and hangs: the encoder runs and never gets data
// out. It is never taken for on air, and the stall rule's relaunches widen as the schedule does.
TEST(LiveSession, AnEncoderThatNeverGetsDataOutIsNoReturnAndBacksOff) {
  Broadcast b;
  b.encoder.sends = false;
  b.Start();
  std::vector<int> relaunchedAt;
  for (int tick = 1; tick <= 20; ++tick) {
    const Lines lines = b.Tick();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), kLogOnAir), 0) << tick;
    if (b.encoder.launches.size() == relaunchedAt.size() + 1) continue;
    if (relaunchedAt.empty()) EXPECT_EQ(b.Kinds().front(), SessionEventKind::NoDataOut);
    relaunchedAt.push_back(tick);
  }
  EXPECT_EQ(relaunchedAt, (std::vector<int>{4, 8, 13, 20}));
  EXPECT_TRUE(b.session.Figures(b.now).connecting);
  b.encoder.sends = true;
  EXPECT_EQ(b.Tick(), Lines{kLogOnAir});
  EXPECT_EQ(b.Kinds(), Kinds{SessionEventKind::OnAir}) << "on air for the first time since the click";
  EXPECT_EQ(b.session.RestartCount(), 0);
}

// The status file is the user's mirror of the encoder's output: one that cannot be written is said once,
// and so is its return, and the broadcast goes on.
TEST(LiveSession, AStatusFileThatCannotBeWrittenIsSaidOnceAndEndsNothing) {
  Broadcast b;
  b.Start();
  b.encoder.statusFileFailing = true;
  EXPECT_EQ(b.Tick(), Lines{kLogStatusFileFailing});
  for (int tick = 1; tick <= 8; ++tick) EXPECT_EQ(b.Tick(), Lines{}) << tick;
  b.encoder.statusFileFailing = false;
  EXPECT_EQ(b.Tick(), Lines{kLogStatusFileWritten});
  EXPECT_EQ(b.encoder.launches.size(), 1u);
}

TEST(LiveSession, LaunchFailuresAreSaidOnceEachAndTriedAgainOnTheSchedule) {
  // The first launch fails (an antivirus holding ffmpeg.exe): said once, tried again at ticks 1, 2, 4, …
  Broadcast first;
  first.encoder.startFails = true;
  first.encoder.outputLost = true;
  EXPECT_EQ(first.Start(), (Lines{kLogOnAir, kStatusFileFailed, kLogCallFailed}));
  EXPECT_EQ(first.session.Figures(first.now + 1000).retryInMs, 4000);
  EXPECT_EQ(first.Tick(), (Lines{kLogRelaunch, kStatusFileFailed, kLogCallFailed}));
  first.encoder.outputLost = false;
  EXPECT_EQ(first.Tick(), (Lines{kLogRelaunch, kLogCallFailed}));
  EXPECT_EQ(first.Tick(), Lines{});
  EXPECT_EQ(first.session.Figures(first.now).retryInMs, 5000);
  first.encoder.startFails = false;
  EXPECT_EQ(first.Tick(), Lines{kLogRelaunch});
  EXPECT_EQ(first.Tick(), Lines{kLogOnAir});
  EXPECT_EQ(first.encoder.launches.size(), 4u);

  // A relaunch that fails does the same.
  Broadcast later;
  later.Start();
  later.encoder.End();
  later.encoder.startFails = true;
  EXPECT_EQ(later.Tick(), (Lines{kLogRelaunch, kLogCallFailed}));
  EXPECT_EQ(later.Tick(), (Lines{kLogRelaunch, kLogCallFailed}));
  EXPECT_EQ(later.Tick(), Lines{});
  later.encoder.startFails = false;
  EXPECT_EQ(later.Tick(), Lines{kLogRelaunch});
  EXPECT_EQ(later.Tick(), Lines{kLogOnAir});

  // The system may take its time to start a process: a failure known later is said at the next look.
  Broadcast slow;
  slow.encoder.startFails = true;
  slow.encoder.tellsLater = true;
  EXPECT_EQ(slow.Start(), Lines{kLogOnAir});
  slow.encoder.result = slow.encoder.later;
  EXPECT_EQ(slow.Listen(slow.now + 500), Lines{kLogCallFailed});
  EXPECT_EQ(slow.Tick(), Lines{kLogRelaunch}) << "the schedule goes on";
}

TEST(LiveSession, ALongRunIsRelaunchedOnceBeforeItsTimeStampsWrap) {
  // The quiet moment after day 23 is the month's (MonthOnAirTest); here, the bounds around it.
  const std::string planned24 = FillIn(kLogPlannedRelaunch, {"24"});
  const struct {
    const char* level;   // what the meter reads throughout, or nullptr for an encoder without the meter
    long long quietAtMs;  // when a quiet reading comes, from the launch; 0: never
    long long relaunchAtMs;
    std::string line;
  } cases[] = {
      {nullptr, 0, kPlannedRelaunchLatestMs, planned24},
      {"-20.0", kPlannedRelaunchEarliestMs - kDayMs, kPlannedRelaunchLatestMs, planned24},  // too early
  };
  for (const auto& c : cases) {
    Broadcast b;
    b.encoder.sends = false;
    if (c.level) b.session.LearnEncoder(kBannerWithoutFdk);
    b.Start();
    const long long launched = b.now;
    const std::string level = c.level ? Level(c.level) : "";
    int relaunches = 0;
    long long relaunchedAt = 0;
    // The first 22 days change nothing: the clock jumps over them.
    b.now += kPlannedRelaunchEarliestMs - kDayMs;
    while (b.now - launched < kPlannedRelaunchLatestMs + kDayMs / 4) {
      const long long at = b.now - launched;
      const bool quiet = c.quietAtMs && at == c.quietAtMs;
      b.encoder.status = ProgressAt(at) + (quiet ? Level("-70.0") : level);
      // The meter's look comes between two of the watchdog's.
      b.session.Listen(b.now + 500);
      const Lines lines = b.Tick();
      if (lines.empty()) continue;
      ++relaunches;
      relaunchedAt = b.now - launched;
      EXPECT_EQ(lines, Lines{c.line});
    }
    EXPECT_EQ(relaunches, 1) << c.relaunchAtMs;
    EXPECT_EQ(relaunchedAt, c.relaunchAtMs);
    EXPECT_EQ(b.session.RestartCount(), 0) << "the schedule is untouched";
    EXPECT_EQ(b.session.Figures(b.now).relaunches, 0);
  }
}

TEST(LiveSession, RelaunchesUseTheChoiceOfTheMomentAndTheEncoderItCanRun) {
  Broadcast unknown;  // an encoder that printed no banner gets the plain line
  unknown.Start();
  EXPECT_EQ(unknown.encoder.launches[0], BuildStreamArgs("Mic", "48", unknown.choice.server));

  Broadcast b;
  b.session.LearnEncoder(kBannerWithoutFdk);
  EXPECT_EQ(b.Start(), (Lines{kLogOnAir, kLogAacFallback}));
  b.session.LearnEncoder("a listing without a banner tells nothing\n");
  b.choice.device = "Line In";
  b.choice.bitrateText = "128";
  b.encoder.End();
  EXPECT_EQ(b.Tick(), Lines{kLogRelaunch});  // the fallback line comes once per run of the program
  ASSERT_EQ(b.encoder.launches.size(), 2u);
  EXPECT_EQ(b.encoder.launches[1], BuildStreamArgs("Line In", "128", b.choice.server, "aac", true));
}

TEST(LiveSession, DeadAirIsSaidOnceAndSoIsTheSoundComingBack) {
  Broadcast b;
  b.session.LearnEncoder(kBannerWithoutFdk);
  b.Start();
  b.encoder.status = Level("-20.0") + Level("-inf");
  for (int ms = 0; ms < 10000; ms += 500) EXPECT_EQ(b.Listen(b.now + ms), Lines{}) << ms;
  EXPECT_EQ(b.Listen(b.now + 10000), Lines{DeadAirText()});
  EXPECT_EQ(b.Listen(b.now + 10500), Lines{});
  LiveFigures figures = b.session.Figures(b.now + 10500);
  EXPECT_TRUE(figures.metered && figures.silent);
  EXPECT_EQ(figures.peakDb, kSilenceFloorDb);
  b.encoder.status += Level("-12.5");
  EXPECT_EQ(b.Listen(b.now + 11000), Lines{kLogSoundBack});
  figures = b.session.Figures(b.now + 11000);
  EXPECT_FALSE(figures.silent);
  EXPECT_EQ(figures.peakDb, -12.5);
}

TEST(LiveSession, AnEncoderThatRefusesTheMeterStreamsWithoutIt) {
  Broadcast b;
  b.session.LearnEncoder(kBannerWithoutFdk);
  b.Start();
  b.encoder.status = "[AVFilterGraph @ 000001] No such filter: 'astats'\nError initializing complex filters.\n";
  b.encoder.End();
  const Lines lines = b.Tick();
  EXPECT_NE(std::find(lines.begin(), lines.end(), kLogLevelMeterOff), lines.end());
  EXPECT_EQ(b.encoder.launches.back().find("-filter_complex"), std::string::npos);
  b.encoder.End();
  for (const std::string& line : b.Tick()) EXPECT_NE(line, kLogLevelMeterOff) << "said once";
  EXPECT_FALSE(b.session.Figures(b.now).metered);
}

TEST(LiveSession, AServerStillHoldingTheNameIsSaidSo) {
  Broadcast b;
  b.encoder.status = "[rtmp @ 0000021f] Server error: Already publishing\n"
                     "rtmp://127.0.0.1/live/secret: Operation not permitted\n";
  b.Start();
  b.encoder.End();
  EXPECT_EQ(b.Tick(), (Lines{kLogRelaunch, std::string(kLogEncoderExitReason) + kLogAlreadyPublishing}));
}

// The recording beside the broadcast gives way when the broadcast's encoder finds the device held.
TEST(LiveSession, AnEndingTellsWhetherTheDeviceWasHeld) {
  for (bool held : {false, true}) {
    Broadcast b;
    b.encoder.status = held ? "[dshow @ 1] Could not run graph (sometimes caused by a device already in use)\n"
                              "audio=Mic: I/O error\n"
                            : kRefused;
    b.Start();
    b.encoder.End();
    b.Tick();
    EXPECT_EQ(b.events.at(0).kind, SessionEventKind::NoDataOut);
    EXPECT_EQ(b.events.at(0).deviceInUse, held);
  }
}

TEST(LiveSession, WhileTheEncoderIsDownTheNextAttemptIsCountedDown) {
  Broadcast b;
  b.encoder.endsAtOnce = true;
  b.Start();
  EXPECT_FALSE(b.session.Figures(b.now + 1000).retryInMs) << "nothing is known before the first tick";
  b.Tick();
  b.Tick();  // relaunched at counts 1 and 2, down again: the next attempt comes at count 4
  EXPECT_EQ(b.session.Figures(b.now + 1000).retryInMs, 9000);
  b.Tick();
  EXPECT_EQ(b.session.Figures(b.now).retryInMs, 5000);
  b.encoder.endsAtOnce = false;
  b.Tick();
  EXPECT_FALSE(b.session.Figures(b.now).retryInMs) << "the relaunched encoder runs";
}

TEST(LiveSession, TheLooksOfOneTimerTickReadTheStatusOnce) {
  Broadcast b;
  b.session.LearnEncoder(kBannerWithoutFdk);
  b.Start();
  b.encoder.sends = false;
  b.encoder.status = ProgressAt(1000);
  const int before = b.encoder.statusReads;
  b.session.Listen(b.now + 500);
  EXPECT_EQ(b.session.Figures(b.now + 500).kbitPerSecond, 48.0);
  EXPECT_EQ(b.encoder.statusReads, before + 1);
  b.Tick();
  b.session.Figures(b.now);
  EXPECT_EQ(b.encoder.statusReads, before + 2);
}

}  // namespace
