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

// FIPS 180 examples; lengths around the padding's block edge (55/56, 63/64 bytes) checked against
// Python's hashlib.
TEST(Alerts, Sha256Vectors) {
  const struct {
    std::string data;
    const char* digest;
  } cases[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
      {std::string(55, 'a'), "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318"},
      {std::string(56, 'a'), "b35439a4ac6f0948b6d6f9e3c6af0f5f590ce20f1bde7090ef7970686ec6738a"},
      {std::string(63, 'a'), "7d3e74a05d7db15bce4ad9ec0658ea98e3f06eeecf16b4c6fff2da457ddc2f34"},
      {std::string(64, 'a'), "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb"},
  };
  for (const auto& c : cases) EXPECT_EQ(Hex(Sha256(c.data)), c.digest) << c.data.size();
}

// RFC 4231 test cases 1–4, 6 and 7 (5 truncates the output, which nothing here does).
TEST(Alerts, HmacSha256Vectors) {
  std::string key4;
  for (char byte = 1; byte <= 25; ++byte) key4 += byte;
  const std::string longKey(131, '\xaa');
  const struct {
    std::string key, data;
    const char* mac;
  } cases[] = {
      {std::string(20, '\x0b'), "Hi There", "b0344c61d8db38535ca8afceaf0bf12b881dc200c9833da726e9376c2e32cff7"},
      {"Jefe", "what do ya want for nothing?", "5bdcc146bf60754e6a042426089575c75a003f089d2739839dec58b964ec3843"},
      {std::string(20, '\xaa'), std::string(50, '\xdd'),
       "773ea91e36800e46854db8ebd09181a72959098b3ef8c122d9635514ced565fe"},
      {key4, std::string(50, '\xcd'), "82558a389a443c0ea4cc819899f2083a85f0faa3e578f8077a2e3ff46729665b"},
      {longKey, "Test Using Larger Than Block-Size Key - Hash Key First",
       "60e431591ee0b67f0d8a26aacbf5b77f8e0bc6213728c5140546040f0ee37f54"},
      {longKey,
       "This is a test using a larger than block-size key and a larger than block-size data. The key needs "
       "to be hashed before being used by the HMAC algorithm.",
       "9b09ffa71b942fcb27635fbcd5b0e944bfdc63644f0713938a7f51535c3a35e2"},
  };
  for (const auto& c : cases) EXPECT_EQ(Hex(HmacSha256(c.key, c.data)), c.mac) << c.data;
}

TEST(Alerts, Encodings) {
  // RFC 4648's Base64 examples.
  const char* base64[][2] = {{"", ""},         {"f", "Zg=="},         {"fo", "Zm8="},        {"foo", "Zm9v"},
                             {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"}};
  for (const auto& c : base64) EXPECT_EQ(Base64Encode(c[0]), c[1]) << c[0];
  EXPECT_EQ(Base64Encode(std::string("\xff\xfe\x00", 3)), "//4A");

  EXPECT_EQ(UrlEncode("AZaz09-._~ +/=?&%"), "AZaz09-._~%20%2B%2F%3D%3F%26%25");
  EXPECT_EQ(UrlEncode(u8"中"), "%E4%B8%AD");

  const struct {
    std::string text;
    std::string json;
  } json[] = {
      {"", R"("")"},
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
      {"", kAlertAddressEmpty},
      {" \r\n\t ", kAlertAddressEmpty},
      {"oapi.dingtalk.com/robot/send", kAlertAddressScheme},
      {"ftp://h/x", kAlertAddressScheme},
      {"file:///C:/x", kAlertAddressScheme},
      {"javascript:alert(1)//", kAlertAddressScheme},
      {"://h/", kAlertAddressScheme},
      {"httpx://h/", kAlertAddressScheme},
      {"http://", kAlertAddressMalformed},
      {"http:///path", kAlertAddressMalformed},
      {"http://h:/", kAlertAddressMalformed},
      {"http://h:0/", kAlertAddressMalformed},
      {"http://h:65536/", kAlertAddressMalformed},
      {"http://h:-1/", kAlertAddressMalformed},
      {"http://h:80a/", kAlertAddressMalformed},
      {"http://h:1:2/", kAlertAddressMalformed},
      {"http://user:pass@h/", kAlertAddressMalformed},
      {"http://[::1]:8080/", kAlertAddressMalformed},
      {"http://h..x/", kAlertAddressMalformed},
      {"http://.h/", kAlertAddressMalformed},
      {"http://h%2Fx/", kAlertAddressMalformed},
      {"http://h\\x/", kAlertAddressMalformed},
      {"http://h/a b", kAlertAddressMalformed},
      {"http://h/a\tb", kAlertAddressMalformed},
      {std::string("http://h/\0x", 11), kAlertAddressMalformed},
      {"http://h/\x7f", kAlertAddressMalformed},
      {u8"http://h/中", kAlertAddressMalformed},
      {u8"http://中.cn/", kAlertAddressMalformed},
      {"http://" + std::string(254, 'a') + "/", kAlertAddressMalformed},
  };
  for (const auto& c : refused) EXPECT_STREQ(ParseWebhookAddress(c.text).refusal, c.refusal) << c.text;
}

TEST(Alerts, MaskedAddressShowsNoToken) {
  const char* cases[][2] = {
      {"https://oapi.dingtalk.com/robot/send?access_token=SECRET", "https://oapi.dingtalk.com/****"},
      {"http://h:8080/hook/SECRET", "http://h:8080/****"},
      {"https://h:443/SECRET", "https://h/****"},
      {"http://h", "http://h/****"},
      {"http://h?token=SECRET", "http://h/****"},
  };
  for (const auto& c : cases) EXPECT_EQ(MaskedAddress(Address(c[0])), c[1]);
}

// The format follows the host and the path alone; look-alikes get ours.
TEST(Alerts, FormatByAddress) {
  using F = WebhookFormat;
  const struct {
    const char* address;
    F format;
  } cases[] = {
      {"https://qyapi.weixin.qq.com/cgi-bin/webhook/send?key=K", F::WeCom},
      {"https://qyapi.weixin.qq.com/cgi-bin/webhook/sendx?key=K", F::Own},
      {"https://oapi.dingtalk.com/robot/send?access_token=T", F::DingTalk},
      {"https://oapi.dingtalk.com.example.net/robot/send?access_token=T", F::Own},
      {"https://open.feishu.cn/open-apis/bot/v2/hook/ID", F::Feishu},
      {"https://open.larksuite.com/open-apis/bot/v2/hook/ID", F::Feishu},
      {"https://open.feishu.cn/open-apis/bot/v1/hook/ID", F::Own},
      {"https://hooks.slack.com/services/T/B/X", F::Slack},
      {"https://discord.com/api/webhooks/1/T", F::Discord},
      {"https://discordapp.com/api/webhooks/1/T", F::Discord},
      {"https://discord.com/api/channels/1", F::Own},
      {"https://sctapi.ftqq.com/SCT123.send", F::ServerChan},
      {"https://sctapi.ftqq.com/SCT123.send?x=1", F::ServerChan},
      {"https://sctapi.ftqq.com/a/SCT123.send", F::Own},
      {"https://sctapi.ftqq.com/.send", F::Own},
      {"http://127.0.0.1:8080/alert", F::Own},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatOf(Address(c.address)), c.format) << c.address;
}

TEST(Alerts, RequestBodies) {
  const char* const kJson = kJsonContentType;
  const struct {
    const char* address;
    const char* secret;
    const char* url;
    const char* contentType;
    const char* body;
  } cases[] = {
      {"https://qyapi.weixin.qq.com/cgi-bin/webhook/send?key=K", "SECignored",
       "https://qyapi.weixin.qq.com/cgi-bin/webhook/send?key=K", kJson,
       u8R"({"msgtype":"text","text":{"content":"【一台】2026-12-07 14:39:26 检测到静音"}})"},
      {"https://oapi.dingtalk.com/robot/send?access_token=T", "", "https://oapi.dingtalk.com/robot/send?access_token=T",
       kJson, u8R"({"msgtype":"text","text":{"content":"【一台】2026-12-07 14:39:26 检测到静音"}})"},
      // The signature computed independently with Python's hmac, hashlib, base64 and urllib.parse.
      {"https://oapi.dingtalk.com/robot/send?access_token=T", "SEC0123456789abcdef",
       "https://oapi.dingtalk.com/robot/send?access_token=T&timestamp=1765089566000"
       "&sign=Hyyl%2FMAepgj9hkeuE%2FYVqPYSPKXsl6zDjxoTF%2F8HWUo%3D",
       kJson, u8R"({"msgtype":"text","text":{"content":"【一台】2026-12-07 14:39:26 检测到静音"}})"},
      {"https://oapi.dingtalk.com/robot/send", "SEC0123456789abcdef",
       "https://oapi.dingtalk.com/robot/send?timestamp=1765089566000"
       "&sign=Hyyl%2FMAepgj9hkeuE%2FYVqPYSPKXsl6zDjxoTF%2F8HWUo%3D",
       kJson, u8R"({"msgtype":"text","text":{"content":"【一台】2026-12-07 14:39:26 检测到静音"}})"},
      {"https://open.feishu.cn/open-apis/bot/v2/hook/ID", "", "https://open.feishu.cn/open-apis/bot/v2/hook/ID", kJson,
       u8R"({"msg_type":"text","content":{"text":"【一台】2026-12-07 14:39:26 检测到静音"}})"},
      {"https://hooks.slack.com/services/T/B/X", "", "https://hooks.slack.com/services/T/B/X", kJson,
       u8R"({"text":"【一台】2026-12-07 14:39:26 检测到静音"})"},
      {"https://discord.com/api/webhooks/1/T", "", "https://discord.com/api/webhooks/1/T", kJson,
       u8R"({"content":"【一台】2026-12-07 14:39:26 检测到静音"})"},
      {"https://sctapi.ftqq.com/SCT123.send", "", "https://sctapi.ftqq.com/SCT123.send", kFormContentType,
       "title=%E3%80%90%E4%B8%80%E5%8F%B0%E3%80%91%E6%A3%80%E6%B5%8B%E5%88%B0%E9%9D%99%E9%9F%B3"
       "&desp=%E3%80%90%E4%B8%80%E5%8F%B0%E3%80%912026-12-07%2014%3A39%3A26%20"
       "%E6%A3%80%E6%B5%8B%E5%88%B0%E9%9D%99%E9%9F%B3"},
      {"http://127.0.0.1:8080/alert?k=1", "SECignored", "http://127.0.0.1:8080/alert?k=1", kJson,
       u8R"({"event":"dead_air","text":"检测到静音","station":"一台","time":"2026-12-07T14:39:26+08:00"})"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.address);
    const WebhookRequest request = BuildWebhookRequest(Address(c.address), c.secret, DeadAirAt1439(), 1765089566000);
    EXPECT_EQ(request.url, c.url);
    EXPECT_EQ(request.contentType, c.contentType);
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
