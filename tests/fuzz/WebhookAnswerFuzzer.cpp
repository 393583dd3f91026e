// A webhook's answer from a server that may answer anything: judging it never fails, only a 2xx is ever
// taken for sent, the reason for the log is short printable ASCII, the robot's words are valid UTF-8
// without control characters and within their bound, and a wait is asked only of a rate limit, within
// its bound. Our own format's receiver is judged by its status alone.
// The input: the format (first byte), the status (next two, big-endian), Retry-After in seconds (next
// byte; 0xFF: none), then the body.
#include "alerts/WebhookAnswer.h"
#include "tests/fuzz/FuzzCheck.h"

namespace {

constexpr std::size_t kHeaderBytes = 4;
constexpr std::size_t kLongestFailure = 100;

bool IsCleanUtf8(const std::string& text) {
  for (std::size_t at = 0; at < text.size();) {
    const auto byte = static_cast<unsigned char>(text[at]);
    const std::size_t length = byte < 0x80 ? 1 : byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC2 ? 2 : 0;
    if (length == 0 || at + length > text.size() || (length == 1 && (byte < 0x20 || byte == 0x7F))) return false;
    for (std::size_t i = 1; i < length; ++i) {
      if ((static_cast<unsigned char>(text[at + i]) & 0xC0) != 0x80) return false;
    }
    at += length;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < kHeaderBytes) return 0;
  static const WebhookFormat kFormats[] = {WebhookFormat::WeCom,   WebhookFormat::DingTalk,   WebhookFormat::Feishu,
                                           WebhookFormat::Slack,   WebhookFormat::Discord,    WebhookFormat::ServerChan,
                                           WebhookFormat::Own};
  const WebhookFormat format = kFormats[data[0] % std::size(kFormats)];
  WebhookAnswer answer;
  answer.status = (data[1] << 8 | data[2]) % 700;
  if (data[3] != 0xFF) answer.retryAfterSeconds = data[3] == 0xFE ? 1LL << 62 : data[3];
  answer.body = InputBytes(data + kHeaderBytes, size - kHeaderBytes);

  const Delivery delivery = JudgeAnswer(format, answer);
  const bool success = answer.status >= 200 && answer.status <= 299;
  if (delivery.verdict == DeliveryVerdict::Sent) {
    FUZZ_CHECK(success && delivery.failure.empty());
  } else {
    FUZZ_CHECK(!delivery.failure.empty() && delivery.failure.size() <= kLongestFailure);
    for (const char ch : delivery.failure) FUZZ_CHECK(ch >= 0x20 && ch < 0x7F);
  }
  FUZZ_CHECK(delivery.robotMessage.size() <= kRobotMessageMaxBytes && IsCleanUtf8(delivery.robotMessage));
  if (delivery.waitMs) {
    FUZZ_CHECK(delivery.verdict == DeliveryVerdict::RateLimited);
    FUZZ_CHECK(*delivery.waitMs >= 0 && *delivery.waitMs <= kLongestRateLimitWaitMs);
  }
  if (format == WebhookFormat::Own) {
    WebhookAnswer bodiless = answer;
    bodiless.body.clear();
    const Delivery byStatus = JudgeAnswer(format, bodiless);
    FUZZ_CHECK(byStatus.verdict == delivery.verdict && byStatus.failure == delivery.failure);
  }
  return 0;
}
