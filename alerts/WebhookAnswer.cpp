#include "alerts/WebhookAnswer.h"

namespace {
constexpr int kFirstSuccessStatus = 200;
constexpr int kLastSuccessStatus = 299;
}  // namespace

Delivery JudgeAnswer(WebhookFormat, const WebhookAnswer& answer) {
  Delivery delivery;
  if (!answer.transportFailure.empty()) {
    delivery.failure = answer.transportFailure;
    return delivery;
  }
  if (answer.status >= kFirstSuccessStatus && answer.status <= kLastSuccessStatus) {
    delivery.verdict = DeliveryVerdict::Sent;
    return delivery;
  }
  delivery.failure = "HTTP " + std::to_string(answer.status);
  return delivery;
}
