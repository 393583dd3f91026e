#include "alerts/AlertQueue.h"

#include "res/Texts.h"
#include "text/AnsiText.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace {
long long RetryPauseMs(int failuresInRow) {
  const int scheduled = static_cast<int>(std::size(kAlertRetryPausesMs));
  return failuresInRow < scheduled ? kAlertRetryPausesMs[failuresInRow] : kAlertRetryPauseLastMs;
}
}  // namespace

AlertQueue::AlertQueue(std::string maskedAddress) : maskedAddress_(std::move(maskedAddress)) {}

std::string AlertQueue::Naming(const AlertMessage& message) {
  return std::string(WireName(message.event)) + " " + FormatLocalTime(message.time);
}

std::string AlertQueue::GaveUp(const AlertMessage& message) {
  return FillIn(kAlertGaveUp, {std::to_string(kAlertLifetimeMs / kMsPerMinute), Naming(message)});
}

AlertLogLines AlertQueue::Add(AlertMessage message, long long nowMs) {
  if (message.event == AlertEvent::Dropped) {
    if (lastDropSentMs_ && nowMs - *lastDropSentMs_ < kDropFoldWindowMs) {
      heldDrop_ = std::move(message);
      ++heldDrops_;
      return {};
    }
    lastDropSentMs_ = nowMs;
  }
  return Push(std::move(message), nowMs);
}

AlertLogLines AlertQueue::Push(AlertMessage message, long long nowMs) {
  AlertLogLines log;
  if (waiting_.size() >= kAlertQueueCapacity) {
    const auto oldest = waiting_.begin() + (sending_ && waiting_.front().id == *sending_ ? 1 : 0);
    log.push_back(FillIn(kAlertQueueFull, {std::to_string(kAlertQueueCapacity), Naming(oldest->message)}));
    waiting_.erase(oldest);
  }
  waiting_.push_back({++lastId_, std::move(message), nowMs});
  return log;
}

AlertQueue::Step AlertQueue::Next(long long nowMs) {
  Step step;
  for (auto it = waiting_.begin(); it != waiting_.end();) {
    if (nowMs - it->postedMs >= kAlertLifetimeMs && it->id != sending_) {
      step.log.push_back(GaveUp(it->message));
      it = waiting_.erase(it);
    } else {
      ++it;
    }
  }
  if (heldDrops_ > 0 && nowMs - *lastDropSentMs_ >= kDropFoldWindowMs) {
    AlertMessage folded = std::move(*heldDrop_);
    folded.text += utf8::kAlertDropsFoldedOpen + std::to_string(kDropFoldWindowMs / kMsPerMinute) +
                   utf8::kAlertDropsFoldedMinutes + std::to_string(heldDrops_) + utf8::kAlertDropsFoldedTimes;
    heldDrop_.reset();
    heldDrops_ = 0;
    lastDropSentMs_ = nowMs;
    const AlertLogLines full = Push(std::move(folded), nowMs);
    step.log.insert(step.log.end(), full.begin(), full.end());
  }
  if (!sending_ && !waiting_.empty() && nowMs >= nextTryMs_) {
    sending_ = waiting_.front().id;
    step.attempt = AlertAttempt{waiting_.front().id, waiting_.front().message};
  }
  return step;
}

AlertLogLines AlertQueue::Finish(std::uint64_t id, const Delivery& delivery, long long nowMs) {
  AlertLogLines log;
  sending_.reset();
  const auto entry = std::find_if(waiting_.begin(), waiting_.end(), [id](const Entry& e) { return e.id == id; });
  const std::string checkClock = delivery.clockSuspect ? kAlertCheckClock : "";
  switch (delivery.verdict) {
    case DeliveryVerdict::Sent:
      if (failing_) log.push_back(kAlertSendRecovered + maskedAddress_);
      failing_ = false;
      failuresInRow_ = 0;
      nextTryMs_ = nowMs;
      if (entry != waiting_.end()) waiting_.erase(entry);
      return log;
    case DeliveryVerdict::Never:
      // Said once and dropped; the ones behind it go on at once: this message, not the webhook, failed.
      if (entry != waiting_.end()) {
        log.push_back(FillIn(kAlertRefused, {delivery.failure, Naming(entry->message), maskedAddress_}) + checkClock);
        waiting_.erase(entry);
      }
      nextTryMs_ = nowMs;
      return log;
    case DeliveryVerdict::RateLimited:
    case DeliveryVerdict::TryAgain:
      break;
  }
  if (!failing_) log.push_back(kAlertSendFailed + maskedAddress_ + " (" + delivery.failure + ")" + checkClock);
  failing_ = true;
  // The same message again, after the pause the chat asked for, else the schedule's next one.
  if (delivery.verdict == DeliveryVerdict::RateLimited && delivery.waitMs) {
    nextTryMs_ = nowMs + *delivery.waitMs;
  } else {
    nextTryMs_ = nowMs + RetryPauseMs(failuresInRow_);
    if (failuresInRow_ < static_cast<int>(std::size(kAlertRetryPausesMs))) ++failuresInRow_;
  }
  if (entry != waiting_.end() && nowMs - entry->postedMs >= kAlertLifetimeMs) {
    log.push_back(GaveUp(entry->message));
    waiting_.erase(entry);
  }
  return log;
}

std::optional<long long> AlertQueue::WakeAtMs() const {
  if (sending_) return std::nullopt;
  std::optional<long long> wake;
  const auto earliest = [&wake](long long atMs) { wake = wake ? std::min(*wake, atMs) : atMs; };
  if (!waiting_.empty()) {
    earliest(nextTryMs_);
    earliest(waiting_.front().postedMs + kAlertLifetimeMs);
  }
  if (heldDrops_ > 0) earliest(*lastDropSentMs_ + kDropFoldWindowMs);
  return wake;
}
