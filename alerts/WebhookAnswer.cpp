#include "alerts/WebhookAnswer.h"

#include "text/AsciiText.h"

#include "alerts/JsonFields.h"

#include <algorithm>
#include <map>

namespace {

constexpr int kFirstSuccessStatus = 200;
constexpr int kLastSuccessStatus = 299;
constexpr int kMovedPermanently = 301;
constexpr int kPermanentRedirect = 308;
constexpr int kFirstClientErrorStatus = 400;
constexpr int kLastClientErrorStatus = 499;
constexpr int kRequestTimeout = 408;
constexpr int kTooManyRequests = 429;
constexpr long long kMsPerSecond = 1000;
// Longer codes are not looked up (none of the robots' is); 18 decimal digits fit a long long.
constexpr std::size_t kLongestLookedUpCode = 18;
// Slack answers a word ("invalid_token", "no_team"): shown with the status when it is one.
constexpr std::size_t kLongestSlackWord = 64;

enum class CodeMeans {
  Never,
  RateLimited,
  Signature,  // the signature or the security settings refused it: Never, and the clock may be why
};

struct KnownCode {
  WebhookFormat format;
  long long code;
  CodeMeans means;
};

// From each robot's public documentation. A code not here is taken for a passing fault.
constexpr KnownCode kKnownCodes[] = {
    // WeCom: the group robot's guide (developer.work.weixin.qq.com/document/path/91770) and the global
    // error codes (…/document/path/90313).
    {WebhookFormat::WeCom, 93000, CodeMeans::Never},        // invalid webhook url: a wrong or removed key
    {WebhookFormat::WeCom, 40008, CodeMeans::Never},        // invalid msgtype
    {WebhookFormat::WeCom, 40058, CodeMeans::Never},        // invalid request parameter (a content too long)
    {WebhookFormat::WeCom, 45002, CodeMeans::Never},        // content size out of limit
    {WebhookFormat::WeCom, 45009, CodeMeans::RateLimited},  // api freq out of limit: 20 a minute a robot
    // DingTalk: the custom robot's guide and security settings (open.dingtalk.com/document/robots/
    // custom-robot-access, …/customize-robot-security-settings).
    {WebhookFormat::DingTalk, 310000, CodeMeans::Signature},   // keywords not in content, sign not match,
                                                               // invalid timestamp, ip not in whitelist
    {WebhookFormat::DingTalk, 300001, CodeMeans::Never},       // token is not exist
    {WebhookFormat::DingTalk, 300005, CodeMeans::Never},       // token is not exist
    {WebhookFormat::DingTalk, 130101, CodeMeans::RateLimited}, // send too fast, exceed 20 times per minute
    // Feishu/Lark: the custom bot's guide (open.feishu.cn/document/client-docs/bot-v3/add-custom-bot) and
    // the server's error codes (…/document/server-docs/api-call-guide/generic-error-code).
    {WebhookFormat::Feishu, 19001, CodeMeans::Never},          // incoming webhook access token invalid
    {WebhookFormat::Feishu, 19002, CodeMeans::Never},          // param invalid
    {WebhookFormat::Feishu, 19021, CodeMeans::Signature},      // sign match fail or timestamp is not within
                                                               // one hour from current time
    {WebhookFormat::Feishu, 19022, CodeMeans::Never},          // Ip Not Allowed
    {WebhookFormat::Feishu, 19024, CodeMeans::Never},          // Key Words Not Found
    {WebhookFormat::Feishu, 9499, CodeMeans::Never},           // Bad Request: the body's shape, over 20 KB
    {WebhookFormat::Feishu, 11232, CodeMeans::RateLimited},    // frequency limited: 100 a minute, 5 a second
    {WebhookFormat::Feishu, 99991400, CodeMeans::RateLimited}, // request trigger frequency limit
    // ServerChan (sct.ftqq.com): the API's answers.
    {WebhookFormat::ServerChan, 20001, CodeMeans::Never},      // [INPUT] a field missing or wrong
    {WebhookFormat::ServerChan, 40001, CodeMeans::Never},      // [AUTH] no such key, or no right to it
};

// The code a robot answered, as written.
struct RobotCode {
  std::string field;  // "errcode", "code"
  std::string text;   // a JSON number, ASCII
};

bool IsSuccess(int status) { return status >= kFirstSuccessStatus && status <= kLastSuccessStatus; }

bool IsZero(const std::string& number) {
  for (const char ch : number) {
    if (ch == 'e' || ch == 'E') break;
    if (ch >= '1' && ch <= '9') return false;
  }
  return true;
}

const KnownCode* Lookup(WebhookFormat format, const std::string& number) {
  const bool negative = !number.empty() && number.front() == '-';
  const std::string digits = number.substr(negative ? 1 : 0);
  if (digits.empty() || digits.size() > kLongestLookedUpCode ||
      digits.find_first_not_of("0123456789") != std::string::npos) {
    return nullptr;
  }
  const long long code = (negative ? -1 : 1) * std::stoll(digits);
  for (const KnownCode& known : kKnownCodes) {
    if (known.format == format && known.code == code) return &known;
  }
  return nullptr;
}

// Valid UTF-8 only, control characters as blanks, blanks at the ends dropped, at most maxBytes.
std::string CleanText(std::string_view bytes, std::size_t maxBytes) {
  std::string out;
  for (std::size_t at = 0; at < bytes.size();) {
    const auto byte = static_cast<unsigned char>(bytes[at]);
    const auto continuation = [&](std::size_t i, unsigned char low = 0x80, unsigned char high = 0xBF) {
      if (at + i >= bytes.size()) return false;
      const auto next = static_cast<unsigned char>(bytes[at + i]);
      return next >= low && next <= high;
    };
    std::size_t length = 0;
    if (byte < 0x80) {
      length = 1;
    } else if (byte >= 0xC2 && byte <= 0xDF) {
      length = continuation(1) ? 2 : 0;
    } else if (byte >= 0xE0 && byte <= 0xEF) {
      // No overlong forms (E0 80–9F) and no surrogates (ED A0–BF).
      const bool second = byte == 0xE0 ? continuation(1, 0xA0) : byte == 0xED ? continuation(1, 0x80, 0x9F)
                                                                               : continuation(1);
      length = second && continuation(2) ? 3 : 0;
    } else if (byte >= 0xF0 && byte <= 0xF4) {
      // No overlong forms (F0 80–8F) and nothing past U+10FFFF (F4 90–BF).
      const bool second = byte == 0xF0 ? continuation(1, 0x90) : byte == 0xF4 ? continuation(1, 0x80, 0x8F)
                                                                               : continuation(1);
      length = second && continuation(2) && continuation(3) ? 4 : 0;
    }
    if (length == 0) {
      ++at;  // not UTF-8: left out
      continue;
    }
    if (out.size() + length > maxBytes) break;
    if (length == 1 && (byte < 0x20 || byte == 0x7F)) {
      out += ' ';
    } else {
      out.append(bytes.substr(at, length));
    }
    at += length;
  }
  const std::size_t first = out.find_first_not_of(' ');
  if (first == std::string::npos) return std::string();
  return out.substr(first, out.find_last_not_of(' ') - first + 1);
}

bool IsSlackWord(const std::string& text) {
  return !text.empty() && text.size() <= kLongestSlackWord &&
         text.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789_") == std::string::npos;
}

bool MentionsTimestamp(const std::string& message) { return AsciiLower(message).find("timestamp") != std::string::npos; }

}  // namespace

Delivery JudgeAnswer(WebhookFormat format, const WebhookAnswer& answer) {
  Delivery delivery;
  if (!answer.transportFailure.empty()) {
    delivery.failure = answer.transportFailure;
    return delivery;
  }
  const int status = answer.status;
  const std::string_view body = std::string_view(answer.body).substr(0, kWebhookAnswerMaxBytes);

  // The chat's own words: JSON with a code and a message, or Slack's plain text.
  std::optional<RobotCode> code;
  std::string message;
  const auto readJson = [&](const char* codeField, const char* messageField) {
    const std::map<std::string, JsonValue> fields = ReadJsonFields(body);
    const auto number = fields.find(codeField);
    if (number != fields.end() && !number->second.isString) code = RobotCode{codeField, number->second.text};
    const auto words = fields.find(messageField);
    if (words != fields.end() && words->second.isString) message = CleanText(words->second.text, kRobotMessageMaxBytes);
  };
  switch (format) {
    case WebhookFormat::WeCom:
    case WebhookFormat::DingTalk: readJson("errcode", "errmsg"); break;
    case WebhookFormat::Feishu: readJson("code", "msg"); break;
    case WebhookFormat::ServerChan:
    case WebhookFormat::Discord: readJson("code", "message"); break;
    case WebhookFormat::Slack: message = CleanText(body, kRobotMessageMaxBytes); break;
    case WebhookFormat::Own: break;
  }

  // A 2xx without a code (a relay in front may answer its own "ok") is taken at its word.
  if (IsSuccess(status) && (!code || IsZero(code->text))) {
    delivery.verdict = DeliveryVerdict::Sent;
    return delivery;
  }
  delivery.robotMessage = message;
  const KnownCode* known = code && !IsZero(code->text) ? Lookup(format, code->text) : nullptr;
  const CodeMeans* means = known ? &known->means : nullptr;
  if (IsSuccess(status)) {
    delivery.failure = code->field + " " + code->text;
  } else {
    delivery.failure = "HTTP " + std::to_string(status);
    if (code) delivery.failure += ", " + code->field + " " + code->text;
    if (format == WebhookFormat::Slack && IsSlackWord(message)) delivery.failure += ", " + message;
  }
  delivery.clockSuspect = means && *means == CodeMeans::Signature && MentionsTimestamp(message);

  if (status == kTooManyRequests || (means && *means == CodeMeans::RateLimited)) {
    delivery.verdict = DeliveryVerdict::RateLimited;
    if (answer.retryAfterSeconds && *answer.retryAfterSeconds >= 0) {
      delivery.waitMs = std::min(*answer.retryAfterSeconds, kLongestRateLimitWaitMs / kMsPerSecond) * kMsPerSecond;
    }
  } else if (IsSuccess(status)) {
    delivery.verdict = means ? DeliveryVerdict::Never : DeliveryVerdict::TryAgain;
  } else if (status >= kFirstClientErrorStatus && status <= kLastClientErrorStatus && status != kRequestTimeout) {
    // The request itself is wrong (the address, the token, the body): sent again, it is refused again.
    delivery.verdict = DeliveryVerdict::Never;
  } else if (status == kMovedPermanently || status == kPermanentRedirect) {
    // Redirects are never followed: WinHTTP would repeat the POST as a GET. A permanent one says the
    // address is outdated, which waiting does not mend; a temporary one (302, 303, 307: a proxy's login
    // page, a service being moved) may pass, and is tried again.
    delivery.verdict = DeliveryVerdict::Never;
  }
  return delivery;
}
