#pragma once
// Work done in the order it was posted, on a thread of the queue's own, so that the window's thread never
// waits for what takes the system tens of milliseconds or more (starting and ending processes, writing
// files through to the disk). The thread ends when nothing is left to do, since a thread's stack is memory
// held for as long as it lives; the next work starts another.
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

class CWorkQueue {
 public:
  CWorkQueue() = default;
  // What was posted is done before the queue goes: work may hold what must not be left half done.
  ~CWorkQueue();
  CWorkQueue(const CWorkQueue&) = delete;
  CWorkQueue& operator=(const CWorkQueue&) = delete;

  // Without a thread to be had, the work is done at once, on the caller's thread.
  void Post(std::function<void()> work);
  // Waits at most timeoutMs for everything posted to be done; true when it was.
  bool WaitIdle(unsigned long timeoutMs);

 private:
  void Work();

  std::mutex m_mutex;
  std::condition_variable m_idle;
  std::deque<std::function<void()>> m_queue;
  bool m_working = false;  // a thread of the queue runs
};
