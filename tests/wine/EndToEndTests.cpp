// On air for real: PushClient.exe with the encoder bridge beside it, Debian's ffmpeg behind the bridge and
// nginx's RTMP server on 127.0.0.1:1935 (started by the test script). What reached the server is read
// with ffprobe and the server's statistics page.
#include <gtest/gtest.h>

#include <cstdlib>

#include "AppUnderTest.h"
#include "LinuxCommand.h"
#include "res/Texts.h"
#include "res/resource.h"

using namespace pushtest;

namespace {

const char kToneDevice[] = "测试音 (440 Hz)";

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
  return RunLinux("curl -s --max-time 3 http://127.0.0.1:8080/stat", 10s).output.find("<name>" + name + "</name>") !=
         std::string::npos;
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
    // The Chinese test-tone name came through the listing and is what the encoder is asked for.
    ASSERT_EQ(app.ComboItems(IDC_COMBO_DEVICE), std::vector<std::string>{kToneDevice});
    app.GoLive("rtmp://127.0.0.1/live/" + stream);
    ASSERT_EQ(app.CountLog(kLogOnAir), 1u);

    const std::string probe = WaitForStream(stream, 20s);
    ASSERT_FALSE(probe.empty());
    EXPECT_EQ(Field(probe, "codec_name"), "aac");
    EXPECT_EQ(Field(probe, "sample_rate"), "48000");
    EXPECT_NEAR(std::atol(Field(probe, "bit_rate").c_str()), run.kbps * 1000, run.kbps * 100) << "within 10 %";
    EXPECT_TRUE(ServerHasPublisher(stream));
    EXPECT_EQ(app.CountLog(kLogRelaunch), 0u);
    // Debian's ffmpeg says in its banner that it lacks libfdk_aac: the program asked for aac, and said so.
    EXPECT_EQ(app.CountLog(kLogAacFallback), 1u);
    // The window tells the bitrate the encoder reports, which is what the server receives.
    long shown = 0;
    EXPECT_TRUE(WaitUntil([&] { return (shown = StatusKbps(app)) > 0; }, 10s)) << app.Text(IDC_STATUS);
    EXPECT_NEAR(shown, std::atol(Field(probe, "bit_rate").c_str()) / 1000, run.kbps / 5) << app.Text(IDC_STATUS);
  }
}

TEST(EndToEnd, AKilledEncoderIsBackWithinOneTick) {
  AppUnderTest app(RealEncoder(1));
  app.GoLive("rtmp://127.0.0.1/live/e2ewatch");
  ASSERT_FALSE(WaitForStream("e2ewatch", 20s).empty());
  ASSERT_FALSE(EncodersFor("e2ewatch").empty());

  RunLinux("pkill -f 'ffmpeg.*rtmp://127.0.0.1/live/e2ewatch( |$)'");
  EXPECT_TRUE(WaitUntil([&] { return app.CountLog(kLogRelaunch) >= 1; }, 8s)) << "relaunched at the next tick";
  EXPECT_FALSE(WaitForStream("e2ewatch", 15s).empty());
  EXPECT_TRUE(WaitUntil([&] { return app.CountLog(kLogOnAir) == 2; }, 8s)) << "back on the air, says the log";
}
