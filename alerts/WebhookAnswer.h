#pragma once
// What a webhook answered to one post, and what that means for the alert: sent, to be tried again
// (after a pause the answer may name), or never to succeed. A chat's robot may answer HTTP 200 and
// still refuse the message (a wrong key, a failed signature, a missing keyword): its body says so.
#include <cstddef>
#include <optional>
#include <string>

#include "alerts/WebhookRequest.h"

// Of an answer's body only this much is read: enough for any robot's error object.
constexpr std::size_t kWebhookAnswerMaxBytes = 16 * 1024;
// A Retry-After longer than this is taken as this: an alert is given up after ten minutes anyway.
constexpr long long kLongestRateLimitWaitMs = 10 * 60 * 1000;
// The robot's own words are kept up to this many bytes (whole UTF-8 characters).
constexpr std::size_t kRobotMessageMaxBytes = 300;

struct WebhookAnswer {
  std::string transportFailure;              // non-empty: no HTTP answer came ("WinHTTP 12029")
  int status = 0;                            // the HTTP status
  std::string body;                          // at most kWebhookAnswerMaxBytes of it, as received
  std::optional<long long> retryAfterSeconds;  // the Retry-After header, when it gave seconds
};

enum class DeliveryVerdict {
  Sent,         // the chat took the message
  TryAgain,     // a passing fault: the queue's own schedule of pauses
  RateLimited,  // too many messages: wait (waitMs, when the answer said how long) and try again
  Never,        // this message can never succeed: given up at once, later ones are not held back
};

struct Delivery {
  DeliveryVerdict verdict = DeliveryVerdict::TryAgain;
  // Otherwise than Sent: what went wrong, short and ASCII, for the log ("HTTP 500", "errcode 310000").
  std::string failure;
  // The robot's own words about it (UTF-8, as it answered), for the settings window's test; may be empty.
  std::string robotMessage;
  std::optional<long long> waitMs;  // RateLimited: how long the answer asked to wait
  bool clockSuspect = false;        // a signature refused as too old or too new: the PC's clock is off
};

// What the answer of a webhook of this format means. A transport failure, a 5xx, a 408, an unknown code:
// TryAgain. Any other 4xx, a 301 or 308, a code the robot's documentation calls final: Never. A 429 or a
// robot's rate-limit code: RateLimited. A chat's own format is read in the body of a 2xx: a non-zero
// code there is a failure ("errcode 310000", "code 19021"); our own format's receiver may answer anything
// in a 2xx. robotMessage: the robot's words, valid UTF-8 without control characters, at most
// kRobotMessageMaxBytes.
Delivery JudgeAnswer(WebhookFormat format, const WebhookAnswer& answer);
