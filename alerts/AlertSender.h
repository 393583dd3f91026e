#pragma once
// Sends alerts to a group chat's webhook from a thread of its own, so that the window never waits for
// the network.
#include "alerts/AlertMessage.h"
#include "alerts/WebhookAddress.h"
#include "alerts/WebhookRequest.h"
#include "alerts/WebhookThread.h"

#include <functional>
#include <memory>
#include <string>

// How long Stop waits for the thread after cutting its request short. A sender whose thread is still
// busy then is left to end on its own: it can no longer reach the window.
constexpr long long kAlertStopWaitMs = 1000;

class CAlertSender {
 public:
  // A log line for the window (code page 936). Called on the sender's thread, and in Post on the
  // caller's; never after Stop has returned. It must hand the line over and return, not wait for the
  // window (PostMessage, not SendMessage): Stop waits for a call under way.
  using LogSink = std::function<void(std::string)>;

  // address: from ParseWebhookAddress (the caller logs a refusal and makes no sender). format: the body's
  // (ChosenFormat). secret: the signing secret, or empty. Starts the thread.
  CAlertSender(WebhookAddress address, WebhookFormat format, std::string secret, LogSink log);
  ~CAlertSender();  // Stop()
  CAlertSender(const CAlertSender&) = delete;
  CAlertSender& operator=(const CAlertSender&) = delete;

  // Queues an alert; the lock it takes is held only to hand it over. Ignored after Stop.
  void Post(AlertMessage message);

  // Ends the thread. For up to drainMs it goes on sending what waits (the program closing has one more
  // alert to tell); then a request under way is cut short and what still waits is dropped. Returns
  // within drainMs + kAlertStopWaitMs of its start whatever the webhook does.
  void Stop(long long drainMs = 0);

 private:
  struct Shared;
  static void Run(Shared& shared, CWebhookPoster& poster);

  std::shared_ptr<Shared> m_shared;  // the thread holds it too, so a thread left running has what it uses
  WebhookThread m_thread;
};
