// What the encoder says about itself and while it runs, as the program makes use of it: the AAC encoder
// of a build without libfdk_aac, rtmps:// addresses only with a build that speaks TLS, the alternative name of a device the code page cannot hold, the
// encoder's last words when it ended, a stalled encoder, and the live status line.
#include <gtest/gtest.h>

#include "AppUnderTest.h"
#include "res/Texts.h"
#include "res/resource.h"

using namespace pushtest;

namespace {

const char kRelaunch[] = "直播进程被关闭，系统自动重启进程！";
const char kAacFallback[] = "ffmpeg.exe 不含 libfdk_aac 编码器，改用 aac 编码器";
const char kExitReason[] = "直播进程退出原因：";
const char kStalled[] = "直播进程退出原因：编码器20秒没有进度，已被结束";

// Goes live and returns the first streaming call's arguments (empty if none came).
std::vector<std::string> GoLiveAndGetArgs(const AppUnderTest& app, const std::string& address) {
  app.GoLive(address);
  if (!app.WaitForStreamCalls(1)) return {};
  return app.StreamCalls()[0].args;
}

AppUnderTest::Options Script(const std::string& script) {
  AppUnderTest::Options options;
  options.encoderScript = script;
  return options;
}

// The log line right after the first one equal to `line`; empty if there is none. (Lines of the same
// second are sorted by their text.)
std::string LineAfter(const AppUnderTest& app, const std::string& line) {
  const std::vector<std::string> messages = app.LogMessages();
  for (size_t i = 0; i + 1 < messages.size(); ++i)
    if (messages[i] == line) return messages[i + 1];
  return std::string();
}

}  // namespace

TEST(EncoderOutput, ABuildWithoutLibfdkAacIsAskedForAacAndTheLogSaysSoOnce) {
  for (const bool hasFdk : {false, true}) {
    SCOPED_TRACE(hasFdk);
    AppUnderTest app(Script(std::string("list_banner=1\nstream_levels=-20.4\nfdk_aac=") + (hasFdk ? "1" : "0") + "\n"));
    std::vector<std::string> args = GoLiveAndGetArgs(app, "rtmp://127.0.0.1/live/stream");
    // An encoder that has shown itself measures what it sends, and the window shows its peak.
    ASSERT_EQ(args.size(), 16u);
    EXPECT_EQ(args[4], "-filter_complex");
    EXPECT_EQ(args[10], hasFdk ? "libfdk_aac" : "aac");
    EXPECT_TRUE(WaitUntil([&] { return app.Text(IDC_LEVEL_TEXT) == "-20 dBFS"; })) << app.Text(IDC_LEVEL_TEXT);
    // Off and on again: the encoder is asked the same way, the log does not repeat itself.
    app.Click(IDC_BTN_LIVE);
    app.Click(IDC_BTN_LIVE);
    ASSERT_TRUE(app.WaitForStreamCalls(2));
    EXPECT_EQ(app.StreamCalls()[1].args[10], args[10]);
    EXPECT_EQ(app.CountLog(kAacFallback), hasFdk ? 0u : 1u);
  }
}

TEST(EncoderOutput, AnRtmpsAddressIsRefusedWithOneLineByABuildWithoutTlsAndUsedAsTypedByOneWithIt) {
  const std::string address = "rtmps://127.0.0.1:1936/live/stream";
  for (const bool tls : {false, true}) {
    SCOPED_TRACE(tls);
    AppUnderTest app(Script(std::string("list_banner=1\ntls=") + (tls ? "1" : "0") + "\n"));
    if (tls) {
      const std::vector<std::string> args = GoLiveAndGetArgs(app, address);
      ASSERT_EQ(args.size(), 16u);
      EXPECT_EQ(args[15], address);
      continue;
    }
    // Refused while the click is handled: the switch stays off and no encoder is started.
    app.GoLive(address);
    EXPECT_EQ(app.LogMessages(), std::vector<std::string>{kMsgRtmpsWithoutTls});
    EXPECT_EQ(app.Text(IDC_BTN_LIVE), "开始直播");
    EXPECT_TRUE(app.StreamCalls().empty());
  }
}

TEST(EncoderOutput, ADeviceTheCodePageCannotNameIsOpenedByItsAlternativeName) {
  AppUnderTest::Options options = Script("list_file=listing.txt\n");
  options.files["listing.txt"] =
      u8"[dshow @ 0] DirectShow audio devices\r\n"
      u8"[dshow @ 0]  \"麦克风阵列 (英特尔® 智音技术)\"\r\n"
      u8"[dshow @ 0]     Alternative name \"@device_cm_{33D9A762}\\wave_{1}\"\r\n"
      u8"[dshow @ 0]  \"麦克风 (Realtek Audio)\"\r\n"
      u8"[dshow @ 0]     Alternative name \"@device_cm_{33D9A762}\\wave_{2}\"\r\n"
      u8"dummy: Immediate exit requested\r\n";
  AppUnderTest app(options);
  const std::vector<std::string> items = app.ComboItems(IDC_COMBO_DEVICE);
  ASSERT_EQ(items.size(), 2u);
  // Sorted by the box: the array's name ("麦克风阵") comes after the plain one ("麦克风 ").
  ASSERT_EQ(items[0], "麦克风 (Realtek Audio)");
  EXPECT_EQ(items[1].rfind("麦克风阵列 (英特尔", 0), 0u) << "shown as far as code page 936 can say it";

  app.SelectCombo(IDC_COMBO_DEVICE, 1);
  std::vector<std::string> args = GoLiveAndGetArgs(app, "rtmp://127.0.0.1/live/stream");
  ASSERT_EQ(args.size(), 12u);
  EXPECT_EQ(args[3], "audio=@device_cm_{33D9A762}\\wave_{1}");

  // A name the code page holds goes as it is shown.
  app.Click(IDC_BTN_LIVE);
  app.SelectCombo(IDC_COMBO_DEVICE, 0);
  app.Click(IDC_BTN_LIVE);
  ASSERT_TRUE(app.WaitForStreamCalls(2));
  EXPECT_EQ(app.StreamCalls()[1].args[3], "audio=麦克风 (Realtek Audio)");
}

TEST(EncoderOutput, AnEndedEncodersLastWordsFollowTheRelaunchLineWithoutTheStreamKey) {
  AppUnderTest app(Script(
      "stream=exit\nstream_progress=1\nstream_error=rtmp://127.0.0.1/live/secretkey?key=abc: Connection refused\n"));
  ASSERT_FALSE(GoLiveAndGetArgs(app, "rtmp://127.0.0.1/live/secretkey?key=abc").empty());
  ASSERT_TRUE(app.WaitForLog(kRelaunch, 10s));
  EXPECT_EQ(LineAfter(app, kRelaunch), std::string(kExitReason) + "rtmp://127.0.0.1/live/****: Connection refused");
  for (const std::string& line : app.LogLines()) EXPECT_EQ(line.find("secretkey"), std::string::npos) << line;
}

// One run shows both sides: while progress moves the encoder is left alone, long past 20 s from its
// launch; once progress stands still for 20 s it is ended and launched again.
TEST(EncoderOutput, AnEncoderWhoseProgressStopsIsEndedAndRelaunchedAHealthyOneIsNot) {
  AppUnderTest app(Script("stream=run\nstream_progress=1\nstream_progress_stop_ms=12000\n"));
  ASSERT_FALSE(GoLiveAndGetArgs(app, "rtmp://127.0.0.1/live/stream").empty());
  const DWORD first = app.StreamCalls()[0].pid;

  // The status line tells the running encoder's figures.
  EXPECT_TRUE(WaitUntil([&] { return app.Text(IDC_STATUS).find("| 48 kbit/s | ") != std::string::npos; }, 5s))
      << app.Text(IDC_STATUS);
  Sleep(24000);
  EXPECT_EQ(app.CountLog(kRelaunch), 0u) << "progress moved until 12 s: nothing to do at 24 s";
  EXPECT_EQ(app.StreamCalls().size(), 1u);

  ASSERT_TRUE(app.WaitForLog(kRelaunch, 20s));
  EXPECT_EQ(LineAfter(app, kRelaunch), kStalled);
  EXPECT_FALSE(ProcessRunning(first)) << "the stalled encoder was ended";
  ASSERT_TRUE(app.WaitForStreamCalls(2));
  EXPECT_TRUE(WaitUntil([&] { return app.Text(IDC_STATUS).find("1 ") != std::string::npos; }, 3s))
      << app.Text(IDC_STATUS);
}
