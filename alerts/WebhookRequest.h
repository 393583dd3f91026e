#pragma once
// The request that posts an alert to a webhook. Each chat service wants its own body; which one is told
// by the address (host and path), so the person only pastes the address the chat gave them.
#include "alerts/AlertMessage.h"
#include "alerts/WebhookAddress.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

enum class WebhookFormat {
  WeCom,       // qyapi.weixin.qq.com/cgi-bin/webhook/send: {"msgtype":"text","text":{"content":…}}
  DingTalk,    // oapi.dingtalk.com/robot/send: the same body; signed when a secret is set
  Feishu,      // open.feishu.cn, open.larksuite.com /open-apis/bot/v2/hook/…:
               //   {"msg_type":"text","content":{"text":…}}
  Slack,       // hooks.slack.com: {"text":…}
  Discord,     // discord.com or discordapp.com /api/webhooks/…: {"content":…}
  ServerChan,  // sctapi.ftqq.com/<key>.send: the form title=…&desp=…
  Own,         // any other address: {"event":…,"text":…,"station":…,"time":…}
};

WebhookFormat FormatOf(const WebhookAddress& address);

// [alert] format= of PushClient.ini, for a relay of the company's own that hands the alert on to a chat:
// "wecom", "dingtalk", "feishu", "slack", "discord", "serverchan" or "json" (ours), in any case, blanks
// around it ignored. Nothing for an empty or unknown name.
std::optional<WebhookFormat> ParseWebhookFormat(std::string_view name);

// The format named by format=, else the one the address tells (FormatOf).
WebhookFormat ChosenFormat(const WebhookAddress& address, std::string_view formatSetting);

// Whether a secret signs this format's requests (DingTalk, Feishu/Lark). The others have no signing: a
// secret set for them is not used.
bool FormatSigns(WebhookFormat format);

// A secret as it is used: blanks, tabs and line ends at both ends dropped (pasted with the secret, they
// would change the signature and the chat would refuse every message).
std::string TrimmedSecret(std::string_view secret);

// ServerChan cuts a longer title: it is shortened to this many characters by us, whole characters only.
constexpr std::size_t kServerChanTitleChars = 32;
// What the chats take of a text; a longer one is cut, whole characters only, and ends in "…".
constexpr std::size_t kWeComTextMaxBytes = 2048;    // UTF-8 bytes
constexpr std::size_t kDiscordTextMaxChars = 2000;  // characters

extern const char kJsonContentType[];  // "application/json; charset=utf-8"
extern const char kFormContentType[];  // "application/x-www-form-urlencoded; charset=utf-8"

struct WebhookRequest {
  std::string url;          // ASCII
  std::string contentType;
  std::string body;         // UTF-8
  WebhookFormat format = WebhookFormat::Own;  // the body's, by which the answer is judged (JudgeAnswer)
};

// The request posting message to address in format (ChosenFormat). secret: the signing secret (trimmed
// here), or empty; formats without signing ignore it. epochMs: the time of sending in milliseconds since
// 1970-01-01 UTC; DingTalk and Feishu refuse a signature more than an hour off.
// DingTalk: timestamp=epochMs and sign=UrlEncode(Base64(HmacSha256(secret, epochMs + "\n" + secret))) are
// added to the query. Feishu/Lark: "timestamp":"<epochMs / 1000>" and
// "sign":"<Base64(HmacSha256(timestamp + "\n" + secret, empty))>" lead the body.
// WeCom's text is cut to kWeComTextMaxBytes, Discord's to kDiscordTextMaxChars and mentions nobody;
// Slack's & < > are escaped as its markup wants.
WebhookRequest BuildWebhookRequest(const WebhookAddress& address, WebhookFormat format, const std::string& secret,
                                   const AlertMessage& message, long long epochMs);
