#include "streaming/PublishValidation.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <vector>

#include "encoder/EncoderCommandLine.h"

namespace {

using Lines = std::vector<std::string>;

// All bytes of a literal, NUL bytes included.
template <std::size_t N>
std::string Bytes(const char (&literal)[N]) {
  return std::string(literal, N - 1);
}

const char kDevice[] = "麦克风 (Realtek High Definition Audio)";
const char kGood[] = "rtmp://1000.push.quorvel.com/app/stream";

TEST(PublishValidation, MessagesAreTheProgramsTexts) {
  EXPECT_STREQ(kPublishHostSuffix, ".push.quorvel.com/");
  EXPECT_STREQ(kMsgServerMissing, "请重新设置服务器地址，服务器地址不存在！");
  EXPECT_STREQ(kMsgServerPrefix, "请重新设置服务器地址，必须以\"rtmp://\"开头，请参考示例！");
  EXPECT_STREQ(kMsgAppMissing, "请重新设置服务器地址，APP字段不可为空，请参考示例！");
  EXPECT_STREQ(kMsgStreamMissing, "请重新设置服务器地址，STREAM字段不可为空，请参考示例！");
  EXPECT_STREQ(kMsgNotServiceHost, "非Quorvel习惯直播地址，有可能出错！！！");
  EXPECT_STREQ(kMsgDeviceMissing, "音频设备选择有误，请重新选择，或者检查声卡驱动程序！！！");
  EXPECT_STREQ(kMsgTooLong, "音频设备名称或服务器地址过长，无法启动直播！");
  // The quotes around rtmp:// are ASCII.
  EXPECT_NE(std::string(kMsgServerPrefix).find("\"rtmp://\""), std::string::npos);
}

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
      {"exactly 12 bytes", "rtmp://h/a/s", kDevice, true, "rtmp://h/a/s", {kMsgNotServiceHost}},
      {"a full-width blank stays", "rtmp://1000.push.quorvel.com/app/　stream", kDevice, true,
       "rtmp://1000.push.quorvel.com/app/　stream", {}},
      {"Chinese fields", "rtmp://1000.push.quorvel.com/直播/乗", kDevice, true,
       "rtmp://1000.push.quorvel.com/直播/乗", {}},
      {"any device text", kGood, " ", true, kGood, {}},
  };
  for (const Case& c : cases) Check(c);
}

TEST(PublishValidation, RefusedAddresses) {
  const Case cases[] = {
      // Length, counted in bytes after the blanks are gone.
      {"empty", "", kDevice, false, "", {kMsgServerMissing}},
      {"blanks only", "     ", kDevice, false, "", {kMsgServerMissing}},
      {"rtmp://a/b has 10 bytes", "rtmp://a/b", kDevice, false, "rtmp://a/b", {kMsgServerMissing}},
      {"11 bytes", "rtmp://a/bc", kDevice, false, "rtmp://a/bc", {kMsgServerMissing}},
      {"short once the blanks are gone", "rtmp:// a/ b  ", kDevice, false, "rtmp://a/b", {kMsgServerMissing}},
      {"a double-byte character counts two: 11", "rtmp://主/a", kDevice, false, "rtmp://主/a", {kMsgServerMissing}},
      {"a double-byte character counts two: 12", "rtmp://主/ab", kDevice, false, "rtmp://主/ab", {kMsgStreamMissing}},
      // Prefix.
      {"capitals", "RTMP://1000.push.quorvel.com/app/stream", kDevice, false,
       "RTMP://1000.push.quorvel.com/app/stream", {kMsgServerPrefix}},
      {"another scheme", "http://1000.push.quorvel.com/app/stream", kDevice, false,
       "http://1000.push.quorvel.com/app/stream", {kMsgServerPrefix}},
      {"prefix not at the start", "xrtmp://1000.push.quorvel.com/app/stream", kDevice, false,
       "xrtmp://1000.push.quorvel.com/app/stream", {kMsgServerPrefix}},
      {"a leading full-width blank stays", "　rtmp://1000.push.quorvel.com/app/stream", kDevice, false,
       "　rtmp://1000.push.quorvel.com/app/stream", {kMsgServerPrefix}},
      {"rtmps", "rtmps://1000.push.quorvel.com/app/stream", kDevice, false,
       "rtmps://1000.push.quorvel.com/app/stream", {kMsgServerPrefix}},
      // Fields.
      {"empty host", "rtmp:///app/stream", kDevice, false, "rtmp:///app/stream", {kMsgServerMissing}},
      {"no slash after the host", "rtmp://1000.push.quorvel.com", kDevice, false, "rtmp://1000.push.quorvel.com",
       {kMsgAppMissing}},
      {"empty APP at the end", "rtmp://1000.push.quorvel.com/", kDevice, false, "rtmp://1000.push.quorvel.com/",
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

// A control byte saved in config.db would end (Ctrl+Z) or split (CR, LF) its line at the next start and
// lose the settings after it; such bytes go like blanks, so the address saved holds none.
TEST(PublishValidation, ControlBytesAreRemovedLikeBlanks) {
  const Case cases[] = {
      {"Ctrl+Z pasted at the end", "rtmp://1000.push.quorvel.com/app/stream\x1A", kDevice, true, kGood, {}},
      {"tabs before and after", "\trtmp://1000.push.quorvel.com/app/stream\t", kDevice, true, kGood, {}},
      {"CR LF pasted in the middle", "rtmp://1000.push.quorvel.com/app/\r\nstream", kDevice, true, kGood, {}},
      {"NUL, other controls and DEL", Bytes("rtmp://1000.push.\0quorvel.com/\x01\x1F" "app/str\x7F" "eam"),
       kDevice, true, kGood, {}},
      {"double-byte characters stay whole", "rtmp://1000.push.quorvel.com/\x81\x5C\x1A/\x95\x7E\n", kDevice, true,
       "rtmp://1000.push.quorvel.com/\x81\x5C/\x95\x7E", {}},
      {"short once the controls are gone", "rtmp://a/b\x1A\x1A\x1A", kDevice, false, "rtmp://a/b", {kMsgServerMissing}},
      {"a STREAM of controls only is empty", "rtmp://1000.push.quorvel.com/app/\r\n", kDevice, false,
       "rtmp://1000.push.quorvel.com/app/", {kMsgStreamMissing}},
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
      {"a very long device", kGood, std::string(40000, 'd'), false, kGood, {kMsgTooLong}},
      // Each quote takes two bytes once escaped: 16380 of them do not fit, 16380 plain bytes would.
      {"escaping counts", kGood, std::string(16380, '"'), false, kGood, {kMsgTooLong}},
      {"the same length unescaped", kGood, std::string(16380, 'd'), true, kGood, {}},
      {"warning, then too long", "rtmp://host/app/stream", std::string(40000, 'd'), false, "rtmp://host/app/stream",
       {kMsgNotServiceHost, kMsgTooLong}},
  };
  for (const Case& c : cases) Check(c);
}

}  // namespace
