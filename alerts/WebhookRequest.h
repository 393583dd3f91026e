#pragma once
// The request that posts an alert to a webhook. Each chat service wants its own body; which one is told
// by the address (host and path), so the person only pastes the address the chat gave them.
#include "alerts/AlertMessage.h"
#include "alerts/WebhookAddress.h"

#include <cstddef>
#include <string>

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

// ServerChan cuts a longer title: it is shortened to this many characters by us, whole characters only.
constexpr std::size_t kServerChanTitleChars = 32;

extern const char kJsonContentType[];  // "application/json; charset=utf-8"
extern const char kFormContentType[];  // "application/x-www-form-urlencoded; charset=utf-8"

struct WebhookRequest {
  std::string url;          // ASCII
  std::string contentType;
  std::string body;         // UTF-8
};

// secret: DingTalk's signing secret ("SEC…"), or empty; other services ignore it. epochMs: the time of
// sending in milliseconds since 1970-01-01 UTC; DingTalk refuses a signature more than an hour off.
// Signed: timestamp=epochMs and sign=UrlEncode(Base64(HmacSha256(secret, epochMs + "\n" + secret))) are
// added to the query.
WebhookRequest BuildWebhookRequest(const WebhookAddress& address, const std::string& secret,
                                   const AlertMessage& message, long long epochMs);
