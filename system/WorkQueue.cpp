#include "system/WorkQueue.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

struct CWorkQueue::Shared {
  std::mutex mutex;
  std::condition_variable changed;
  std::deque<std::function<void()>> queue;
  bool working = false;  // a thread runs

  static void Work(const std::shared_ptr<Shared>& shared) {
    for (;;) {
      std::function<void()> work;
      {
        std::lock_guard<std::mutex> lock(shared->mutex);
        if (shared->queue.empty()) {
          shared->working = false;
          shared->changed.notify_all();
          return;
        }
        work = std::move(shared->queue.front());
        shared->queue.pop_front();
      }
      work();
    }
  }
};

CWorkQueue::CWorkQueue() : m_shared(std::make_shared<Shared>()) {}

void CWorkQueue::Queue(std::function<void()> work) {
  std::unique_lock<std::mutex> lock(m_shared->mutex);
  m_shared->queue.push_back(std::move(work));
  if (m_shared->working) return;
  try {
    std::thread([shared = m_shared] { Shared::Work(shared); }).detach();
    m_shared->working = true;
  } catch (const std::system_error&) {
    std::function<void()> now = std::move(m_shared->queue.back());
    m_shared->queue.pop_back();
    lock.unlock();
    now();
  }
}

void CWorkQueue::WaitUntilIdle() {
  std::unique_lock<std::mutex> lock(m_shared->mutex);
  m_shared->changed.wait(lock, [this] { return !m_shared->working; });
}

bool CWorkQueue::WaitUntilIdle(unsigned long timeoutMs) {
  std::unique_lock<std::mutex> lock(m_shared->mutex);
  return m_shared->changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return !m_shared->working; });
}
