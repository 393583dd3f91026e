// On air for real: PushClient.exe with the encoder bridge beside it, Debian's ffmpeg behind the bridge and
// nginx's RTMP server on 127.0.0.1:1935 (started by the test script). What reached the server is read
// with ffprobe and the server's statistics page.
#include <gtest/gtest.h>

#include <cstdlib>

#include "AppUnderTest.h"
#include "LinuxCommand.h"
#include "res/resource.h"

using namespace pushtest;

namespace {

const char kToneDevice[] = "测试音 (440 Hz)";
const char kOnAir[] = "直播中。。。";
const char kRelaunch[] = "直播进程被关闭，系统自动重启进程！";
const char kAacFallback[] = "ffmpeg.exe 不含 libfdk_aac 编码器，改用 aac 编码器";

// The kbit/s figure of the window's live status line ("直播 0:00:07 | 47 kbit/s | 重启 0 次"); 0 if none.
long StatusKbps(const AppUnderTest& app) {
  const std::string status = app.Text(IDC_STATUS);
  const size_t unit = status.find(" kbit/s");
  if (unit == std::string::npos) return 0;
  const size_t start = status.rfind(' ', unit - 1);
  return start == std::string::npos ? 0 : std::atol(status.c_str() + start + 1);
}

struct Probe {
  bool ok = false;
  std::string codec;
  long bitRate = 0;
  long sampleRate = 0;
};

long FieldValue(const std::string& text, const std::string& key) {
  const size_t at = text.find("\n" + key + "=");
  return at == std::string::npos ? 0 : std::atol(text.c_str() + at + key.size() + 2);
}

// Asks the server for the stream; a stream nobody publishes gives no answer within the read timeout.
Probe ProbeStream(const std::string& name) {
  const LinuxResult r = RunLinux("ffprobe -v error -rw_timeout 3000000 -show_streams rtmp://127.0.0.1/live/" + name, 20s);
  Probe probe;
  probe.ok = r.finished && r.status == 0 && r.output.find("codec_name=") != std::string::npos;
  const size_t at = r.output.find("codec_name=");
  if (at != std::string::npos) probe.codec = r.output.substr(at + 11, r.output.find('\n', at) - at - 11);
  probe.bitRate = FieldValue("\n" + r.output, "bit_rate");
  probe.sampleRate = FieldValue("\n" + r.output, "sample_rate");
  return probe;
}

Probe WaitForStream(const std::string& name, Millis timeout) {
  Probe probe;
  WaitUntil([&] { return (probe = ProbeStream(name)).ok; }, timeout, 500ms);
  return probe;
}

bool ServerHasPublisher(const std::string& name) {
  const LinuxResult r = RunLinux("curl -s --max-time 3 http://127.0.0.1:8080/stat", 10s);
  return r.output.find("<name>" + name + "</name>") != std::string::npos;
}

// Linux ffmpeg processes publishing to this stream.
std::string EncodersFor(const std::string& name) {
  return RunLinux("pgrep -af 'ffmpeg.*rtmp://127.0.0.1/live/" + name + "( |$)' | grep -v pgrep || true", 10s).output;
}

AppUnderTest::Options RealEncoder(int bitrateIndex) {
  AppUnderTest::Options options;
  options.realEncoder = true;
  options.files["config.db"] = "0\r\n\r\n0\r\n" + std::to_string(bitrateIndex) + "\r\n";
  return options;
}

void GoLive(const AppUnderTest& app, const std::string& stream) {
  app.SetText(IDC_EDIT_SERVER, "rtmp://127.0.0.1/live/" + stream);
  app.Click(IDC_BTN_LIVE);
}

}  // namespace

TEST(EndToEnd, TheToneReachesTheServerAsAacAtTheChosenBitrate) {
  for (const auto& [index, kbps] : {std::pair<int, long>{1, 48}, std::pair<int, long>{4, 128}}) {
    SCOPED_TRACE(kbps);
    const std::string stream = "e2e" + std::to_string(kbps);
    AppUnderTest app(RealEncoder(index));
    // The Chinese test-tone name came through the listing and is what the encoder is asked for.
    ASSERT_EQ(app.ComboItems(IDC_COMBO_DEVICE), std::vector<std::string>{kToneDevice});
    GoLive(app, stream);
    ASSERT_EQ(app.CountLog(kOnAir), 1u);

    const Probe probe = WaitForStream(stream, 20s);
    ASSERT_TRUE(probe.ok);
    EXPECT_EQ(probe.codec, "aac");
    EXPECT_EQ(probe.sampleRate, 48000);
    EXPECT_NEAR(probe.bitRate, kbps * 1000, kbps * 100) << "within 10 %";
    EXPECT_TRUE(ServerHasPublisher(stream));
    EXPECT_EQ(app.CountLog(kRelaunch), 0u);
    // Debian's ffmpeg says in its banner that it lacks libfdk_aac: the program asked for aac, and said so.
    EXPECT_EQ(app.CountLog(kAacFallback), 1u);
    // The window tells the bitrate the encoder reports, which is what the server receives.
    long shown = 0;
    EXPECT_TRUE(WaitUntil([&] { return (shown = StatusKbps(app)) > 0; }, 10s)) << app.Text(IDC_STATUS);
    EXPECT_NEAR(shown, probe.bitRate / 1000, kbps / 5) << app.Text(IDC_STATUS);
  }
}

TEST(EndToEnd, TheListingOfCurrentEncodersFindsTheToneAndGoesLive) {
  // The bridge prints the listing without section headers, as ffmpeg 5.0 and later do.
  SetEnvironmentVariableA("PUSHCLIENT_BRIDGE_LISTING", "new");
  AppUnderTest app(RealEncoder(1));
  SetEnvironmentVariableA("PUSHCLIENT_BRIDGE_LISTING", nullptr);
  EXPECT_EQ(ReadFileBytes(app.PathOf("device.txt")).find("DirectShow audio devices"), std::string::npos);
  ASSERT_EQ(app.ComboItems(IDC_COMBO_DEVICE), std::vector<std::string>{kToneDevice});
  GoLive(app, "e2enew");
  EXPECT_TRUE(WaitForStream("e2enew", 20s).ok);
}

TEST(EndToEnd, AKilledEncoderIsBackWithinOneTick) {
  AppUnderTest app(RealEncoder(1));
  GoLive(app, "e2ewatch");
  ASSERT_TRUE(WaitForStream("e2ewatch", 20s).ok);
  ASSERT_FALSE(EncodersFor("e2ewatch").empty());

  RunLinux("pkill -f 'ffmpeg.*rtmp://127.0.0.1/live/e2ewatch( |$)'");
  EXPECT_TRUE(app.WaitForLog(kRelaunch, 8s)) << "relaunched at the next tick";
  EXPECT_TRUE(WaitForStream("e2ewatch", 15s).ok);
  EXPECT_TRUE(app.WaitForLog(kOnAir, 8s));
}

TEST(EndToEnd, SwitchingOffClosingAndEscapeLeaveNoPublisherAndNoEncoder) {
  enum Way { SwitchOff, Close, Escape };
  for (Way way : {SwitchOff, Close, Escape}) {
    SCOPED_TRACE(way);
    const std::string stream = "e2eoff" + std::to_string(way);
    AppUnderTest app(RealEncoder(1));
    GoLive(app, stream);
    ASSERT_TRUE(WaitForStream(stream, 20s).ok);
    if (way == SwitchOff) app.Click(IDC_BTN_LIVE);
    if (way == Close) app.CloseWindow();
    if (way == Escape) PostMessageA(app.Main(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    if (way != SwitchOff) {
      EXPECT_TRUE(app.WaitForExit());
    }
    EXPECT_TRUE(WaitUntil([&] { return EncodersFor(stream).empty(); }, 5s)) << EncodersFor(stream);
    EXPECT_TRUE(WaitUntil([&] { return !ServerHasPublisher(stream); }, 5s));
  }
}

// Runs last: it stops and restarts the server.
TEST(EndToEnd, ZServerDownWhenGoingLiveThenUpIsReachedAtTheNextRelaunch) {
  const std::string server = "bash '" + RepositoryRoot() + "/scripts/rtmp-server.sh' ";
  ASSERT_EQ(RunLinux(server + "stop").status, 0);
  AppUnderTest app(RealEncoder(1));
  GoLive(app, "e2edown");
  // Refused at once, relaunched at tick 1 and refused again.
  ASSERT_TRUE(app.WaitForLog(kRelaunch, 10s));
  Sleep(2500);
  const LinuxResult up = RunLinux(server + "start");
  ASSERT_EQ(up.status, 0) << up.output;
  // The next relaunch on the schedule (tick 2) finds the server.
  EXPECT_TRUE(WaitForStream("e2edown", 20s).ok);
  EXPECT_TRUE(WaitUntil([&] { return app.CountLog(kOnAir) == 2; }, 10s));
  EXPECT_GE(app.CountLog(kRelaunch), 2u);
}
