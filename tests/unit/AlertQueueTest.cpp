#include "alerts/AlertQueue.h"
#include "res/Texts.h"
#include "text/AnsiText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <string>

namespace {

const char kMasked[] = "https://oapi.dingtalk.com/****";

// An alert posted at the given minute and second of 2026-12-07 14:mm:ss.
AlertMessage At(AlertEvent event, int minute, int second, std::string text = u8"掉线") {
  AlertMessage message;
  message.event = event;
  message.text = std::move(text);
  message.station = u8"一台";
  message.time = {2026, 12, 7, 14, minute, second, 480};
  return message;
}

std::string GaveUp(const char* naming) { return FillIn(kAlertGaveUp, {"10", naming}); }
std::string Failed(const char* reason) { return kAlertSendFailed + std::string(kMasked) + " (" + reason + ")"; }
const std::string kRecovered = kAlertSendRecovered + std::string(kMasked);

Delivery Answer(DeliveryVerdict verdict, std::string failure = "", std::optional<long long> waitMs = std::nullopt,
                bool clockSuspect = false) {
  Delivery delivery;
  delivery.verdict = verdict;
  delivery.failure = std::move(failure);
  delivery.waitMs = waitMs;
  delivery.clockSuspect = clockSuspect;
  return delivery;
}

// Runs the queue as the sender's thread does, from fromMs and one wake-up to the next, until nothing
// waits or untilMs: each try is answered by answer(nowMs). Returns the times of the tries; the log lines
// are added to log, the texts tried to texts.
std::vector<long long> Drive(AlertQueue& queue, long long fromMs, long long untilMs,
                             const std::function<Delivery(long long)>& answer, AlertLogLines& log,
                             std::vector<std::string>* texts = nullptr) {
  std::vector<long long> tries;
  long long nowMs = fromMs;
  for (auto wake = queue.WakeAtMs(); wake && std::max(nowMs, *wake) <= untilMs; wake = queue.WakeAtMs()) {
    nowMs = std::max(nowMs, *wake);
    AlertQueue::Step step = queue.Next(nowMs);
    log.insert(log.end(), step.log.begin(), step.log.end());
    if (!step.attempt) continue;
    tries.push_back(nowMs);
    if (texts) texts->push_back(step.attempt->message.text);
    const AlertLogLines lines = queue.Finish(step.attempt->id, answer(nowMs), nowMs);
    log.insert(log.end(), lines.begin(), lines.end());
  }
  return tries;
}

Delivery SentOrFailed(bool sent) {
  return sent ? Answer(DeliveryVerdict::Sent) : Answer(DeliveryVerdict::TryAgain, "HTTP 500");
}
const auto kNeverSent = [](long long) { return SentOrFailed(false); };
const auto kAlwaysSent = [](long long) { return SentOrFailed(true); };

}  // namespace

// A webhook that never answers: the first alert is tried for ten minutes with widening pauses, then
// given up; the one behind it waited as long by then and goes after one try. One failure line for the
// whole outage.
TEST(AlertQueue, RetriesWithWideningPausesThenGivesUp) {
  AlertQueue queue(kMasked);
  AlertLogLines log;
  EXPECT_TRUE(queue.Add(At(AlertEvent::DeadAir, 39, 26), 0).empty());
  EXPECT_EQ(Drive(queue, 0, 59999, kNeverSent, log), (std::vector<long long>{0, 5000, 15000, 35000}));
  EXPECT_TRUE(queue.Add(At(AlertEvent::SoundBack, 40, 26), 60000).empty());
  EXPECT_EQ(Drive(queue, 60000, 3600000, kNeverSent, log),
            (std::vector<long long>{75000, 155000, 275000, 395000, 515000, 635000}));
  EXPECT_EQ(log, (AlertLogLines{Failed("HTTP 500"), GaveUp("dead_air 2026-12-07 14:39:26"),
                                GaveUp("sound_back 2026-12-07 14:40:26")}));
  EXPECT_EQ(queue.Waiting(), 0u);
  EXPECT_FALSE(queue.WakeAtMs());
}

// Recovery is said once; a success starts the pauses again from the shortest; the next outage is said
// again.
TEST(AlertQueue, OutagesAndRecoveriesAreLoggedOnce) {
  AlertQueue queue(kMasked);
  AlertLogLines log;
  queue.Add(At(AlertEvent::Dropped, 0, 0), 0);
  queue.Add(At(AlertEvent::OffAir, 0, 1), 0);
  const auto downUntil35s = [](long long nowMs) { return SentOrFailed(nowMs >= 35000); };
  EXPECT_EQ(Drive(queue, 0, 60000, downUntil35s, log), (std::vector<long long>{0, 5000, 15000, 35000, 35000}));
  EXPECT_EQ(log, (AlertLogLines{Failed("HTTP 500"), kRecovered}));

  queue.Add(At(AlertEvent::OnAir, 2, 0), 100000);
  queue.Add(At(AlertEvent::Closing, 2, 1), 100000);
  const auto downOnce = [](long long nowMs) { return SentOrFailed(nowMs != 100000); };
  EXPECT_EQ(Drive(queue, 100000, 200000, downOnce, log), (std::vector<long long>{100000, 105000, 105000}));
  EXPECT_EQ(log, (AlertLogLines{Failed("HTTP 500"), kRecovered, Failed("HTTP 500"), kRecovered}));
}

// A message the chat will never take (here its signature, refused for the PC's clock) is given up at its
// first refusal with one line of its own, and the one behind it goes at once, not after the failure
// run's next pause.
TEST(AlertQueue, ARefusedMessageIsGivenUpAtOnceAndHoldsNothingBack) {
  AlertQueue queue(kMasked);
  AlertLogLines log;
  queue.Add(At(AlertEvent::Dropped, 0, 0), 0);
  queue.Add(At(AlertEvent::BackOnAir, 0, 1), 0);
  int tries = 0;
  const auto answers = [&tries](long long) {
    switch (tries++) {
      case 0: return SentOrFailed(false);
      case 1: return Answer(DeliveryVerdict::Never, "errcode 310000", std::nullopt, true);
      default: return SentOrFailed(true);
    }
  };
  EXPECT_EQ(Drive(queue, 0, 60000, answers, log), (std::vector<long long>{0, 5000, 5000}));
  EXPECT_EQ(log, (AlertLogLines{Failed("HTTP 500"),
                                FillIn(kAlertRefused, {"errcode 310000", "dropped 2026-12-07 14:00:00", kMasked}) +
                                    kAlertCheckClock,
                                kRecovered}));
}

// A rate limit holds the same message for as long as the answer asked, else for the schedule's pause.
TEST(AlertQueue, ARateLimitWaitsAsAsked) {
  AlertQueue queue(kMasked);
  AlertLogLines log;
  queue.Add(At(AlertEvent::DeadAir, 39, 26), 0);
  const auto answers = [](long long nowMs) {
    if (nowMs == 0) return Answer(DeliveryVerdict::RateLimited, "HTTP 429", 30000);
    if (nowMs == 30000) return Answer(DeliveryVerdict::RateLimited, "errcode 45009");
    return SentOrFailed(true);
  };
  EXPECT_EQ(Drive(queue, 0, 60000, answers, log), (std::vector<long long>{0, 30000, 35000}));
  EXPECT_EQ(log, (AlertLogLines{Failed("HTTP 429"), kRecovered}));
}

// Beyond the bound the oldest waiting alert goes, never the one being sent.
TEST(AlertQueue, BoundDropsTheOldestWaiting) {
  AlertQueue queue(kMasked);
  queue.Add(At(AlertEvent::Test, 0, 0), 0);
  const AlertQueue::Step first = queue.Next(0);
  ASSERT_TRUE(first.attempt);
  AlertLogLines log;
  for (std::size_t i = 1; i <= kAlertQueueCapacity; ++i) {
    const AlertLogLines lines = queue.Add(At(AlertEvent::Test, static_cast<int>(i / 60), static_cast<int>(i % 60)), 0);
    log.insert(log.end(), lines.begin(), lines.end());
  }
  EXPECT_EQ(log, (AlertLogLines{FillIn(kAlertQueueFull, {"100", "test 2026-12-07 14:00:01"})}));
  EXPECT_EQ(queue.Waiting(), kAlertQueueCapacity);
  queue.Finish(first.attempt->id, Answer(DeliveryVerdict::Sent), 0);
  const AlertQueue::Step second = queue.Next(0);
  ASSERT_TRUE(second.attempt);
  EXPECT_EQ(second.attempt->message.time.second, 2);
}

// A broadcast that keeps dropping: one "dropped" alert at once, the rest held back and told as one per
// ten minutes, with how many it stands for; other alerts are not held. A recording that keeps failing is
// folded alike, in a window of its own.
TEST(AlertQueue, DropsAndRecordingFailuresAreFoldedEachInItsOwnWindow) {
  AlertQueue queue(kMasked);
  AlertLogLines log;
  std::vector<std::string> texts;
  queue.Add(At(AlertEvent::Dropped, 0, 0, "A"), 0);
  EXPECT_EQ(Drive(queue, 0, 0, kAlwaysSent, log, &texts), (std::vector<long long>{0}));
  queue.Add(At(AlertEvent::RecordingFailed, 0, 30, "R1"), 30000);
  EXPECT_EQ(Drive(queue, 30000, 30000, kAlwaysSent, log, &texts), (std::vector<long long>{30000}));
  queue.Add(At(AlertEvent::Dropped, 1, 0, "B"), 60000);
  queue.Add(At(AlertEvent::BackOnAir, 1, 5, "up"), 65000);
  EXPECT_EQ(Drive(queue, 65000, 65000, kAlwaysSent, log, &texts), (std::vector<long long>{65000}));
  queue.Add(At(AlertEvent::RecordingFailed, 1, 30, "R2"), 90000);
  queue.Add(At(AlertEvent::Dropped, 2, 0, "C"), 120000);
  queue.Add(At(AlertEvent::Dropped, 3, 0, "D"), 180000);
  EXPECT_EQ(Drive(queue, 180000, 599999, kAlwaysSent, log, &texts), (std::vector<long long>{}));
  EXPECT_EQ(Drive(queue, 599999, 600000, kAlwaysSent, log, &texts), (std::vector<long long>{600000}));
  EXPECT_EQ(Drive(queue, 600000, 630000, kAlwaysSent, log, &texts), (std::vector<long long>{630000}));
  queue.Add(At(AlertEvent::Dropped, 11, 0, "E"), 660000);
  EXPECT_EQ(Drive(queue, 660000, 1700000, kAlwaysSent, log, &texts), (std::vector<long long>{1200000}));
  queue.Add(At(AlertEvent::Dropped, 30, 0, "F"), 1800000);
  queue.Add(At(AlertEvent::RecordingFailed, 30, 0, "R3"), 1800000);
  EXPECT_EQ(Drive(queue, 1800000, 3600000, kAlwaysSent, log, &texts), (std::vector<long long>{1800000, 1800000}));
  EXPECT_EQ(texts, (std::vector<std::string>{"A", "R1", "up", u8"D（10分钟内又掉线3次）", u8"R2（10分钟内又失败1次）",
                                             u8"E（10分钟内又掉线1次）", "F", "R3"}));
  EXPECT_TRUE(log.empty());
}

#include "alerts/RecordingAlerts.h"
#include "alerts/SessionAlerts.h"

namespace {

// The broadcast's outages and the recording's, each told once as it begins and again when it ends; the two
// rules keep apart, so that the broadcast coming back ends no outage of the recording's.
TEST(SessionAlerts, AnOutageIsToldOnceAtItsStartAndAgainWhenItEnds) {
  const struct {
    AlertEvent event;
    bool told;
  } steps[] = {
      {AlertEvent::OnAir, true},
      {AlertEvent::Dropped, true},
      {AlertEvent::NoDataOut, false},     // the relaunched encoder gets nothing out: the same outage
      {AlertEvent::RecordingFailed, true},
      {AlertEvent::LaunchFailed, true},   // told once per outage
      {AlertEvent::LaunchFailed, false},
      {AlertEvent::BackOnAir, true},
      {AlertEvent::RecordingFailed, false},  // the broadcast is back, the recording's outage goes on
      {AlertEvent::RecordingBack, true},
      {AlertEvent::RecordingBack, false},    // no outage of the recording's was told
      {AlertEvent::DeadAir, true},
      {AlertEvent::SoundBack, true},
      {AlertEvent::NoDataOut, true},      // a new outage
      {AlertEvent::Dropped, false},
      {AlertEvent::RecordingFailed, true},
      {AlertEvent::OffAir, true},
  };
  SessionAlerts alerts;
  RecordingAlerts recording;
  alerts.SwitchedOn();
  recording.Reset();
  int step = 0;
  for (const auto& s : steps) {
    const bool ofRecording = s.event == AlertEvent::RecordingFailed || s.event == AlertEvent::RecordingBack;
    EXPECT_EQ(ofRecording ? recording.Tell(s.event) : alerts.Tell(s.event), s.told) << "step " << step++;
  }
  alerts.SwitchedOn();
  EXPECT_TRUE(alerts.Tell(AlertEvent::LaunchFailed)) << "a new run";
  recording.Reset();
  EXPECT_TRUE(recording.Tell(AlertEvent::RecordingFailed)) << "a new run of the recording, or one after a pause";
}

}  // namespace
