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

AlertQueue::AlertQueue(std::string maskedAddress)
    : m_maskedAddress(std::move(maskedAddress)),
      m_folds{{AlertEvent::Dropped, kDropFoldWindowMs, utf8::kAlertDropsFoldedMinutes, std::nullopt, std::nullopt, 0},
              {AlertEvent::RecordingFailed, kRecordingFailFoldWindowMs, utf8::kAlertRecordFailsFoldedMinutes,
               std::nullopt, std::nullopt, 0}} {}

AlertQueue::Fold* AlertQueue::FoldOf(AlertEvent event) {
  for (Fold& fold : m_folds)
    if (fold.event == event) return &fold;
  return nullptr;
}

std::string AlertQueue::Naming(const AlertMessage& message) {
  return std::string(WireName(message.event)) + " " + FormatLocalTime(message.time);
}

std::string AlertQueue::GaveUp(const AlertMessage& message) {
  return FillIn(kAlertGaveUp, {std::to_string(kAlertLifetimeMs / kMsPerMinute), Naming(message)});
}

AlertLogLines AlertQueue::Add(AlertMessage message, long long nowMs) {
  if (Fold* fold = FoldOf(message.event)) {
    if (fold->lastSentMs && nowMs - *fold->lastSentMs < fold->windowMs) {
      fold->held = std::move(message);
      ++fold->heldCount;
      return {};
    }
    fold->lastSentMs = nowMs;
  }
  return Push(std::move(message), nowMs);
}

AlertLogLines AlertQueue::Push(AlertMessage message, long long nowMs) {
  AlertLogLines log;
  if (m_waiting.size() >= kAlertQueueCapacity) {
    const auto oldest = m_waiting.begin() + (m_sending && m_waiting.front().id == *m_sending ? 1 : 0);
    log.push_back(FillIn(kAlertQueueFull, {std::to_string(kAlertQueueCapacity), Naming(oldest->message)}));
    m_waiting.erase(oldest);
  }
  m_waiting.push_back({++m_lastId, std::move(message), nowMs});
  return log;
}

AlertQueue::Step AlertQueue::Next(long long nowMs) {
  Step step;
  for (auto it = m_waiting.begin(); it != m_waiting.end();) {
    if (nowMs - it->postedMs >= kAlertLifetimeMs && it->id != m_sending) {
      step.log.push_back(GaveUp(it->message));
      it = m_waiting.erase(it);
    } else {
      ++it;
    }
  }
  for (Fold& fold : m_folds) {
    if (fold.heldCount == 0 || nowMs - *fold.lastSentMs < fold.windowMs) continue;
    AlertMessage folded = std::move(*fold.held);
    folded.text += utf8::kAlertDropsFoldedOpen + std::to_string(fold.windowMs / kMsPerMinute) + fold.heldText +
                   std::to_string(fold.heldCount) + utf8::kAlertDropsFoldedTimes;
    fold.held.reset();
    fold.heldCount = 0;
    fold.lastSentMs = nowMs;
    const AlertLogLines full = Push(std::move(folded), nowMs);
    step.log.insert(step.log.end(), full.begin(), full.end());
  }
  if (!m_sending && !m_waiting.empty() && nowMs >= m_nextTryMs) {
    m_sending = m_waiting.front().id;
    step.attempt = AlertAttempt{m_waiting.front().id, m_waiting.front().message};
  }
  return step;
}

AlertLogLines AlertQueue::Finish(std::uint64_t id, const Delivery& delivery, long long nowMs) {
  AlertLogLines log;
  m_sending.reset();
  const auto entry = std::find_if(m_waiting.begin(), m_waiting.end(), [id](const Entry& e) { return e.id == id; });
  const std::string checkClock = delivery.clockSuspect ? kAlertCheckClock : "";
  switch (delivery.verdict) {
    case DeliveryVerdict::Sent:
      if (m_failing) log.push_back(kAlertSendRecovered + m_maskedAddress);
      m_failing = false;
      m_failuresInRow = 0;
      m_nextTryMs = nowMs;
      if (entry != m_waiting.end()) m_waiting.erase(entry);
      return log;
    case DeliveryVerdict::Never:
      // Said once and dropped; the ones behind it go on at once: this message, not the webhook, failed.
      if (entry != m_waiting.end()) {
        log.push_back(FillIn(kAlertRefused, {delivery.failure, Naming(entry->message), m_maskedAddress}) + checkClock);
        m_waiting.erase(entry);
      }
      m_nextTryMs = nowMs;
      return log;
    case DeliveryVerdict::RateLimited:
    case DeliveryVerdict::TryAgain:
      break;
  }
  if (!m_failing) log.push_back(kAlertSendFailed + m_maskedAddress + " (" + delivery.failure + ")" + checkClock);
  m_failing = true;
  // The same message again, after the pause the chat asked for, else the schedule's next one.
  if (delivery.verdict == DeliveryVerdict::RateLimited && delivery.waitMs) {
    m_nextTryMs = nowMs + *delivery.waitMs;
  } else {
    m_nextTryMs = nowMs + RetryPauseMs(m_failuresInRow);
    if (m_failuresInRow < static_cast<int>(std::size(kAlertRetryPausesMs))) ++m_failuresInRow;
  }
  if (entry != m_waiting.end() && nowMs - entry->postedMs >= kAlertLifetimeMs) {
    log.push_back(GaveUp(entry->message));
    m_waiting.erase(entry);
  }
  return log;
}

std::optional<long long> AlertQueue::WakeAtMs() const {
  if (m_sending) return std::nullopt;
  std::optional<long long> wake;
  const auto earliest = [&wake](long long atMs) { wake = wake ? std::min(*wake, atMs) : atMs; };
  if (!m_waiting.empty()) {
    earliest(m_nextTryMs);
    earliest(m_waiting.front().postedMs + kAlertLifetimeMs);
  }
  for (const Fold& fold : m_folds)
    if (fold.heldCount > 0) earliest(*fold.lastSentMs + fold.windowMs);
  return wake;
}
