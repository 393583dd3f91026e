#pragma once
// One HTTP POST to a webhook with WinHTTP, on the calling thread (never the window's), which any other
// thread can cut short at once. WinHTTP works asynchronously underneath: the calling thread waits for each
// step's end or for Abort, and it alone touches the handles, so none is ever used after it was closed.
#include "alerts/WebhookAnswer.h"
#include "alerts/WebhookRequest.h"

#include "system/UniqueHandle.h"

// No step waits longer than this for its end (name lookup, connection, sending, the answer), so a webhook
// that does not answer costs a try, not the sender.
constexpr int kWebhookResolveTimeoutMs = 5000;
constexpr int kWebhookConnectTimeoutMs = 5000;
constexpr int kWebhookSendTimeoutMs = 10000;
constexpr int kWebhookReceiveTimeoutMs = 10000;

// The failure of a post when winhttp.dll cannot be loaded.
extern const char kWinHttpUnavailable[];  // "WinHTTP unavailable"

class CWebhookPoster {
 public:
  CWebhookPoster();
  CWebhookPoster(const CWebhookPoster&) = delete;
  CWebhookPoster& operator=(const CWebhookPoster&) = delete;

  // What the webhook answered: its status, Retry-After and at most kWebhookAnswerMaxBytes of its body; or,
  // when no answer came, why ("WinHTTP 12029"). A redirection is an answer too: it is never followed.
  WebhookAnswer Post(const WebhookRequest& request);

  // From any thread, without waiting: a post under way ends as soon as its thread wakes, and every later
  // one fails at once. WinHTTP may go on with what was cut short in the background until it lets go.
  void Abort();

 private:
  UniqueHandle m_aborted;  // a manual-reset event
};
