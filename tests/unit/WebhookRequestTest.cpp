#include "alerts/Sha256.h"
#include "alerts/WebEncoding.h"
#include "alerts/WebhookAddress.h"
#include "alerts/WebhookRequest.h"
#include "res/Texts.h"

#include <gtest/gtest.h>

#include <string>

// The expected UTF-8 texts are u8"" literals: plain ones are stored in code page 936 by this build.
namespace {

std::string Hex(const Sha256Digest& digest) {
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (const auto byte : digest) hex += std::string{kDigits[byte >> 4], kDigits[byte & 0x0F]};
  return hex;
}

AlertMessage DeadAirAt1439() {
  AlertMessage message;
  message.event = AlertEvent::DeadAir;
  message.text = u8"检测到静音";
  message.station = u8"一台";
  message.time = {2026, 12, 7, 14, 39, 26, 480};
  return message;
}

WebhookAddress Address(const std::string& text) {
  const WebhookAddressParse parse = ParseWebhookAddress(text);
  EXPECT_EQ(parse.refusal, nullptr) << text;
  return parse.address;
}

}  // namespace

// FIPS 180's "abc", the empty text, and 56 bytes: the first length whose padding needs a second block.
TEST(Alerts, Sha256Vectors) {
  EXPECT_EQ(Hex(Sha256("")), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(Hex(Sha256("abc")), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(Hex(Sha256(std::string(56, 'a'))), "b35439a4ac6f0948b6d6f9e3c6af0f5f590ce20f1bde7090ef7970686ec6738a");
}

// RFC 4231 test cases 2 (a key shorter than the block) and 6 (a longer one, hashed first).
TEST(Alerts, HmacSha256Vectors) {
  EXPECT_EQ(Hex(HmacSha256("Jefe", "what do ya want for nothing?")),
            "5bdcc146bf60754e6a042426089575c75a003f089d2739839dec58b964ec3843");
  EXPECT_EQ(Hex(HmacSha256(std::string(131, '\xaa'), "Test Using Larger Than Block-Size Key - Hash Key First")),
            "60e431591ee0b67f0d8a26aacbf5b77f8e0bc6213728c5140546040f0ee37f54");
}

TEST(Alerts, Encodings) {
  // Base64 with two, one and no padding characters, and bytes above 0x7F and NUL.
  const std::string base64[][2] = {
      {"f", "Zg=="}, {"fo", "Zm8="}, {"foo", "Zm9v"}, {std::string("\xff\xfe\x00", 3), "//4A"}};
  for (const auto& c : base64) EXPECT_EQ(Base64Encode(c[0]), c[1]) << c[0];

  EXPECT_EQ(UrlEncode("AZaz09-._~ +/=?&%"), "AZaz09-._~%20%2B%2F%3D%3F%26%25");
  EXPECT_EQ(UrlEncode(u8"中"), "%E4%B8%AD");

  const struct {
    std::string text;
    std::string json;
  } json[] = {
      {R"(say "hi" \o/)", R"("say \"hi\" \\o/")"},
      {std::string("a\nb\tc\r\x01\x1f\x7f", 9), R"("a\u000Ab\u0009c\u000D\u0001\u001F\u007F")"},
      {std::string("nul\0in", 6), R"("nul\u0000in")"},
      {u8"中文 / ü", u8"\"中文 / ü\""},
  };
  for (const auto& c : json) EXPECT_EQ(JsonString(c.text), c.json) << c.text;
}

TEST(Alerts, AddressParsing) {
  const struct {
    std::string text;
    bool secure;
    const char* host;
    int port;
    const char* pathAndQuery;
  } accepted[] = {
      {"HTTPS://OApi.DingTalk.com/robot/send?access_token=AbC", true, "oapi.dingtalk.com", 443,
       "/robot/send?access_token=AbC"},
      {" \thttp://h\r\n", false, "h", 80, "/"},
      {"http://127.0.0.1:8080?x=1#fragment", false, "127.0.0.1", 8080, "/?x=1"},
      {"https://my_host-1.example:00443/a/b", true, "my_host-1.example", 443, "/a/b"},
      {"http://h:65535/", false, "h", 65535, "/"},
  };
  for (const auto& c : accepted) {
    SCOPED_TRACE(c.text);
    const WebhookAddressParse parse = ParseWebhookAddress(c.text);
    ASSERT_EQ(parse.refusal, nullptr);
    EXPECT_EQ(parse.address.secure, c.secure);
    EXPECT_EQ(parse.address.host, c.host);
    EXPECT_EQ(parse.address.port, c.port);
    EXPECT_EQ(parse.address.pathAndQuery, c.pathAndQuery);
  }

  const struct {
    std::string text;
    const char* refusal;
  } refused[] = {
      {" \r\n\t ", kAlertAddressEmpty},
      {"oapi.dingtalk.com/robot/send", kAlertAddressScheme},
      {"ftp://h/x", kAlertAddressScheme},
      {"httpx://h/", kAlertAddressScheme},
      {"http://", kAlertAddressMalformed},
      {"http://h:/", kAlertAddressMalformed},
      {"http://h:0/", kAlertAddressMalformed},
      {"http://h:65536/", kAlertAddressMalformed},
      {"http://h:80a/", kAlertAddressMalformed},
      {"http://user:pass@h/", kAlertAddressMalformed},
      {"http://h..x/", kAlertAddressMalformed},
      {"http://.h/", kAlertAddressMalformed},
      {"http://h\\x/", kAlertAddressMalformed},
      {"http://h/a b", kAlertAddressMalformed},
      {std::string("http://h/\0x", 11), kAlertAddressMalformed},
      {"http://h/\x7f", kAlertAddressMalformed},
      {u8"http://中.cn/", kAlertAddressMalformed},
      {"http://" + std::string(254, 'a') + "/", kAlertAddressMalformed},
  };
  for (const auto& c : refused) EXPECT_STREQ(ParseWebhookAddress(c.text).refusal, c.refusal) << c.text;
}

TEST(Alerts, MaskedAddressShowsNoToken) {
  const char* cases[][2] = {
      {"http://h:8080/hook/SECRET", "http://h:8080/****"},
      {"https://h:443?access_token=SECRET", "https://h/****"},
  };
  for (const auto& c : cases) EXPECT_EQ(MaskedAddress(Address(c[0])), c[1]);
}

// The format follows the host and the path alone; look-alikes get ours. Each chat's own address is among
// the request bodies below.
TEST(Alerts, FormatByAddress) {
  using F = WebhookFormat;
  const struct {
    const char* address;
    F format;
  } cases[] = {
      {"https://qyapi.weixin.qq.com/cgi-bin/webhook/sendx?key=K", F::Own},
      {"https://oapi.dingtalk.com.example.net/robot/send?access_token=T", F::Own},
      {"https://open.larksuite.com/open-apis/bot/v2/hook/ID", F::Feishu},
      {"https://open.feishu.cn/open-apis/bot/v1/hook/ID", F::Own},
      {"https://discordapp.com/api/webhooks/1/T", F::Discord},
      {"https://discord.com/api/channels/1", F::Own},
      {"https://sctapi.ftqq.com/a/SCT123.send", F::Own},
      {"https://sctapi.ftqq.com/.send", F::Own},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatOf(Address(c.address)), c.format) << c.address;
}

TEST(Alerts, RequestBodies) {
  const std::string text = u8"\"【一台】2026-12-07 14:39:26 检测到静音\"";
  const std::string chat = R"({"msgtype":"text","text":{"content":)" + text + "}}";
  // The signature computed independently with Python's hmac, hashlib, base64 and urllib.parse.
  const std::string signature = "timestamp=1765089566000&sign=Hyyl%2FMAepgj9hkeuE%2FYVqPYSPKXsl6zDjxoTF%2F8HWUo%3D";
  const struct {
    std::string address, secret;
    std::string urlAdded;  // to the address
    std::string body;
  } cases[] = {
      {"https://qyapi.weixin.qq.com/cgi-bin/webhook/send?key=K", "SECignored", "", chat},
      {"https://oapi.dingtalk.com/robot/send?access_token=T", "", "", chat},
      {"https://oapi.dingtalk.com/robot/send?access_token=T", "SEC0123456789abcdef", "&" + signature, chat},
      {"https://oapi.dingtalk.com/robot/send", "SEC0123456789abcdef", "?" + signature, chat},
      {"https://open.feishu.cn/open-apis/bot/v2/hook/ID", "", "",
       R"({"msg_type":"text","content":{"text":)" + text + "}}"},
      {"https://hooks.slack.com/services/T/B/X", "", "", R"({"text":)" + text + "}"},
      {"https://discord.com/api/webhooks/1/T", "", "", R"({"content":)" + text + "}"},
      {"https://sctapi.ftqq.com/SCT123.send", "", "",
       "title=%E3%80%90%E4%B8%80%E5%8F%B0%E3%80%91%E6%A3%80%E6%B5%8B%E5%88%B0%E9%9D%99%E9%9F%B3"
       "&desp=%E3%80%90%E4%B8%80%E5%8F%B0%E3%80%912026-12-07%2014%3A39%3A26%20"
       "%E6%A3%80%E6%B5%8B%E5%88%B0%E9%9D%99%E9%9F%B3"},
      {"http://127.0.0.1:8080/alert?k=1", "SECignored", "",
       u8R"({"event":"dead_air","text":"检测到静音","station":"一台","time":"2026-12-07T14:39:26+08:00"})"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.address);
    const WebhookRequest request = BuildWebhookRequest(Address(c.address), c.secret, DeadAirAt1439(), 1765089566000);
    EXPECT_EQ(request.url, c.address + c.urlAdded);
    EXPECT_EQ(request.contentType, c.body.front() == '{' ? kJsonContentType : kFormContentType);
    EXPECT_EQ(request.body, c.body);
  }
}

// What the caller gives is escaped; without a station the text starts with the time; offsets west of
// UTC and of half hours.
TEST(Alerts, BodiesOfUnusualMessages) {
  AlertMessage message = DeadAirAt1439();
  message.event = AlertEvent::BackOnAir;
  message.station = "";
  message.text = "say \"ok\"\n";
  message.time.utcOffsetMinutes = -330;
  EXPECT_EQ(BuildWebhookRequest(Address("https://hooks.slack.com/x"), "", message, 0).body,
            R"({"text":"2026-12-07 14:39:26 say \"ok\"\u000A"})");
  EXPECT_EQ(BuildWebhookRequest(Address("http://h/"), "", message, 0).body,
            R"({"event":"back_on_air","text":"say \"ok\"\u000A",)"
            R"("station":"","time":"2026-12-07T14:39:26-05:30"})");

  // ServerChan keeps its title short; a character is never cut in two.
  message = DeadAirAt1439();
  message.text = u8"直播进程被关闭，系统自动重启进程！直播进程退出原因：服务器上同名的流仍在推送";
  const std::string body = BuildWebhookRequest(Address("https://sctapi.ftqq.com/K.send"), "", message, 0).body;
  EXPECT_EQ(body.substr(0, body.find('&')),
            "title=" + UrlEncode(u8"【一台】直播进程被关闭，系统自动重启进程！直播进程退出原因：服务"));
}
