// On air for real: PushClient.exe with the encoder bridge beside it, Debian's ffmpeg behind the bridge and
// nginx's RTMP server on 127.0.0.1:1935 (started by the test script). What reached the server is read
// with ffprobe.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <optional>

#include "AppUnderTest.h"
#include "res/Texts.h"
#include "streaming/DeadAir.h"
#include "res/resource.h"

using namespace pushtest;

namespace {

const char kToneDevice[] = "测试音 (440 Hz)";
// Silent for the first 15 s of each launch, then the tone.
const char kLateToneDevice[] = "静音后有声 (440 Hz)";

// Runs a shell command of the Linux machine underneath Wine. A Linux program started from a Windows one
// gets no usable process handle and cannot write into a pipe, so the command leaves its output and its
// exit status in files, which are polled. The output, unless the command failed or outran the timeout.
std::optional<std::string> RunLinux(const std::string& command, Millis timeout = 30s) {
  static std::atomic<int> counter{0};
  const std::string dir = "/tmp/pushclient-linux-" + std::to_string(GetCurrentProcessId()) + "-" +
                          std::to_string(GetTickCount()) + "-" + std::to_string(++counter);
  // Wine shows the Linux root as drive Z:.
  const auto dos = [&](const std::string& name) {
    std::string path = "Z:" + dir + "/" + name;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
  };
  CreateDirectoryA(dos("").c_str(), nullptr);
  WriteFileBytes(dos("cmd.sh"), "(\n" + command + "\n) >" + dir + "/out 2>&1 </dev/null\necho $? >" + dir +
                                    "/status.tmp\nmv " + dir + "/status.tmp " + dir + "/status\n");
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  std::string commandLine = "/bin/sh " + dir + "/cmd.sh";
  if (!CreateProcessA("Z:\\bin\\sh", &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
    return std::nullopt;
  if (info.hProcess) CloseHandle(info.hProcess);
  if (info.hThread) CloseHandle(info.hThread);
  if (!WaitUntil([&] { return FileExists(dos("status")); }, timeout, 20ms)) return std::nullopt;
  const std::string output = ReadFileBytes(dos("out"));
  const bool ok = std::atoi(ReadFileBytes(dos("status")).c_str()) == 0;
  for (const char* name : {"cmd.sh", "out", "status"}) DeleteFileA(dos(name).c_str());
  RemoveDirectoryA(dos("").c_str());
  return ok ? std::optional<std::string>(output) : std::nullopt;
}

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
  const auto probe = RunLinux("ffprobe -v error -rw_timeout 3000000 -show_streams rtmp://127.0.0.1/live/" + name, 20s);
  return probe && probe->find("codec_name=") != std::string::npos ? "\n" + *probe : "";
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

// config.db: this device position, this address, no tray, this bitrate position.
AppUnderTest::Options RealEncoder(int bitrateIndex, const std::string& address = "", int device = 0) {
  AppUnderTest::Options options;
  options.realEncoder = true;
  options.files["config.db"] =
      std::to_string(device) + "\r\n" + address + "\r\n0\r\n" + std::to_string(bitrateIndex) + "\r\n";
  return options;
}

// The peak level ffmpeg measures in what the server sends, in dBFS; NaN when it measured nothing.
double ServerPeakDb(const std::string& name) {
  const auto peak = RunLinux("ffmpeg -hide_banner -nostats -rw_timeout 3000000 -i rtmp://127.0.0.1/live/" + name +
                                 " -t 3 -af astats=measure_overall=Peak_level:measure_perchannel=none -f null - 2>&1"
                                 " | sed -n 's/.*Peak level dB: //p' | tail -n 1",
                             30s);
  return peak && !peak->empty() ? std::atof(peak->c_str()) : std::nan("");
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
    app.GoLive("rtmp://127.0.0.1/live/" + stream);
    ASSERT_EQ(app.CountLog(kLogOnAir), 1u);

    const std::string probe = WaitForStream(stream, 20s);
    ASSERT_FALSE(probe.empty());
    EXPECT_EQ(Field(probe, "codec_name"), "aac");
    EXPECT_EQ(Field(probe, "sample_rate"), "48000");
    EXPECT_NEAR(std::atol(Field(probe, "bit_rate").c_str()), run.kbps * 1000, run.kbps * 100) << "within 10 %";
    EXPECT_EQ(app.CountLog(kLogRelaunch), 0u);
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
  EXPECT_EQ(app.CountLog(kLogOnAir), 1u);
  EXPECT_EQ(app.Text(IDC_BTN_LIVE), "停止直播");
}

TEST(EndToEnd, DeadAirIsSaidWithin12sTheSoundComingBackTooAndTheMeterReadsWhatTheServerGets) {
  AppUnderTest app(RealEncoder(1, "", 1));
  ASSERT_EQ(app.Text(IDC_COMBO_DEVICE), kLateToneDevice);
  const auto live = std::chrono::steady_clock::now();
  app.GoLive("rtmp://127.0.0.1/live/e2emeter");
  ASSERT_TRUE(app.WaitForLog(DeadAirText(), 20s)) << app.Text(IDC_STATUS);
  const auto alarm = std::chrono::duration_cast<Millis>(std::chrono::steady_clock::now() - live);
  EXPECT_LE(alarm.count(), 12000 + 1500) << "the bridge's ffmpeg takes a moment to start";
  EXPECT_NE(app.Text(IDC_STATUS).find(kStatusSilence), std::string::npos);
  ASSERT_TRUE(app.WaitForLog(kLogSoundBack, 20s));
  EXPECT_EQ(app.Text(IDC_STATUS).find(kStatusSilence), std::string::npos);
  EXPECT_EQ(app.CountLog(DeadAirText()), 1u);

  const double server = ServerPeakDb("e2emeter");
  ASSERT_FALSE(std::isnan(server));
  EXPECT_NEAR(std::atof(app.Text(IDC_LEVEL_TEXT).c_str()), server, 3.0) << app.Text(IDC_LEVEL_TEXT);
}
