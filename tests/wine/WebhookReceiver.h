#pragma once
// A webhook on 127.0.0.1 for the tests: an HTTP server of the test program's own, on a port of its
// choosing, that keeps every POST it receives and answers as the test tells it.
#include <winsock2.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace pushtest {

class WebhookReceiver {
 public:
  enum class Answer { Ok, ServerError, Hang };

  WebhookReceiver();
  ~WebhookReceiver();
  WebhookReceiver(const WebhookReceiver&) = delete;
  WebhookReceiver& operator=(const WebhookReceiver&) = delete;

  // "http://127.0.0.1:<port><pathAndQuery>"
  std::string Url(const std::string& pathAndQuery) const;
  void SetAnswer(Answer answer) { m_answer = answer; }

  struct Post {
    std::string target;  // the request line's path and query
    std::string body;
  };
  std::vector<Post> Posts() const;
  // Waits until a post whose body holds the text has arrived.
  bool WaitForBody(const std::string& text, int timeoutMs = 15000) const;

 private:
  void Serve();
  void Handle(SOCKET client);

  SOCKET m_listener = INVALID_SOCKET;
  int m_port = 0;
  std::atomic<Answer> m_answer{Answer::Ok};
  std::atomic<bool> m_stopping{false};
  mutable std::mutex m_mutex;
  std::vector<Post> m_posts;
  std::vector<SOCKET> m_hanging;  // answered never, closed at the end
  std::thread m_thread;
};

}  // namespace pushtest
