#include "alerts/WebhookAddress.h"

#include "res/Texts.h"
#include "text/AsciiText.h"

namespace {

constexpr int kHttpPort = 80;
constexpr int kHttpsPort = 443;
constexpr int kLargestPort = 65535;
constexpr std::size_t kLongestHost = 253;

bool IsBlank(char ch) { return ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n'; }

std::string LowerCase(std::string_view text) { return AsciiLower(std::string(text)); }

bool IsHostCharacter(char ch) {
  return (ch >= 'a' && ch <= 'z') || (ch >= '0' && ch <= '9') || ch == '-' || ch == '_' || ch == '.';
}

bool IsValidHost(const std::string& host) {
  if (host.empty() || host.size() > kLongestHost || host.front() == '.' || host.back() == '.') return false;
  if (host.find("..") != std::string::npos) return false;
  for (const char ch : host) {
    if (!IsHostCharacter(ch)) return false;
  }
  return true;
}

// 1–65535 written in digits only, else 0.
int ParsePort(std::string_view digits) {
  if (digits.empty() || digits.size() > 5) return 0;
  int port = 0;
  for (const char ch : digits) {
    if (ch < '0' || ch > '9') return 0;
    port = port * 10 + (ch - '0');
  }
  return port <= kLargestPort ? port : 0;
}

int DefaultPort(bool secure) { return secure ? kHttpsPort : kHttpPort; }

// The chats' own hosts answer over HTTPS only; over plain HTTP the token would cross the network readable.
bool IsChatServiceHost(const std::string& host) {
  static const char* const kHosts[] = {"qyapi.weixin.qq.com", "oapi.dingtalk.com", "open.feishu.cn",
                                       "open.larksuite.com",  "hooks.slack.com",   "discord.com",
                                       "discordapp.com",      "sctapi.ftqq.com"};
  for (const char* known : kHosts) {
    if (host == known) return true;
  }
  return false;
}

}  // namespace

WebhookAddressParse ParseWebhookAddress(std::string_view text) {
  WebhookAddressParse result;
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  if (text.empty()) {
    result.refusal = kAlertAddressEmpty;
    return result;
  }

  const std::size_t schemeEnd = text.find("://");
  const std::string scheme = schemeEnd == std::string_view::npos ? "" : LowerCase(text.substr(0, schemeEnd));
  if (scheme != "http" && scheme != "https") {
    result.refusal = kAlertAddressScheme;
    return result;
  }
  result.refusal = kAlertAddressMalformed;
  for (const char ch : text) {
    const auto byte = static_cast<unsigned char>(ch);
    if (byte <= 0x20 || byte >= 0x7F) return result;
  }

  WebhookAddress& address = result.address;
  address.secure = scheme == "https";
  std::string_view rest = text.substr(schemeEnd + 3);
  const std::size_t fragment = rest.find('#');
  if (fragment != std::string_view::npos) rest = rest.substr(0, fragment);
  const std::size_t authorityEnd = rest.find_first_of("/?");
  const std::string_view authority = rest.substr(0, authorityEnd);
  if (authority.find_first_of("@[]") != std::string_view::npos) return result;

  const std::size_t colon = authority.find(':');
  address.host = LowerCase(authority.substr(0, colon));
  address.port = colon == std::string_view::npos ? DefaultPort(address.secure) : ParsePort(authority.substr(colon + 1));
  if (!IsValidHost(address.host) || address.port == 0) return result;
  if (!address.secure && IsChatServiceHost(address.host)) {
    result.refusal = kAlertAddressNeedsHttps;
    return result;
  }

  address.pathAndQuery = authorityEnd == std::string_view::npos ? "/" : std::string(rest.substr(authorityEnd));
  if (address.pathAndQuery.front() == '?') address.pathAndQuery.insert(0, "/");
  result.refusal = nullptr;
  return result;
}

namespace {
std::string Origin(const WebhookAddress& address) {
  std::string origin = (address.secure ? "https://" : "http://") + address.host;
  if (address.port != DefaultPort(address.secure)) origin += ":" + std::to_string(address.port);
  return origin;
}
}  // namespace

std::string MaskedAddress(const WebhookAddress& address) { return Origin(address) + "/****"; }

std::string AddressUrl(const WebhookAddress& address) { return Origin(address) + address.pathAndQuery; }
