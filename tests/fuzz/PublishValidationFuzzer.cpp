// The publish-address check on any address and device: the cleaned address holds no blank or control
// byte, checking it again changes nothing, and the log lines agree with the verdict.
#include "streaming/PublishValidation.h"

#include "text/AnsiText.h"
#include "encoder/EncoderCommandLine.h"
#include "tests/fuzz/FuzzCheck.h"

namespace {

bool IsRefusal(const std::string& line) {
  for (const char* message : {kMsgServerMissing, kMsgServerPrefix, kMsgAppMissing, kMsgStreamMissing,
                              kMsgDeviceMissing, kMsgTooLong}) {
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
  const ValidationResult r = ValidatePublishSettings(server, device);
  const std::string& cleaned = r.cleanedServer;

  std::string expected;
  for (char c : server) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (byte > 0x20 && byte != 0x7F) expected += c;
  }
  FUZZ_CHECK(cleaned == expected);
  FUZZ_CHECK(SameResult(ValidatePublishSettings(cleaned, device), r));

  const bool warned = !r.logLines.empty() && r.logLines.front() == kMsgNotServiceHost;
  if (warned) FUZZ_CHECK(!ContainsAnsiText(cleaned, kPublishHostSuffix));
  if (r.ok) {
    FUZZ_CHECK(r.logLines.size() == (warned ? 1u : 0u));
    FUZZ_CHECK(cleaned.size() >= 12 && cleaned.compare(0, 7, "rtmp://") == 0);
    const std::size_t hostEnd = cleaned.find('/', 7);
    FUZZ_CHECK(hostEnd != std::string::npos && hostEnd > 7);
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
