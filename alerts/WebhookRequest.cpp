#include "alerts/WebhookRequest.h"

#include "alerts/Sha256.h"
#include "alerts/WebEncoding.h"
#include "res/Texts.h"
#include "text/AsciiText.h"

const char kJsonContentType[] = "application/json; charset=utf-8";
const char kFormContentType[] = "application/x-www-form-urlencoded; charset=utf-8";

namespace {

constexpr long long kMsPerSecond = 1000;

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

// Text cut to at most limit bytes (or characters), whole characters only, the cut marked within it.
std::string Shortened(const std::string& utf8, std::size_t limit, bool countCharacters) {
  const std::string mark = utf8::kAlertTextCut;  // one character
  if (countCharacters) {
    if (FirstChars(utf8, limit).size() == utf8.size()) return utf8;
    return FirstChars(utf8, limit - 1) + mark;
  }
  if (utf8.size() <= limit) return utf8;
  std::size_t cut = limit - mark.size();
  while (cut > 0 && (static_cast<unsigned char>(utf8[cut]) & 0xC0) == 0x80) --cut;
  return utf8.substr(0, cut) + mark;
}

// Slack's markup takes &, < and > as its own: a text shows them escaped.
std::string SlackEscaped(const std::string& text) {
  std::string out;
  for (const char ch : text) {
    if (ch == '&') out += "&amp;";
    else if (ch == '<') out += "&lt;";
    else if (ch == '>') out += "&gt;";
    else out += ch;
  }
  return out;
}

std::string Base64Of(const Sha256Digest& mac) {
  return Base64Encode(std::string(reinterpret_cast<const char*>(mac.data()), mac.size()));
}

std::string DingTalkSignature(const std::string& secret, long long epochMs) {
  return UrlEncode(Base64Of(HmacSha256(secret, std::to_string(epochMs) + "\n" + secret)));
}

// Feishu signs nothing of the message: the key is the time and the secret, the data empty.
std::string FeishuSignature(const std::string& secret, long long epochSeconds) {
  return Base64Of(HmacSha256(std::to_string(epochSeconds) + "\n" + secret, ""));
}

bool IsBlank(char ch) { return ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n'; }

// name equals word (lower case) but for the case of its letters.
bool SameWord(std::string_view name, std::string_view word) {
  if (name.size() != word.size()) return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (AsciiLower(name[i]) != word[i]) return false;
  }
  return true;
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

std::optional<WebhookFormat> ParseWebhookFormat(std::string_view name) {
  while (!name.empty() && IsBlank(name.front())) name.remove_prefix(1);
  while (!name.empty() && IsBlank(name.back())) name.remove_suffix(1);
  static const struct {
    const char* name;
    WebhookFormat format;
  } kNames[] = {
      {"wecom", WebhookFormat::WeCom},     {"dingtalk", WebhookFormat::DingTalk},
      {"feishu", WebhookFormat::Feishu},   {"slack", WebhookFormat::Slack},
      {"discord", WebhookFormat::Discord}, {"serverchan", WebhookFormat::ServerChan},
      {"json", WebhookFormat::Own},
  };
  for (const auto& known : kNames) {
    if (SameWord(name, known.name)) return known.format;
  }
  return std::nullopt;
}

WebhookFormat ChosenFormat(const WebhookAddress& address, std::string_view formatSetting) {
  return ParseWebhookFormat(formatSetting).value_or(FormatOf(address));
}

bool FormatSigns(WebhookFormat format) { return format == WebhookFormat::DingTalk || format == WebhookFormat::Feishu; }

std::string TrimmedSecret(std::string_view secret) {
  while (!secret.empty() && IsBlank(secret.front())) secret.remove_prefix(1);
  while (!secret.empty() && IsBlank(secret.back())) secret.remove_suffix(1);
  return std::string(secret);
}

WebhookRequest BuildWebhookRequest(const WebhookAddress& address, WebhookFormat format, const std::string& rawSecret,
                                   const AlertMessage& message, long long epochMs) {
  WebhookRequest request{AddressUrl(address), kJsonContentType, "", format};
  const std::string secret = TrimmedSecret(rawSecret);
  const std::string human = HumanText(message);
  const std::string text = JsonString(human);
  switch (format) {
    case WebhookFormat::DingTalk:
      if (!secret.empty()) {
        request.url += address.pathAndQuery.find('?') == std::string::npos ? "?" : "&";
        request.url += "timestamp=" + std::to_string(epochMs) + "&sign=" + DingTalkSignature(secret, epochMs);
      }
      request.body = R"({"msgtype":"text","text":{"content":)" + text + "}}";
      break;
    case WebhookFormat::WeCom:
      request.body =
          R"({"msgtype":"text","text":{"content":)" + JsonString(Shortened(human, kWeComTextMaxBytes, false)) + "}}";
      break;
    case WebhookFormat::Feishu: {
      std::string signature;
      if (!secret.empty()) {
        const long long seconds = epochMs / kMsPerSecond;
        signature = R"("timestamp":")" + std::to_string(seconds) + R"(","sign":")" +
                    FeishuSignature(secret, seconds) + R"(",)";
      }
      request.body = "{" + signature + R"("msg_type":"text","content":{"text":)" + text + "}}";
      break;
    }
    case WebhookFormat::Slack:
      request.body = R"({"text":)" + JsonString(SlackEscaped(human)) + "}";
      break;
    case WebhookFormat::Discord:
      request.body = R"({"content":)" + JsonString(Shortened(human, kDiscordTextMaxChars, true)) +
                     R"(,"allowed_mentions":{"parse":[]}})";
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
