// The publish-address check on any address and device: the cleaned address holds no blank or control
// byte, checking it again changes nothing, and the log lines agree with the verdict.
#include "streaming/PublishValidation.h"

#include "text/AnsiText.h"
#include "encoder/EncoderCommandLine.h"
#include "tests/fuzz/FuzzCheck.h"

namespace {

bool IsRefusal(const std::string& line) {
  for (const char* message : {kMsgServerMissing, kMsgServerPrefix, kMsgRtmpsWithoutTls, kMsgAppMissing,
                              kMsgStreamMissing, kMsgDeviceMissing, kMsgTooLong}) {
    if (line == message) return true;
  }
  return false;
}

bool SameResult(const ValidationResult& a, const ValidationResult& b) {
  return a.ok == b.ok && a.cleanedServer == b.cleanedServer && a.logLines == b.logLines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto [server, device] = SplitInTwo(InputBytes(data, size));
  const bool tls = size % 2 == 0;  // half the inputs each way
  const ValidationResult r = ValidatePublishSettings(server, device, tls);
  const std::string& cleaned = r.cleanedServer;

  std::string expected;
  for (char c : server) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (byte > 0x20 && byte != 0x7F) expected += c;
  }
  FUZZ_CHECK(cleaned == expected);
  FUZZ_CHECK(SameResult(ValidatePublishSettings(cleaned, device, tls), r));
  const bool secure = cleaned.compare(0, 8, "rtmps://") == 0;
  if (!r.logLines.empty() && r.logLines.back() == kMsgRtmpsWithoutTls) {
    FUZZ_CHECK(secure && !tls && r.logLines.size() == 1);
  }

  const bool warned = !r.logLines.empty() && r.logLines.front() == kMsgNotServiceHost;
  if (warned) FUZZ_CHECK(!ContainsAnsiText(cleaned, kPublishHostSuffix));
  if (r.ok) {
    FUZZ_CHECK(r.logLines.size() == (warned ? 1u : 0u));
    FUZZ_CHECK(cleaned.size() >= 12 && (cleaned.compare(0, 7, "rtmp://") == 0 || (secure && tls)));
    const std::size_t hostStart = secure ? 8 : 7;
    const std::size_t hostEnd = cleaned.find('/', hostStart);
    FUZZ_CHECK(hostEnd != std::string::npos && hostEnd > hostStart);
    const std::size_t appEnd = cleaned.find('/', hostEnd + 1);
    FUZZ_CHECK(appEnd != std::string::npos && appEnd > hostEnd + 1 && appEnd + 1 < cleaned.size());
    FUZZ_CHECK(!device.empty());
    FUZZ_CHECK(BuildStreamArgs(device, "192", cleaned).size() < kMaxCommandLineChars);
    FUZZ_CHECK(warned == !ContainsAnsiText(cleaned, kPublishHostSuffix));
  } else {
    FUZZ_CHECK(r.logLines.size() == (warned ? 2u : 1u));
    FUZZ_CHECK(IsRefusal(r.logLines.back()));
  }
  return 0;
}
