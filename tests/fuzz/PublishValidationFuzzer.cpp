// The publish-address check on any address and device: the cleaned address holds no blank or control
// byte, checking it again changes nothing, and an accepted address has the fields the encoder needs.
#include "streaming/PublishValidation.h"

#include "text/AnsiText.h"
#include "encoder/EncoderCommandLine.h"
#include "tests/fuzz/FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto [server, device] = SplitInTwo(InputBytes(data, size));
  const bool tls = size % 2 == 0;  // half the inputs each way
  const ValidationResult r = ValidatePublishSettings(server, device, tls);
  const std::string& cleaned = r.cleanedServer;

  std::string expected;
  for (char c : server)
    if (static_cast<unsigned char>(c) > 0x20 && c != 0x7F) expected += c;
  FUZZ_CHECK(cleaned == expected);
  const ValidationResult again = ValidatePublishSettings(cleaned, device, tls);
  FUZZ_CHECK(again.ok == r.ok && again.cleanedServer == cleaned && again.logLines == r.logLines);
  const bool secure = cleaned.compare(0, 8, "rtmps://") == 0;
  if (!r.logLines.empty() && r.logLines.back() == kMsgRtmpsWithoutTls) FUZZ_CHECK(secure && !tls && r.logLines.size() == 1);

  const bool warned = !r.logLines.empty() && r.logLines.front() == kMsgNotServiceHost;
  if (warned) FUZZ_CHECK(!ContainsAnsiText(cleaned, kPublishHostSuffix));
  FUZZ_CHECK(r.logLines.size() == (warned ? 1u : 0u) + (r.ok ? 0u : 1u));
  if (!r.ok) return 0;
  FUZZ_CHECK(warned == !ContainsAnsiText(cleaned, kPublishHostSuffix));
  FUZZ_CHECK(cleaned.size() >= 12 && (cleaned.compare(0, 7, "rtmp://") == 0 || (secure && tls)));
  const std::size_t hostStart = secure ? 8 : 7;
  const std::size_t hostEnd = cleaned.find('/', hostStart);
  FUZZ_CHECK(hostEnd != std::string::npos && hostEnd > hostStart);
  const std::size_t appEnd = cleaned.find('/', hostEnd + 1);
  FUZZ_CHECK(appEnd != std::string::npos && appEnd > hostEnd + 1 && appEnd + 1 < cleaned.size());
  FUZZ_CHECK(!device.empty());
  FUZZ_CHECK(BuildStreamArgs(device, "192", cleaned).size() < kMaxCommandLineChars);
  return 0;
}
