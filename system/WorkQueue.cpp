#include "system/WorkQueue.h"

#include <chrono>
#include <system_error>
#include <thread>
#include <utility>

CWorkQueue::~CWorkQueue() {
  std::unique_lock<std::mutex> lock(m_mutex);
  m_idle.wait(lock, [this] { return !m_working; });
}

void CWorkQueue::Post(std::function<void()> work) {
  std::unique_lock<std::mutex> lock(m_mutex);
  m_queue.push_back(std::move(work));
  if (m_working) return;
  try {
    std::thread(&CWorkQueue::Work, this).detach();
    m_working = true;
  } catch (const std::system_error&) {
    std::function<void()> now = std::move(m_queue.back());
    m_queue.pop_back();
    lock.unlock();
    now();
  }
}

bool CWorkQueue::WaitIdle(unsigned long timeoutMs) {
  std::unique_lock<std::mutex> lock(m_mutex);
  return m_idle.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return !m_working; });
}

void CWorkQueue::Work() {
  for (;;) {
    std::function<void()> work;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      if (m_queue.empty()) {
        m_working = false;
        m_idle.notify_all();
        return;
      }
      work = std::move(m_queue.front());
      m_queue.pop_front();
    }
    work();
  }
}
