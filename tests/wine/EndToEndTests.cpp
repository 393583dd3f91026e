// On air for real: PushClient.exe with the encoder bridge beside it, Debian's ffmpeg behind the bridge and
// nginx's RTMP server on 127.0.0.1:1935 (started by the test script). What reached the server is read
// with ffprobe and the server's statistics page.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>

#include "AppUnderTest.h"
#include "LinuxCommand.h"
#include "res/resource.h"

using namespace pushtest;

namespace {

const char kToneDevice[] = "测试音 (440 Hz)";
const char kLateToneDevice[] = "静音后有声 (440 Hz)";
const char kOnAir[] = "直播中。。。";
const char kRelaunch[] = "直播进程被关闭，系统自动重启进程！";
const char kAacFallback[] = "ffmpeg.exe 不含 libfdk_aac 编码器，改用 aac 编码器";
const char kDeadAir[] = "检测到静音：音频电平已连续10秒低于-50 dBFS，请检查音频设备！";
const char kSoundBack[] = "音频信号已恢复";

// The kbit/s figure of the window's live status line ("直播 0:00:07 | 47 kbit/s | 重启 0 次"); 0 if none.
long StatusKbps(const AppUnderTest& app) {
  const std::string status = app.Text(IDC_STATUS);
  const size_t unit = status.find(" kbit/s");
  if (unit == std::string::npos) return 0;
  const size_t start = status.rfind(' ', unit - 1);
  return start == std::string::npos ? 0 : std::atol(status.c_str() + start + 1);
}

// What the server gives for the stream, as ffprobe's key=value lines; empty when nobody publishes it
// (no answer within the read timeout).
std::string ProbeStream(const std::string& name) {
  const LinuxResult r = RunLinux("ffprobe -v error -rw_timeout 3000000 -show_streams rtmp://127.0.0.1/live/" + name, 20s);
  return r.finished && r.status == 0 && r.output.find("codec_name=") != std::string::npos ? "\n" + r.output : "";
}

std::string WaitForStream(const std::string& name, Millis timeout) {
  std::string probe;
  WaitUntil([&] { return !(probe = ProbeStream(name)).empty(); }, timeout, 500ms);
  return probe;
}

std::string Field(const std::string& probe, const std::string& key) {
  const size_t at = probe.find("\n" + key + "=");
  if (at == std::string::npos) return "";
  const size_t value = at + key.size() + 2;
  return probe.substr(value, probe.find_first_of("\r\n", value) - value);
}

bool ServerHasPublisher(const std::string& name) {
  const LinuxResult r = RunLinux("curl -s --max-time 3 http://127.0.0.1:8080/stat", 10s);
  return r.output.find("<name>" + name + "</name>") != std::string::npos;
}

// Linux ffmpeg processes publishing to this stream.
std::string EncodersFor(const std::string& name) {
  return RunLinux("pgrep -af 'ffmpeg.*rtmp://127.0.0.1/live/" + name + "( |$)' | grep -v pgrep || true", 10s).output;
}

// config.db: the first device (the tone), this address, no tray, this bitrate position.
AppUnderTest::Options RealEncoder(int bitrateIndex, const std::string& address = "") {
  AppUnderTest::Options options;
  options.realEncoder = true;
  options.files["config.db"] = "0\r\n" + address + "\r\n0\r\n" + std::to_string(bitrateIndex) + "\r\n";
  return options;
}

void GoLive(const AppUnderTest& app, const std::string& stream) {
  app.SetText(IDC_EDIT_SERVER, "rtmp://127.0.0.1/live/" + stream);
  app.Click(IDC_BTN_LIVE);
}

}  // namespace

// Both listing formats: the bridge prints the older one by default and, when asked, the one without
// section headers of ffmpeg 5.0 and later.
TEST(EndToEnd, TheToneReachesTheServerAsAacAtTheChosenBitrateFromEitherListing) {
  const struct {
    const char* listing;
    int index;
    long kbps;
  } runs[] = {{"old", 1, 48}, {"new", 4, 128}};
  for (const auto& run : runs) {
    SCOPED_TRACE(run.listing);
    const std::string stream = std::string("e2e") + run.listing;
    SetEnvironmentVariableA("PUSHCLIENT_BRIDGE_LISTING", run.listing);
    AppUnderTest app(RealEncoder(run.index));
    SetEnvironmentVariableA("PUSHCLIENT_BRIDGE_LISTING", nullptr);
    EXPECT_EQ(ReadFileBytes(app.PathOf("device.txt")).find("DirectShow audio devices") != std::string::npos,
              std::string(run.listing) == "old");
    // The Chinese test-tone names came through the listing; the first is what the encoder is asked for.
    ASSERT_EQ(app.ComboItems(IDC_COMBO_DEVICE), (std::vector<std::string>{kToneDevice, kLateToneDevice}));
    GoLive(app, stream);
    ASSERT_EQ(app.CountLog(kOnAir), 1u);

    const std::string probe = WaitForStream(stream, 20s);
    ASSERT_FALSE(probe.empty());
    EXPECT_EQ(Field(probe, "codec_name"), "aac");
    EXPECT_EQ(Field(probe, "sample_rate"), "48000");
    EXPECT_NEAR(std::atol(Field(probe, "bit_rate").c_str()), run.kbps * 1000, run.kbps * 100) << "within 10 %";
    EXPECT_TRUE(ServerHasPublisher(stream));
    EXPECT_EQ(app.CountLog(kRelaunch), 0u);
    // Debian's ffmpeg says in its banner that it lacks libfdk_aac: the program asked for aac, and said so.
    EXPECT_EQ(app.CountLog(kAacFallback), 1u);
    // The window tells the bitrate the encoder reports, which is what the server receives.
    long shown = 0;
    EXPECT_TRUE(WaitUntil([&] { return (shown = StatusKbps(app)) > 0; }, 10s)) << app.Text(IDC_STATUS);
    EXPECT_NEAR(shown, std::atol(Field(probe, "bit_rate").c_str()) / 1000, run.kbps / 5) << app.Text(IDC_STATUS);
  }
}

// As from a shortcut in the Startup folder: no click. The address is rtmps://, taken because the bridge's
// banner names gnutls, and published through the server's TLS listener on port 1936.
TEST(EndToEnd, StartedWithLiveTheToneGoesOnAirOverRtmpsWithoutAClick) {
  AppUnderTest::Options options = RealEncoder(1, "rtmps://127.0.0.1:1936/live/e2eboot");
  options.arguments = "/live";
  AppUnderTest app(options);
  const std::string probe = WaitForStream("e2eboot", 30s);
  ASSERT_FALSE(probe.empty()) << app.Text(IDC_STATUS);
  EXPECT_EQ(Field(probe, "codec_name"), "aac");
  EXPECT_EQ(app.CountLog(kOnAir), 1u);
  EXPECT_EQ(app.Text(IDC_BTN_LIVE), "停止直播");
}

// The peak level ffmpeg measures in what the server sends, in dBFS; NaN when it measured nothing.
double ServerPeakDb(const std::string& name) {
  const LinuxResult r = RunLinux("ffmpeg -hide_banner -nostats -rw_timeout 3000000 -i rtmp://127.0.0.1/live/" + name +
                                     " -t 3 -af astats=measure_overall=Peak_level:measure_perchannel=none -f null - 2>&1"
                                     " | sed -n 's/.*Peak level dB: //p' | tail -n 1",
                                 30s);
  return r.output.empty() ? std::nan("") : std::atof(r.output.c_str());
}

// The second test sound is silent for its first 15 s, then the tone.
TEST(EndToEnd, DeadAirIsSaidWithin12sTheSoundComingBackTooAndTheMeterReadsWhatTheServerGets) {
  AppUnderTest::Options options = RealEncoder(1);
  options.files["config.db"] = "1\r\n\r\n0\r\n1\r\n";
  AppUnderTest app(options);
  ASSERT_EQ(app.Text(IDC_COMBO_DEVICE), kLateToneDevice);
  const auto live = std::chrono::steady_clock::now();
  GoLive(app, "e2emeter");
  ASSERT_TRUE(app.WaitForLog(kDeadAir, 20s)) << app.Text(IDC_STATUS);
  const auto alarm = std::chrono::duration_cast<Millis>(std::chrono::steady_clock::now() - live);
  EXPECT_LE(alarm.count(), 12000 + 1500) << "the bridge's ffmpeg takes a moment to start";
  EXPECT_NE(app.Text(IDC_STATUS).find("静音"), std::string::npos);
  ASSERT_TRUE(app.WaitForLog(kSoundBack, 20s));
  EXPECT_EQ(app.Text(IDC_STATUS).find("静音"), std::string::npos);
  EXPECT_EQ(app.CountLog(kDeadAir), 1u);

  const double server = ServerPeakDb("e2emeter");
  ASSERT_FALSE(std::isnan(server));
  const double shown = std::atof(app.Text(IDC_LEVEL_TEXT).c_str());
  EXPECT_NEAR(shown, server, 3.0) << app.Text(IDC_LEVEL_TEXT);
  app.Click(IDC_BTN_LIVE);
}

TEST(EndToEnd, AKilledEncoderIsBackWithinOneTick) {
  AppUnderTest app(RealEncoder(1));
  GoLive(app, "e2ewatch");
  ASSERT_FALSE(WaitForStream("e2ewatch", 20s).empty());
  ASSERT_FALSE(EncodersFor("e2ewatch").empty());

  RunLinux("pkill -f 'ffmpeg.*rtmp://127.0.0.1/live/e2ewatch( |$)'");
  EXPECT_TRUE(WaitUntil([&] { return app.CountLog(kRelaunch) >= 1; }, 8s)) << "relaunched at the next tick";
  EXPECT_FALSE(WaitForStream("e2ewatch", 15s).empty());
  EXPECT_TRUE(WaitUntil([&] { return app.CountLog(kOnAir) == 2; }, 8s)) << "back on the air, says the log";
}

// The Linux encoder behind the bridge ends with the window too (the other ways of ending are the
// NoOrphanEncoder tests).
TEST(EndToEnd, ClosingLeavesNoPublisherAndNoEncoder) {
  AppUnderTest app(RealEncoder(1));
  GoLive(app, "e2eclose");
  ASSERT_FALSE(WaitForStream("e2eclose", 20s).empty());
  app.CloseWindow();
  EXPECT_TRUE(app.WaitForExit());
  EXPECT_TRUE(WaitUntil([&] { return EncodersFor("e2eclose").empty(); }, 5s)) << EncodersFor("e2eclose");
  EXPECT_TRUE(WaitUntil([&] { return !ServerHasPublisher("e2eclose"); }, 5s));
}

// Runs last: it stops and restarts the server.
TEST(EndToEnd, ZServerDownWhenGoingLiveThenUpIsReachedAtTheNextRelaunch) {
  const std::string server = "bash '" + RepositoryRoot() + "/scripts/rtmp-server.sh' ";
  ASSERT_EQ(RunLinux(server + "stop").status, 0);
  AppUnderTest app(RealEncoder(1));
  GoLive(app, "e2edown");
  // Refused at once, relaunched at tick 1 and refused again.
  ASSERT_TRUE(WaitUntil([&] { return app.CountLog(kRelaunch) >= 1; }, 10s));
  Sleep(2500);
  const LinuxResult up = RunLinux(server + "start");
  ASSERT_EQ(up.status, 0) << up.output;
  // The next relaunch on the schedule (tick 2) finds the server.
  EXPECT_FALSE(WaitForStream("e2edown", 20s).empty());
  EXPECT_TRUE(WaitUntil([&] { return app.CountLog(kOnAir) == 2; }, 10s));
  EXPECT_GE(app.CountLog(kRelaunch), 2u);
}
