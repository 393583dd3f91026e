// A webhook address typed or pasted by anyone: an accepted one is plain ASCII that reads back as itself,
// its masked form never shows the path or the query (the chat's token), a chat's own host is reached over
// HTTPS only, and the request built for it, in any format, goes to that very address whatever the message
// holds; Discord's text, read back from the body, keeps within its length.
#include "alerts/JsonFields.h"
#include "alerts/WebhookAddress.h"
#include "alerts/WebhookRequest.h"
#include "tests/fuzz/FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto [text, message] = SplitInTwo(InputBytes(data, size));
  const WebhookAddressParse parse = ParseWebhookAddress(text);
  if (parse.refusal) return 0;
  const WebhookAddress& address = parse.address;
  const std::string url = AddressUrl(address);
  for (char c : url) FUZZ_CHECK(c > 0x20 && c < 0x7F);
  const WebhookAddressParse again = ParseWebhookAddress(url);
  FUZZ_CHECK(!again.refusal && AddressUrl(again.address) == url);
  FUZZ_CHECK(address.port >= 1 && address.port <= 65535 && !address.host.empty());

  // Everything after the scheme, host and port is masked.
  const std::string origin = url.substr(0, url.size() - address.pathAndQuery.size());
  FUZZ_CHECK(MaskedAddress(address) == origin + "/****");

  if (!address.secure) FUZZ_CHECK(FormatOf(address) == WebhookFormat::Own);

  AlertMessage alert;
  alert.text = message;
  alert.station = message;
  for (const WebhookFormat format : {WebhookFormat::WeCom, WebhookFormat::DingTalk, WebhookFormat::Feishu,
                                     WebhookFormat::Slack, WebhookFormat::Discord, WebhookFormat::ServerChan,
                                     WebhookFormat::Own}) {
    const WebhookRequest request = BuildWebhookRequest(address, format, message, alert, 1765089566000);
    FUZZ_CHECK(request.url.compare(0, url.size(), url) == 0 && request.format == format);
    if (format == WebhookFormat::Discord) {
      const auto fields = ReadJsonFields(request.body);
      const auto content = fields.find("content");
      FUZZ_CHECK(content != fields.end() && content->second.isString);
      std::size_t characters = 0;
      for (const char ch : content->second.text) characters += (static_cast<unsigned char>(ch) & 0xC0) != 0x80;
      FUZZ_CHECK(characters <= kDiscordTextMaxChars);
    }
  }
  return 0;
}
