// A webhook address typed or pasted by anyone: an accepted one is plain ASCII that reads back as itself,
// its masked form never shows the path or the query (the chat's token), and the request built for it goes
// to that very address whatever the message holds.
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

  AlertMessage alert;
  alert.text = message;
  alert.station = message;
  const WebhookRequest request = BuildWebhookRequest(address, message, alert, 1765089566000);
  FUZZ_CHECK(request.url.compare(0, url.size(), url) == 0);
  return 0;
}
