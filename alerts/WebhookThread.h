#pragma once
// A thread that posts to a webhook, and the one way to end it without waiting on the network: its post is
// cut short, it is given a bounded wait to return, and one that still has not is left to end on its own.
// The thread shares ownership of what it uses, so nothing goes away under it; whatever it reports to must
// be out of its reach once End has returned (a flag of the caller's own, checked under the caller's lock).
#include "alerts/WebhookPost.h"

#include <functional>
#include <memory>
#include <thread>

class WebhookThread {
 public:
  // Runs on the new thread, posting with the poster given; it must return soon after that poster is
  // aborted (every later post then fails at once).
  using Work = std::function<void(CWebhookPoster& poster)>;

  explicit WebhookThread(Work work);
  ~WebhookThread();  // End(0)
  WebhookThread(const WebhookThread&) = delete;
  WebhookThread& operator=(const WebhookThread&) = delete;

  // Aborts the poster, then waits at most waitMs (0: not at all) for the work to return. Whether it did;
  // if not, the thread goes on alone. Later calls return true and do nothing.
  bool End(long long waitMs);

 private:
  struct Shared;
  std::shared_ptr<Shared> shared_;
  std::thread thread_;
};
