#include "alerts/WebhookRequest.h"

#include "alerts/Sha256.h"
#include "alerts/WebEncoding.h"
#include "res/Texts.h"

const char kJsonContentType[] = "application/json; charset=utf-8";
const char kFormContentType[] = "application/x-www-form-urlencoded; charset=utf-8";

namespace {

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

bool EndsWith(const std::string& text, const std::string& suffix) {
  return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// A leading part of UTF-8 text of at most maxChars characters, never cutting one in two.
std::string FirstChars(const std::string& utf8, std::size_t maxChars) {
  std::size_t chars = 0;
  for (std::size_t at = 0; at < utf8.size(); ++at) {
    const bool startsCharacter = (static_cast<unsigned char>(utf8[at]) & 0xC0) != 0x80;
    if (startsCharacter && chars++ == maxChars) return utf8.substr(0, at);
  }
  return utf8;
}

std::string DingTalkSignature(const std::string& secret, long long epochMs) {
  const Sha256Digest mac = HmacSha256(secret, std::to_string(epochMs) + "\n" + secret);
  return UrlEncode(Base64Encode(std::string(reinterpret_cast<const char*>(mac.data()), mac.size())));
}

}  // namespace

WebhookFormat FormatOf(const WebhookAddress& address) {
  const std::string& host = address.host;
  const std::string path = address.pathAndQuery.substr(0, address.pathAndQuery.find('?'));
  if (host == "qyapi.weixin.qq.com" && path == "/cgi-bin/webhook/send") return WebhookFormat::WeCom;
  if (host == "oapi.dingtalk.com" && path == "/robot/send") return WebhookFormat::DingTalk;
  if ((host == "open.feishu.cn" || host == "open.larksuite.com") && StartsWith(path, "/open-apis/bot/v2/hook/")) {
    return WebhookFormat::Feishu;
  }
  if (host == "hooks.slack.com") return WebhookFormat::Slack;
  if ((host == "discord.com" || host == "discordapp.com") && StartsWith(path, "/api/webhooks/")) {
    return WebhookFormat::Discord;
  }
  // "/<key>.send": one segment, a key before the suffix.
  const std::string suffix = ".send";
  if (host == "sctapi.ftqq.com" && path.size() > 1 + suffix.size() && EndsWith(path, suffix) &&
      path.find('/', 1) == std::string::npos) {
    return WebhookFormat::ServerChan;
  }
  return WebhookFormat::Own;
}

WebhookRequest BuildWebhookRequest(const WebhookAddress& address, const std::string& secret,
                                   const AlertMessage& message, long long epochMs) {
  WebhookRequest request{AddressUrl(address), kJsonContentType, ""};
  const std::string text = JsonString(HumanText(message));
  switch (FormatOf(address)) {
    case WebhookFormat::DingTalk:
      if (!secret.empty()) {
        request.url += address.pathAndQuery.find('?') == std::string::npos ? "?" : "&";
        request.url += "timestamp=" + std::to_string(epochMs) + "&sign=" + DingTalkSignature(secret, epochMs);
      }
      [[fallthrough]];
    case WebhookFormat::WeCom:
      request.body = R"({"msgtype":"text","text":{"content":)" + text + "}}";
      break;
    case WebhookFormat::Feishu:
      request.body = R"({"msg_type":"text","content":{"text":)" + text + "}}";
      break;
    case WebhookFormat::Slack:
      request.body = R"({"text":)" + text + "}";
      break;
    case WebhookFormat::Discord:
      request.body = R"({"content":)" + text + "}";
      break;
    case WebhookFormat::ServerChan: {
      std::string title = message.text;
      if (!message.station.empty()) {
        title = utf8::kAlertStationOpen + message.station + utf8::kAlertStationClose + title;
      }
      request.contentType = kFormContentType;
      request.body =
          "title=" + UrlEncode(FirstChars(title, kServerChanTitleChars)) + "&desp=" + UrlEncode(HumanText(message));
      break;
    }
    case WebhookFormat::Own:
      request.body = R"({"event":)" + JsonString(WireName(message.event)) + R"(,"text":)" + JsonString(message.text) +
                     R"(,"station":)" + JsonString(message.station) + R"(,"time":)" +
                     JsonString(FormatIsoTime(message.time)) + "}";
      break;
  }
  return request;
}
