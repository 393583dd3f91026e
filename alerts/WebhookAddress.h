#pragma once
// A webhook's address: where alerts are posted. Its path and query hold the chat's token (whoever has it
// can post into the group), so the log only ever shows it masked.
#include <string>
#include <string_view>

struct WebhookAddress {
  bool secure = false;      // https
  std::string host;         // lower case
  int port = 0;             // as given, else 80 or 443
  std::string pathAndQuery; // starts with '/'; the fragment left out
};

// Either the address, or why it is refused: one of kAlertAddressEmpty, kAlertAddressScheme,
// kAlertAddressMalformed, kAlertAddressNeedsHttps (res/Texts.h, code page 936), shown in the log as it is.
struct WebhookAddressParse {
  WebhookAddress address;
  const char* refusal = nullptr;
};

// Blanks and line ends around the text are ignored. Refused: nothing left; a scheme other than http or
// https (any case), or none; any blank, control or non-ASCII byte inside (a webhook address is ASCII,
// so WinHTTP gets exactly the bytes the person typed); a user name ("user@host"); a bracketed IPv6
// host; a host that is not letters, digits, '-', '_' and dots between non-empty labels; a port that is
// not 1–65535; http:// to a chat service's own host (WeCom, DingTalk, Feishu/Lark, Slack, Discord,
// ServerChan), which is reached over HTTPS only (a relay of one's own may be http://).
WebhookAddressParse ParseWebhookAddress(std::string_view text);

// "https://oapi.dingtalk.com/****": scheme, host and a port other than the scheme's own; never the path
// or the query.
std::string MaskedAddress(const WebhookAddress& address);

// The address written out again, as it is posted to.
std::string AddressUrl(const WebhookAddress& address);
