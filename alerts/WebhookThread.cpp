#include "alerts/WebhookThread.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <utility>

struct WebhookThread::Shared {
  explicit Shared(Work w) : work(std::move(w)) {}

  Work work;
  CWebhookPoster poster;
  std::mutex mutex;
  std::condition_variable ended;
  bool finished = false;
};

WebhookThread::WebhookThread(Work work)
    : shared_(std::make_shared<Shared>(std::move(work))), thread_([shared = shared_] {
        shared->work(shared->poster);
        {
          std::lock_guard<std::mutex> lock(shared->mutex);
          shared->finished = true;
        }
        shared->ended.notify_all();
      }) {}

WebhookThread::~WebhookThread() { End(0); }

bool WebhookThread::End(long long waitMs) {
  if (!thread_.joinable()) return true;
  shared_->poster.Abort();
  bool finished = false;
  {
    std::unique_lock<std::mutex> lock(shared_->mutex);
    finished = shared_->ended.wait_for(lock, std::chrono::milliseconds(waitMs), [this] { return shared_->finished; });
  }
  // A thread that has said it finished is only returning: joining it waits for nothing.
  if (finished) {
    thread_.join();
  } else {
    thread_.detach();
  }
  return finished;
}
