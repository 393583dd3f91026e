#pragma once
// Work done in order on a thread of its own, one thread at a time: starting or ending a process takes the
// system tens of milliseconds, at times far more, and whoever queues it must not wait. The thread ends
// when nothing is left to do (a thread's stack is memory held for as long as it lives), and the next work
// starts another. What the thread needs lives as long as it does: an owner that goes does not wait for it.
#include <functional>
#include <memory>

class CWorkQueue {
 public:
  CWorkQueue();
  CWorkQueue(const CWorkQueue&) = delete;
  CWorkQueue& operator=(const CWorkQueue&) = delete;

  // Runs work after what was queued before. Without a thread of its own the work is done here and now.
  void Queue(std::function<void()> work);
  // Waits until everything queued has been done.
  void WaitUntilIdle();
  // Waits at most timeoutMs for it; true when it was done.
  bool WaitUntilIdle(unsigned long timeoutMs);

 private:
  struct Shared;
  std::shared_ptr<Shared> m_shared;
};
