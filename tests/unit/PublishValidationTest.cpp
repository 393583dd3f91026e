#include "streaming/PublishValidation.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <vector>

#include "encoder/EncoderCommandLine.h"

using Lines = std::vector<std::string>;

const char kDevice[] = "麦克风 (Realtek High Definition Audio)";
const std::string kHost = "rtmp://1000.push.quorvel.com";
const std::string kGood = kHost + "/app/stream";

TEST(PublishValidation, Verdicts) {
  const std::string base = kHost + "/app/";
  // The longest stream that still leaves room for the terminating NUL.
  // The longest line: with libfdk_aac and the level meter.
  const std::string fits =
      base + std::string(kMaxCommandLineChars - 1 - BuildStreamArgs("d", "192", base, "libfdk_aac", true).size(), 'x');
  ASSERT_EQ(BuildStreamArgs("d", "192", fits, "libfdk_aac", true).size() + 1, kMaxCommandLineChars);
  const struct {
    const char* what;
    std::string server;
    std::string device;
    Lines lines;  // none: accepted
    bool tls = true;  // the encoder speaks TLS
  } cases[] = {
      {"the example address", kGood, kDevice, {}},
      {"stream with more slashes and a key", kGood + "?key=x/y", kDevice, {}},
      {"another host: warning, then accepted", "rtmp://host/app/stream?key=x/y", kDevice, {kMsgNotServiceHost}},
      {"suffix anywhere counts", "rtmp://h/app/s.push.quorvel.com/", kDevice, {}},
      {"suffix needs its closing slash", kHost + ":1935/app/stream", kDevice, {kMsgNotServiceHost}},
      {"any device text", kGood, " ", {}},
      {"rtmps, another host", " rtmps://host/app/stream?key=x/y", kDevice, {kMsgNotServiceHost}},
      {"rtmp needs no TLS", kGood, kDevice, {}, false},
      {"rtmps without TLS: that line alone", "rtmps://host/app/", "", {kMsgRtmpsWithoutTls}, false},
      {"rtmps in capitals", "RTMPS://1000.push.quorvel.com/app/stream", kDevice, {kMsgServerPrefix}},
      {"rtmps: 12 bytes, no STREAM", "rtmps://a/bc", kDevice, {kMsgStreamMissing}},
      // Length, counted in bytes after the blanks are gone.
      {"empty", "", kDevice, {kMsgServerMissing}},
      {"11 bytes", "rtmp://a/bc", kDevice, {kMsgServerMissing}},
      {"short once the blanks are gone", "rtmp:// a/ b  ", kDevice, {kMsgServerMissing}},
      {"a double-byte character counts two: 11", "rtmp://主/a", kDevice, {kMsgServerMissing}},
      {"a double-byte character counts two: 12", "rtmp://主/ab", kDevice, {kMsgStreamMissing}},
      {"capitals", "RTMP://1000.push.quorvel.com/app/stream", kDevice, {kMsgServerPrefix}},
      {"prefix not at the start", "x" + kGood, kDevice, {kMsgServerPrefix}},
      {"empty host", "rtmp:///app/stream", kDevice, {kMsgServerMissing}},
      {"no slash after the host", kHost, kDevice, {kMsgAppMissing}},
      {"empty APP before a slash", kHost + "//stream", kDevice, {kMsgAppMissing}},
      {"no slash after APP", kHost + "/app", kDevice, {kMsgStreamMissing}},
      {"STREAM of a blank only", kHost + "/app/ ", kDevice, {kMsgStreamMissing}},
      {"field checks come before the device", kHost + "/app/", "", {kMsgStreamMissing}},
      {"no device", kGood, "", {kMsgDeviceMissing}},
      {"warning, then no device", "rtmp://host/app/stream", "", {kMsgNotServiceHost, kMsgDeviceMissing}},
      // The streaming command line must fit the system's limit.
      {"at the limit", fits, "d", {}},
      {"one byte over", fits + "x", "d", {kMsgTooLong}},
      // Each quote takes two bytes once escaped: 16380 of them do not fit, 16380 plain bytes would.
      {"escaping counts", kGood, std::string(16380, '"'), {kMsgTooLong}},
      {"the same length unescaped", kGood, std::string(16380, 'd'), {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const ValidationResult r = ValidatePublishSettings(c.server, c.device, c.tls);
    EXPECT_EQ(r.ok, c.lines.empty() || c.lines == Lines{kMsgNotServiceHost});
    EXPECT_EQ(r.logLines, c.lines);
  }
}
