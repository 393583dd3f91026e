#include "streaming/PublishValidation.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "encoder/EncoderCommandLine.h"

namespace {

using Lines = std::vector<std::string>;

const char kDevice[] = "麦克风 (Realtek High Definition Audio)";
const char kGood[] = "rtmp://1000.push.quorvel.com/app/stream";

struct Case {
  const char* what;
  std::string server;
  std::string device;
  bool ok;
  std::string cleaned;
  Lines lines;
};

void Check(const Case& c) {
  SCOPED_TRACE(c.what);
  const ValidationResult r = ValidatePublishSettings(c.server, c.device);
  EXPECT_EQ(r.ok, c.ok);
  EXPECT_EQ(r.cleanedServer, c.cleaned);
  EXPECT_EQ(r.logLines, c.lines);
}

TEST(PublishValidation, AcceptedAddresses) {
  const Case cases[] = {
      {"the example address", kGood, kDevice, true, kGood, {}},
      {"blanks before, inside and after", "  rtmp://1000.push. quorvel.com/app/ str eam  ", kDevice, true, kGood, {}},
      {"stream with more slashes and a key", "rtmp://1000.push.quorvel.com/app/stream?key=x/y", kDevice, true,
       "rtmp://1000.push.quorvel.com/app/stream?key=x/y", {}},
      {"another host: warning, then accepted", "rtmp://host/app/stream?key=x/y", kDevice, true,
       "rtmp://host/app/stream?key=x/y", {kMsgNotServiceHost}},
      {"suffix anywhere counts", "rtmp://h/app/s.push.quorvel.com/", kDevice, true,
       "rtmp://h/app/s.push.quorvel.com/", {}},
      {"suffix needs its closing slash", "rtmp://1000.push.quorvel.com:1935/app/stream", kDevice, true,
       "rtmp://1000.push.quorvel.com:1935/app/stream", {kMsgNotServiceHost}},
      {"a trailing tab belongs to the stream", "rtmp://1000.push.quorvel.com/app/stream\t", kDevice, true,
       "rtmp://1000.push.quorvel.com/app/stream\t", {}},
      {"a full-width blank stays", "rtmp://1000.push.quorvel.com/app/　stream", kDevice, true,
       "rtmp://1000.push.quorvel.com/app/　stream", {}},
      {"any device text", kGood, " ", true, kGood, {}},
  };
  for (const Case& c : cases) Check(c);
}

TEST(PublishValidation, RefusedAddresses) {
  const Case cases[] = {
      // Length, counted in bytes after the blanks are gone.
      {"empty", "", kDevice, false, "", {kMsgServerMissing}},
      {"11 bytes", "rtmp://a/bc", kDevice, false, "rtmp://a/bc", {kMsgServerMissing}},
      {"short once the blanks are gone", "rtmp:// a/ b  ", kDevice, false, "rtmp://a/b", {kMsgServerMissing}},
      {"a double-byte character counts two: 11", "rtmp://主/a", kDevice, false, "rtmp://主/a", {kMsgServerMissing}},
      {"a double-byte character counts two: 12", "rtmp://主/ab", kDevice, false, "rtmp://主/ab", {kMsgStreamMissing}},
      // Prefix.
      {"capitals", "RTMP://1000.push.quorvel.com/app/stream", kDevice, false,
       "RTMP://1000.push.quorvel.com/app/stream", {kMsgServerPrefix}},
      {"prefix not at the start", "xrtmp://1000.push.quorvel.com/app/stream", kDevice, false,
       "xrtmp://1000.push.quorvel.com/app/stream", {kMsgServerPrefix}},
      {"a leading tab stays", "\trtmp://1000.push.quorvel.com/app/stream", kDevice, false,
       "\trtmp://1000.push.quorvel.com/app/stream", {kMsgServerPrefix}},
      // Fields.
      {"empty host", "rtmp:///app/stream", kDevice, false, "rtmp:///app/stream", {kMsgServerMissing}},
      {"no slash after the host", "rtmp://1000.push.quorvel.com", kDevice, false, "rtmp://1000.push.quorvel.com",
       {kMsgAppMissing}},
      {"empty APP before a slash", "rtmp://1000.push.quorvel.com//stream", kDevice, false,
       "rtmp://1000.push.quorvel.com//stream", {kMsgAppMissing}},
      {"no slash after APP", "rtmp://1000.push.quorvel.com/app", kDevice, false, "rtmp://1000.push.quorvel.com/app",
       {kMsgStreamMissing}},
      {"empty STREAM", "rtmp://1000.push.quorvel.com/app/", kDevice, false, "rtmp://1000.push.quorvel.com/app/",
       {kMsgStreamMissing}},
      {"STREAM of a blank only", "rtmp://1000.push.quorvel.com/app/ ", kDevice, false,
       "rtmp://1000.push.quorvel.com/app/", {kMsgStreamMissing}},
      {"field checks come before the device", "rtmp://1000.push.quorvel.com/app/", "", false,
       "rtmp://1000.push.quorvel.com/app/", {kMsgStreamMissing}},
      // Device.
      {"no device", kGood, "", false, kGood, {kMsgDeviceMissing}},
      {"warning, then no device", "rtmp://host/app/stream", "", false, "rtmp://host/app/stream",
       {kMsgNotServiceHost, kMsgDeviceMissing}},
  };
  for (const Case& c : cases) Check(c);
}

TEST(PublishValidation, CommandLineMustFit) {
  const std::string base = "rtmp://1000.push.quorvel.com/app/";
  const std::size_t fixed = BuildStreamArgs("d", "192", base).size();
  // The longest stream that still leaves room for the terminating NUL.
  const std::string fits = base + std::string(kMaxCommandLineChars - 1 - fixed, 'x');
  ASSERT_EQ(BuildStreamArgs("d", "192", fits).size() + 1, kMaxCommandLineChars);

  const Case cases[] = {
      {"at the limit", fits, "d", true, fits, {}},
      {"one byte over", fits + "x", "d", false, fits + "x", {kMsgTooLong}},
      // Each quote takes two bytes once escaped: 16380 of them do not fit, 16380 plain bytes would.
      {"escaping counts", kGood, std::string(16380, '"'), false, kGood, {kMsgTooLong}},
      {"the same length unescaped", kGood, std::string(16380, 'd'), true, kGood, {}},
      {"warning, then too long", "rtmp://host/app/stream", std::string(40000, 'd'), false, "rtmp://host/app/stream",
       {kMsgNotServiceHost, kMsgTooLong}},
  };
  for (const Case& c : cases) Check(c);
}

}  // namespace
