#include "streaming/PublishValidation.h"

#include <cstddef>

#include "text/AnsiText.h"
#include "text/AsciiText.h"
#include "encoder/AacEncoderChoice.h"
#include "encoder/EncoderCommandLine.h"

const char kPublishHostSuffix[] = ".push.quorvel.com/";


namespace {

const char kRtmpPrefix[] = "rtmp://";
const char kRtmpsPrefix[] = "rtmps://";
const std::size_t kMinServerLength = 12;

// The longest bitrate text: the command line must fit whichever bitrate is chosen later while live, as it
// must fit with the longer AAC encoder's name and with the level meter.
const char kLongestBitrateText[] = "192";

// A control byte in the address (a pasted Ctrl+Z, tab or line break) would end or split its line in
// config.db and lose the settings after it at the next start.
bool IsBlankOrControl(unsigned char byte) {
  return byte <= 0x20 || byte == 0x7F;
}

// No second byte of a double-byte character is below 0x40 or 0x7F, so a byte-wise removal leaves every
// character whole.
std::string WithoutBlanksAndControls(const std::string& text) {
  std::string kept;
  kept.reserve(text.size());
  for (char c : text) {
    if (!IsBlankOrControl(static_cast<unsigned char>(c))) kept += c;
  }
  return kept;
}

// Which field message the address earns, or nullptr when host, APP and STREAM are all there. The host
// begins at hostStart, right after the scheme's "://".
const char* CheckFields(const std::string& server, std::size_t hostStart) {
  // '/' is below 0x40 too, so a byte search finds only real slashes.
  const std::size_t hostEnd = server.find('/', hostStart);
  if (hostEnd == hostStart) return kMsgServerMissing;
  if (hostEnd == std::string::npos) return kMsgAppMissing;
  const std::size_t appStart = hostEnd + 1;
  const std::size_t appEnd = server.find('/', appStart);
  const std::size_t appLength = (appEnd == std::string::npos ? server.size() : appEnd) - appStart;
  if (appLength == 0) return kMsgAppMissing;
  if (appEnd == std::string::npos || appEnd + 1 == server.size()) return kMsgStreamMissing;
  return nullptr;
}

}  // namespace

ValidationResult ValidatePublishSettings(const std::string& server, const std::string& device, bool encoderSpeaksTls) {
  ValidationResult result;
  result.cleanedServer = WithoutBlanksAndControls(server);
  const std::string& address = result.cleanedServer;

  auto refuse = [&result](const char* message) {
    result.logLines.emplace_back(message);
    result.ok = false;
    return result;
  };

  if (address.size() < kMinServerLength) return refuse(kMsgServerMissing);
  const bool secure = StartsWith(address, kRtmpsPrefix);
  if (!secure && !StartsWith(address, kRtmpPrefix)) return refuse(kMsgServerPrefix);
  // Without TLS the encoder could not even connect: no other finding about the address matters.
  if (secure && !encoderSpeaksTls) return refuse(kMsgRtmpsWithoutTls);
  const std::size_t hostStart = std::char_traits<char>::length(secure ? kRtmpsPrefix : kRtmpPrefix);
  if (const char* message = CheckFields(address, hostStart)) return refuse(message);
  if (!ContainsAnsiText(address, kPublishHostSuffix)) result.logLines.emplace_back(kMsgNotServiceHost);
  if (device.empty()) return refuse(kMsgDeviceMissing);
  if (BuildStreamArgs(device, kLongestBitrateText, address, kAacEncoderFdk, true).size() + 1 > kMaxCommandLineChars) {
    return refuse(kMsgTooLong);
  }
  result.ok = true;
  return result;
}
