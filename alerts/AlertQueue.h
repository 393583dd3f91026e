#pragma once
// The alerts waiting to be sent, and when to try: the sender's thread asks it what to send and tells it
// how it went; it is told the time rather than reading a clock.
//
// Two kinds of text meet here and must not mix. The log lines it returns are the window's own texts:
// code page 936 bytes from res/Texts.h, naming a message only by its event's wire name and time
// (ASCII), never by its text. The messages are UTF-8 and leave as they came, save the note on folded
// alerts, which comes from the utf8:: texts (also res/Texts.h, UTF-8 bytes).
#include "alerts/AlertMessage.h"
#include "alerts/WebhookAnswer.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

// More waiting alerts than this (the webhook unreachable for long, a broadcast failing over and over):
// the oldest one not being sent is dropped, with a log line naming it.
constexpr std::size_t kAlertQueueCapacity = 100;
// An alert is tried until it has waited this long since it was posted, then dropped with a log line.
constexpr long long kAlertLifetimeMs = 10 * 60 * 1000;
// The pauses after the 1st, 2nd, … failure in a row; after the last of them, every kAlertRetryPauseLastMs.
// A success ends the run. Alerts go out in order, so the pause holds back every waiting one.
constexpr long long kAlertRetryPausesMs[] = {5000, 10000, 20000, 40000, 80000};
constexpr long long kAlertRetryPauseLastMs = 120000;
// At most one "dropped" alert goes out per window: the drops after it are held back, and when the window
// has passed since it, the latest of them goes out, its text followed by how many were held back.
constexpr long long kDropFoldWindowMs = 10 * 60 * 1000;
// The recording's failures are folded the same way, in a window of their own: a recording that keeps
// failing neither drowns the broadcast's drops nor is held back by them.
constexpr long long kRecordingFailFoldWindowMs = 10 * 60 * 1000;
constexpr long long kMsPerMinute = 60 * 1000;

using AlertLogLines = std::vector<std::string>;  // code page 936

struct AlertAttempt {
  std::uint64_t id = 0;
  AlertMessage message;
};

class AlertQueue {
 public:
  // maskedAddress: MaskedAddress() of the webhook, for the log lines on failure and recovery.
  explicit AlertQueue(std::string maskedAddress);

  // A new alert, posted at nowMs (a monotonic clock in milliseconds, the same for every call).
  AlertLogLines Add(AlertMessage message, long long nowMs);

  struct Step {
    AlertLogLines log;
    std::optional<AlertAttempt> attempt;  // to send now; the queue waits for Finish before the next
  };
  // Drops the alerts that waited too long, sends out held-back alerts whose window has passed, and hands
  // out the first alert when its turn has come.
  Step Next(long long nowMs);

  // How the attempt went. TryAgain: the schedule's next pause, and a log line for the first failure of a
  // run, naming delivery.failure (a short ASCII reason, "HTTP 500"). RateLimited: the same, but the pause
  // is delivery.waitMs when the answer gave one. Never: the alert is dropped with a line of its own and
  // the ones behind it are not held back. A clockSuspect failure's line says to check the PC's clock. The
  // first success after failures is logged too.
  AlertLogLines Finish(std::uint64_t id, const Delivery& delivery, long long nowMs);

  // When Next may have something to do, if nothing is being sent; empty when only Add can change that.
  std::optional<long long> WakeAtMs() const;

  std::size_t Waiting() const { return m_waiting.size(); }

 private:
  struct Entry {
    std::uint64_t id;
    AlertMessage message;
    long long postedMs;
  };
  AlertLogLines Push(AlertMessage message, long long nowMs);
  static std::string Naming(const AlertMessage& message);  // "dead_air 2026-12-07 14:39:26"
  static std::string GaveUp(const AlertMessage& message);

  std::string m_maskedAddress;
  std::deque<Entry> m_waiting;  // in posting order
  std::uint64_t m_lastId = 0;
  std::optional<std::uint64_t> m_sending;
  int m_failuresInRow = 0;
  long long m_nextTryMs = 0;
  bool m_failing = false;
  // An event whose alerts are folded: at most one goes out per window.
  struct Fold {
    AlertEvent event;
    long long windowMs;
    const char* heldText;  // UTF-8: "…分钟内又掉线" before the count of those held back
    std::optional<long long> lastSentMs;
    std::optional<AlertMessage> held;  // the latest held back
    int heldCount = 0;
  };
  Fold* FoldOf(AlertEvent event);

  Fold m_folds[2];
};
