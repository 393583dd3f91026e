#pragma once
// One HTTP POST to a webhook with WinHTTP, which another thread can cut short. Synchronous: it runs on
// the alert sender's own thread, never on the window's.
#include "alerts/WebhookRequest.h"

#include "framework/UniqueHandle.h"

#include <winhttp.h>

#include <mutex>
#include <string>

// No call waits longer than this for its step (name lookup, connection, sending, the answer), so a
// webhook that does not answer costs a try, not the sender.
constexpr int kWebhookResolveTimeoutMs = 5000;
constexpr int kWebhookConnectTimeoutMs = 5000;
constexpr int kWebhookSendTimeoutMs = 10000;
constexpr int kWebhookReceiveTimeoutMs = 10000;

struct WinHttpCloseDeleter {
  static HINTERNET Invalid() { return nullptr; }
  void operator()(HINTERNET handle) const { WinHttpCloseHandle(handle); }
};
using UniqueInternet = UniqueResource<HINTERNET, WinHttpCloseDeleter>;

struct PostOutcome {
  bool sent = false;     // the webhook answered 2xx
  std::string failure;   // otherwise: "HTTP 403", "WinHTTP 12029", …
};

class WebhookPoster {
 public:
  // On the sending thread. The session (and the connections WinHTTP keeps open in it) lasts from the
  // first post until Abort.
  PostOutcome Post(const WebhookRequest& request);

  // From any thread: closes every handle, which ends a post under way, and refuses later ones.
  void Abort();

 private:
  bool OpenSession();  // with mutex_ held

  std::mutex mutex_;  // guards the handles: Abort may close them while Post waits on the network
  bool aborted_ = false;
  UniqueInternet session_;
  UniqueInternet connection_;
  UniqueInternet request_;
};
