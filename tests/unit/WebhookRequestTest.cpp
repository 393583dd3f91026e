#include "alerts/JsonFields.h"
#include "alerts/Sha256.h"
#include "alerts/WebEncoding.h"
#include "alerts/WebhookAddress.h"
#include "alerts/WebhookAnswer.h"
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

WebhookRequest RequestFor(const std::string& address, const AlertMessage& message, const std::string& secret = "",
                          const std::string& formatSetting = "") {
  const WebhookAddress parsed = Address(address);
  return BuildWebhookRequest(parsed, ChosenFormat(parsed, formatSetting), secret, message, 1765089566000);
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
      {"http://OApi.DingTalk.com/robot/send?access_token=T", kAlertAddressNeedsHttps},
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

  // format= of PushClient.ini: named in any case, else (empty, unknown) the address's.
  const struct {
    const char* setting;
    F format;
  } settings[] = {{" WeCom\t", F::WeCom}, {"SERVERCHAN", F::ServerChan}, {"json", F::Own}, {"lark", F::Feishu}};
  const WebhookAddress feishu = Address("https://open.feishu.cn/open-apis/bot/v2/hook/ID");
  for (const auto& c : settings) EXPECT_EQ(ChosenFormat(feishu, c.setting), c.format) << c.setting;
  EXPECT_TRUE(FormatSigns(F::DingTalk) && FormatSigns(F::Feishu));
  for (const F format : {F::WeCom, F::Slack, F::Discord, F::ServerChan, F::Own}) EXPECT_FALSE(FormatSigns(format));
}

TEST(Alerts, RequestBodies) {
  const std::string text = u8"\"【一台】2026-12-07 14:39:26 检测到静音\"";
  const std::string chat = R"({"msgtype":"text","text":{"content":)" + text + "}}";
  // The signatures computed independently with Python's hmac, hashlib, base64 and urllib.parse. A secret
  // is used without the blanks and line ends pasted around it.
  const std::string signature = "timestamp=1765089566000&sign=Hyyl%2FMAepgj9hkeuE%2FYVqPYSPKXsl6zDjxoTF%2F8HWUo%3D";
  const std::string feishu = R"("msg_type":"text","content":{"text":)" + text + "}}";
  const struct {
    std::string address, secret;
    std::string urlAdded;  // to the address
    std::string body;
    std::string formatSetting = "";
  } cases[] = {
      {"https://qyapi.weixin.qq.com/cgi-bin/webhook/send?key=K", "SECignored", "", chat},
      {"https://oapi.dingtalk.com/robot/send?access_token=T", "", "", chat},
      {"https://oapi.dingtalk.com/robot/send?access_token=T", " SEC0123456789abcdef\t\r\n", "&" + signature, chat},
      {"https://oapi.dingtalk.com/robot/send", "SEC0123456789abcdef", "?" + signature, chat},
      {"https://open.feishu.cn/open-apis/bot/v2/hook/ID", "", "", "{" + feishu},
      {"https://open.larksuite.com/open-apis/bot/v2/hook/ID", "feishuSecret42 \r\n", "",
       R"({"timestamp":"1765089566","sign":"MopDroghy/YZfl8FRE8ijt8X7eouIAGgCpPAVdebvjw=",)" + feishu},
      {"https://hooks.slack.com/services/T/B/X", "", "", R"({"text":)" + text + "}"},
      {"https://discord.com/api/webhooks/1/T", "", "",
       R"({"content":)" + text + R"(,"allowed_mentions":{"parse":[]}})"},
      // A relay of the company's own that hands the alert on to WeCom.
      {"http://127.0.0.1:8080/relay", "", "", chat, "wecom"},
      {"https://sctapi.ftqq.com/SCT123.send", "", "",
       "title=%E3%80%90%E4%B8%80%E5%8F%B0%E3%80%91%E6%A3%80%E6%B5%8B%E5%88%B0%E9%9D%99%E9%9F%B3"
       "&desp=%E3%80%90%E4%B8%80%E5%8F%B0%E3%80%912026-12-07%2014%3A39%3A26%20"
       "%E6%A3%80%E6%B5%8B%E5%88%B0%E9%9D%99%E9%9F%B3"},
      {"http://127.0.0.1:8080/alert?k=1", "SECignored", "",
       u8R"({"event":"dead_air","text":"检测到静音","station":"一台","time":"2026-12-07T14:39:26+08:00"})"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.address);
    const WebhookRequest request = RequestFor(c.address, DeadAirAt1439(), c.secret, c.formatSetting);
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
  EXPECT_EQ(RequestFor("https://hooks.slack.com/x", message).body,
            R"({"text":"2026-12-07 14:39:26 say \"ok\"\u000A"})");
  EXPECT_EQ(RequestFor("http://h/", message).body,
            R"({"event":"back_on_air","text":"say \"ok\"\u000A",)"
            R"("station":"","time":"2026-12-07T14:39:26-05:30"})");

  // ServerChan keeps its title short; a character is never cut in two.
  message = DeadAirAt1439();
  message.text = u8"直播进程被关闭，系统自动重启进程！直播进程退出原因：服务器上同名的流仍在推送";
  const std::string body = RequestFor("https://sctapi.ftqq.com/K.send", message).body;
  EXPECT_EQ(body.substr(0, body.find('&')),
            "title=" + UrlEncode(u8"【一台】直播进程被关闭，系统自动重启进程！直播进程退出原因：服务"));
}

// Each chat's limits: a longer text is cut, whole characters only, and marked; Slack's markup characters
// are escaped.
TEST(Alerts, ChatLimits) {
  const std::string a = std::string(2024, 'a');
  const std::string two = u8"检检";
  const std::string time = "2026-12-07 14:39:26 ";
  const auto repeated = [](const std::string& text, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) out += text;
    return out;
  };
  const struct {
    const char* address;
    std::string text;
    std::string shown;  // the text as the body carries it, JSON escapes undone
  } cases[] = {
      // 20 + 2022 + 6 bytes: all of it; 20 + 2024 + 6: the first 检 would end past 2048 - 3.
      {"https://qyapi.weixin.qq.com/cgi-bin/webhook/send?key=K", a.substr(2) + two, time + a.substr(2) + two},
      {"https://qyapi.weixin.qq.com/cgi-bin/webhook/send?key=K", a + two, time + a + u8"…"},
      {"https://discord.com/api/webhooks/1/T", repeated(u8"检", 1980), time + repeated(u8"检", 1980)},
      {"https://discord.com/api/webhooks/1/T", repeated(u8"检", 1981), time + repeated(u8"检", 1979) + u8"…"},
      {"https://hooks.slack.com/services/T/B/X", "<b> & <c>", time + "&lt;b&gt; &amp; &lt;c&gt;"},
  };
  for (const auto& c : cases) {
    AlertMessage message = DeadAirAt1439();
    message.station = "";
    message.text = c.text;
    const std::string body = RequestFor(c.address, message).body;
    EXPECT_NE(body.find(JsonString(c.shown)), std::string::npos) << c.address;
  }
}

// A robot's answer: what each chat answers when it takes the message, refuses it for good, limits the
// rate, or fails for a while; our own format's receiver is judged by its status alone.
TEST(Alerts, RobotAnswers) {
  using F = WebhookFormat;
  using V = DeliveryVerdict;
  const std::optional<long long> none;
  const struct {
    F format;
    int status;
    std::string body;
    V verdict;
    std::string failure, robotMessage;
    std::optional<long long> retryAfterSeconds = std::nullopt, waitMs = std::nullopt;
    bool clockSuspect = false;
  } cases[] = {
      {F::WeCom, 200, R"({"errcode":0,"errmsg":"ok"})", V::Sent, "", ""},
      {F::WeCom, 200, R"({"errcode":93000,"errmsg":"invalid webhook url, hint: [17]"})", V::Never, "errcode 93000",
       "invalid webhook url, hint: [17]"},
      {F::WeCom, 200, R"({"errcode":45009,"errmsg":"api freq out of limit"})", V::RateLimited, "errcode 45009",
       "api freq out of limit"},
      {F::DingTalk, 200, R"({"errcode":310000,"errmsg":"keywords not in content"})", V::Never, "errcode 310000",
       "keywords not in content"},
      {F::DingTalk, 200, R"({"errmsg":"invalid timestamp","errcode":310000})", V::Never, "errcode 310000",
       "invalid timestamp", none, none, true},
      {F::DingTalk, 200, R"({"errcode":130101,"errmsg":"send too fast"})", V::RateLimited, "errcode 130101",
       "send too fast", 30, 30000},
      {F::DingTalk, 200, R"({"errcode":-1,"errmsg":" \u7cfb\u7edf\u7e41\u5fd9\t\u0001)" "\xff" R"( "})", V::TryAgain,
       "errcode -1", u8"系统繁忙"},
      {F::Feishu, 200, R"({"StatusCode":0,"code":0,"msg":"success"})", V::Sent, "", ""},
      {F::Feishu, 200, R"({"code":19021,"data":{},"msg":"sign match fail or timestamp is not within one hour"})",
       V::Never, "code 19021", "sign match fail or timestamp is not within one hour", none, none, true},
      {F::Feishu, 200, R"({"code":11232,"msg":"frequency limited"})", V::RateLimited, "code 11232",
       "frequency limited"},
      {F::Feishu, 400, R"({"code":19001,"msg":"param invalid: incoming webhook access token invalid"})", V::Never,
       "HTTP 400, code 19001", "param invalid: incoming webhook access token invalid"},
      {F::ServerChan, 200, R"({"message":"[AUTH]\u7528\u6237\u4e0d\u5b58\u5728","code":40001})", V::Never,
       "code 40001", u8"[AUTH]用户不存在"},
      {F::Slack, 200, "ok", V::Sent, "", ""},
      {F::Slack, 403, "invalid_token", V::Never, "HTTP 403, invalid_token", "invalid_token"},
      {F::Slack, 429, "", V::RateLimited, "HTTP 429", "", 7200, kLongestRateLimitWaitMs},
      {F::Discord, 204, "", V::Sent, "", ""},
      {F::Discord, 404, R"({"message": "Unknown Webhook", "code": 10015})", V::Never, "HTTP 404, code 10015",
       "Unknown Webhook"},
      {F::Own, 200, R"({"errcode":93000})", V::Sent, "", ""},
      {F::Own, 404, R"({"errcode":93000})", V::Never, "HTTP 404", ""},
      {F::Own, 408, "", V::TryAgain, "HTTP 408", ""},
      {F::Own, 503, "", V::TryAgain, "HTTP 503", ""},
      {F::Own, 308, "", V::Never, "HTTP 308", ""},
      {F::Own, 302, "", V::TryAgain, "HTTP 302", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.body + " " + std::to_string(c.status));
    WebhookAnswer answer;
    answer.status = c.status;
    answer.body = c.body;
    answer.retryAfterSeconds = c.retryAfterSeconds;
    const Delivery delivery = JudgeAnswer(c.format, answer);
    EXPECT_EQ(delivery.verdict, c.verdict);
    EXPECT_EQ(delivery.failure, c.failure);
    EXPECT_EQ(delivery.robotMessage, c.robotMessage);
    EXPECT_EQ(delivery.waitMs, c.waitMs);
    EXPECT_EQ(delivery.clockSuspect, c.clockSuspect);
  }
  WebhookAnswer unreachable;
  unreachable.transportFailure = "WinHTTP 12029";
  EXPECT_EQ(JudgeAnswer(F::WeCom, unreachable).verdict, V::TryAgain);
}

// The reader of a robot's answer takes any bytes: escapes undone, nested values passed over, the first of
// a name kept, and reading stops at the first byte that does not fit.
TEST(Alerts, JsonFieldsOfAnyText) {
  using Fields = std::vector<std::pair<std::string, std::string>>;  // name, "s:" string or "n:" number
  const struct {
    std::string json;
    Fields fields;
  } cases[] = {
      {R"({"m":"q\"b\\\/\n\u4e2d\ud83d\ude00\ud800x"})", {{"m", u8"s:q\"b\\/\n中😀\uFFFDx"}}},
      {R"( {"data":{"code":1,"s":"}]"},"code":-2.5e3,"code":3,"x":[1,{"a":"]"}],"t":true,"n":null,"msg":"ok"})",
       {{"code", "n:-2.5e3"}, {"msg", "s:ok"}}},
      {R"({"code":5,"msg":"unterminated)", {{"code", "n:5"}}},
      {"{\"code\":5,\"msg\":\"raw\ncontrol\"}", {{"code", "n:5"}}},
      {R"({"a":"\x","b":1})", {}},
      {R"({"a":1.,"b":1})", {}},
      {"{\"a\":" + std::string(kJsonLongestNumber + 1, '1') + "}", {}},
      {R"({"a":tru})", {}},
      {R"([{"a":1}])", {}},
      {"", {}},
  };
  for (const auto& c : cases) {
    Fields fields;
    for (const auto& [name, value] : ReadJsonFields(c.json)) {
      fields.emplace_back(name, (value.isString ? "s:" : "n:") + value.text);
    }
    EXPECT_EQ(fields, c.fields) << c.json;
  }
}
