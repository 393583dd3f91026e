#include "streaming/PublishValidation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

#include "encoder/EncoderCommandLine.h"

namespace {

using Lines = std::vector<std::string>;

const char kDevice[] = "麦克风 (Realtek High Definition Audio)";
const std::string kHost = "rtmp://1000.push.quorvel.com";
const std::string kGood = kHost + "/app/stream";

struct Case {
  const char* what;
  std::string server;
  std::string device;
  bool ok;
  Lines lines;
  bool tls = true;
};

// Blanks and control bytes go; full-width blanks stay.
std::string WithoutBlanks(std::string text) {
  text.erase(std::remove_if(text.begin(), text.end(),
                            [](char c) { return c == ' ' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }),
             text.end());
  return text;
}

// All bytes of a literal, NUL bytes included.
template <std::size_t N>
std::string Bytes(const char (&literal)[N]) {
  return std::string(literal, N - 1);
}

void Check(const Case& c) {
  SCOPED_TRACE(c.what);
  const ValidationResult r = ValidatePublishSettings(c.server, c.device, c.tls);
  EXPECT_EQ(r.ok, c.ok);
  EXPECT_EQ(r.cleanedServer, WithoutBlanks(c.server));
  EXPECT_EQ(r.logLines, c.lines);
}

TEST(PublishValidation, AcceptedAddresses) {
  const Case cases[] = {
      {"the example address", kGood, kDevice, true, {}},
      {"blanks before, inside and after", "  rtmp://1000.push. quorvel.com/app/ str eam  ", kDevice, true, {}},
      {"stream with more slashes and a key", kGood + "?key=x/y", kDevice, true, {}},
      {"another host: warning, then accepted", "rtmp://host/app/stream?key=x/y", kDevice, true, {kMsgNotServiceHost}},
      {"suffix anywhere counts", "rtmp://h/app/s.push.quorvel.com/", kDevice, true, {}},
      {"suffix needs its closing slash", kHost + ":1935/app/stream", kDevice, true, {kMsgNotServiceHost}},
      {"a full-width blank stays", kHost + "/app/　stream", kDevice, true, {}},
      {"any device text", kGood, " ", true, {}},
      {"rtmps", "rtmps://1000.push.quorvel.com/app/stream", kDevice, true, {}},
      {"rtmps, another host", " rtmps://host/app/stream?key=x/y", kDevice, true, {kMsgNotServiceHost}},
      {"rtmp needs no TLS", kGood, kDevice, true, {}, false},
  };
  for (const Case& c : cases) Check(c);
}

TEST(PublishValidation, RefusedAddresses) {
  const Case cases[] = {
      // Length, counted in bytes after the blanks are gone.
      {"empty", "", kDevice, false, {kMsgServerMissing}},
      {"11 bytes", "rtmp://a/bc", kDevice, false, {kMsgServerMissing}},
      {"short once the blanks are gone", "rtmp:// a/ b  ", kDevice, false, {kMsgServerMissing}},
      {"a double-byte character counts two: 11", "rtmp://主/a", kDevice, false, {kMsgServerMissing}},
      {"a double-byte character counts two: 12", "rtmp://主/ab", kDevice, false, {kMsgStreamMissing}},
      // Prefix.
      {"capitals", "RTMP://1000.push.quorvel.com/app/stream", kDevice, false, {kMsgServerPrefix}},
      {"prefix not at the start", "x" + kGood, kDevice, false, {kMsgServerPrefix}},
      {"rtmps in capitals", "RTMPS://1000.push.quorvel.com/app/stream", kDevice, false, {kMsgServerPrefix}},
      {"another scheme", "http://1000.push.quorvel.com/app/stream", kDevice, false, {kMsgServerPrefix}},
      // Fields.
      {"empty host", "rtmp:///app/stream", kDevice, false, {kMsgServerMissing}},
      {"no slash after the host", kHost, kDevice, false, {kMsgAppMissing}},
      {"empty APP before a slash", kHost + "//stream", kDevice, false, {kMsgAppMissing}},
      {"no slash after APP", kHost + "/app", kDevice, false, {kMsgStreamMissing}},
      {"STREAM of a blank only", kHost + "/app/ ", kDevice, false, {kMsgStreamMissing}},
      {"field checks come before the device", kHost + "/app/", "", false, {kMsgStreamMissing}},
      {"rtmps: empty host", "rtmps:///app/stream", kDevice, false, {kMsgServerMissing}},
      {"rtmps: 12 bytes, no STREAM", "rtmps://a/bc", kDevice, false, {kMsgStreamMissing}},
      // An encoder without TLS: one line, before any other finding but the length.
      {"rtmps without TLS", "rtmps://host/app/stream", kDevice, false, {kMsgRtmpsWithoutTls}, false},
      {"rtmps without TLS or STREAM", "rtmps://host/app/", "", false, {kMsgRtmpsWithoutTls}, false},
      {"short rtmps without TLS", "rtmps://a/b", kDevice, false, {kMsgServerMissing}, false},
      // Device.
      {"no device", kGood, "", false, {kMsgDeviceMissing}},
      {"warning, then no device", "rtmp://host/app/stream", "", false, {kMsgNotServiceHost, kMsgDeviceMissing}},
  };
  for (const Case& c : cases) Check(c);
}

// A control byte saved in config.db would end (Ctrl+Z) or split (CR, LF) its line at the next start and
// lose the settings after it; such bytes go like blanks, so the address saved holds none.
TEST(PublishValidation, ControlBytesAreRemovedLikeBlanks) {
  const struct {
    const char* what;
    std::string server;
    std::string cleaned;
    Lines lines;
  } cases[] = {
      {"Ctrl+Z pasted at the end", kGood + "\x1A", kGood, {}},
      {"tabs before and after", "\t" + kGood + "\t", kGood, {}},
      {"CR LF pasted in the middle", kHost + "/app/\r\nstream", kGood, {}},
      {"NUL, other controls and DEL", Bytes("rtmp://1000.push.\0quorvel.com/\x01\x1F" "app/str\x7F" "eam"), kGood, {}},
      {"double-byte characters stay whole", kHost + "/\x81\x5C\x1A/\x95\x7E\n", kHost + "/\x81\x5C/\x95\x7E", {}},
      {"short once the controls are gone", "rtmp://a/b\x1A\x1A\x1A", "rtmp://a/b", {kMsgServerMissing}},
      {"a STREAM of controls only is empty", kHost + "/app/\r\n", kHost + "/app/", {kMsgStreamMissing}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const ValidationResult r = ValidatePublishSettings(c.server, kDevice);
    EXPECT_EQ(r.ok, c.lines.empty());
    EXPECT_EQ(r.cleanedServer, c.cleaned);
    EXPECT_EQ(r.logLines, c.lines);
  }
}

TEST(PublishValidation, CommandLineMustFit) {
  const std::string base = kHost + "/app/";
  // The longest line: with libfdk_aac and the level meter.
  const std::size_t fixed = BuildStreamArgs("d", "192", base, "libfdk_aac", true).size();
  // The longest stream that still leaves room for the terminating NUL.
  const std::string fits = base + std::string(kMaxCommandLineChars - 1 - fixed, 'x');
  ASSERT_EQ(BuildStreamArgs("d", "192", fits, "libfdk_aac", true).size() + 1, kMaxCommandLineChars);

  const Case cases[] = {
      {"at the limit", fits, "d", true, {}},
      {"one byte over", fits + "x", "d", false, {kMsgTooLong}},
      // Each quote takes two bytes once escaped: 16380 of them do not fit, 16380 plain bytes would.
      {"escaping counts", kGood, std::string(16380, '"'), false, {kMsgTooLong}},
      {"the same length unescaped", kGood, std::string(16380, 'd'), true, {}},
      {"warning, then too long", "rtmp://host/app/stream", std::string(40000, 'd'), false,
       {kMsgNotServiceHost, kMsgTooLong}},
  };
  for (const Case& c : cases) Check(c);
}

}  // namespace
