#include "alerts/AlertSender.h"

#include "alerts/AlertClock.h"
#include "alerts/AlertQueue.h"
#include "alerts/WebhookAnswer.h"
#include "alerts/WebhookRequest.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <utility>

struct CAlertSender::Shared {
  Shared(WebhookAddress webhook, WebhookFormat bodyFormat, std::string signingSecret, LogSink logSink)
      : address(std::move(webhook)), format(bodyFormat), secret(std::move(signingSecret)),
        queue(MaskedAddress(address)), sink(std::move(logSink)) {}

  // Hands lines to the window unless Stop has begun; Stop takes sinkMutex once it has set stopping, so
  // a call under way ends before Stop returns and none begins after.
  void Emit(const AlertLogLines& lines) {
    if (lines.empty()) return;
    std::lock_guard<std::mutex> lock(sinkMutex);
    if (stopping) return;
    for (const std::string& line : lines) sink(line);
  }

  const WebhookAddress address;
  const WebhookFormat format;
  const std::string secret;

  std::mutex mutex;  // guards the queue; stopping is written under it
  std::condition_variable changed;
  AlertQueue queue;
  std::atomic<bool> stopping{false};

  std::mutex sinkMutex;
  LogSink sink;
};

CAlertSender::CAlertSender(WebhookAddress address, WebhookFormat format, std::string secret, LogSink log)
    : m_shared(std::make_shared<Shared>(std::move(address), format, std::move(secret), std::move(log))),
      m_thread([shared = m_shared](CWebhookPoster& poster) { Run(*shared, poster); }) {}

CAlertSender::~CAlertSender() { Stop(); }

void CAlertSender::Post(AlertMessage message) {
  AlertLogLines lines;
  {
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    if (m_shared->stopping) return;
    lines = m_shared->queue.Add(std::move(message), MonotonicMsNow());
  }
  m_shared->changed.notify_all();
  m_shared->Emit(lines);
}

void CAlertSender::Stop(long long drainMs) {
  if (m_shared->stopping) return;
  if (drainMs > 0) {
    std::unique_lock<std::mutex> lock(m_shared->mutex);
    m_shared->changed.wait_for(lock, std::chrono::milliseconds(drainMs), [this] { return m_shared->queue.Waiting() == 0; });
  }
  {
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    m_shared->stopping = true;
  }
  m_shared->changed.notify_all();
  { std::lock_guard<std::mutex> lineUnderWay(m_shared->sinkMutex); }
  m_thread.End(kAlertStopWaitMs);
}

void CAlertSender::Run(Shared& s, CWebhookPoster& poster) {
  std::unique_lock<std::mutex> lock(s.mutex);
  while (!s.stopping) {
    AlertQueue::Step step = s.queue.Next(MonotonicMsNow());
    if (!step.log.empty()) {
      lock.unlock();
      s.Emit(step.log);
      lock.lock();
    }
    if (step.attempt) {
      lock.unlock();
      const WebhookRequest request =
          BuildWebhookRequest(s.address, s.format, s.secret, step.attempt->message, EpochMsNow());
      const Delivery delivery = JudgeAnswer(request.format, poster.Post(request));
      lock.lock();
      const AlertLogLines lines = s.queue.Finish(step.attempt->id, delivery, MonotonicMsNow());
      lock.unlock();
      // A Stop that lets the queue drain waits for this.
      s.changed.notify_all();
      s.Emit(lines);
      lock.lock();
      continue;
    }
    // While the lines went out an alert may have been posted, its notice missed: look again first.
    if (!step.log.empty()) continue;
    const std::optional<long long> wakeAtMs = s.queue.WakeAtMs();
    if (wakeAtMs) {
      s.changed.wait_for(lock, std::chrono::milliseconds(std::max(0LL, *wakeAtMs - MonotonicMsNow())));
    } else {
      s.changed.wait(lock);
    }
  }
}
