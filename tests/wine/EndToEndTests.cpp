// On air for real: PushClient.exe with the encoder bridge beside it, Debian's ffmpeg behind the bridge and
// nginx's RTMP server on 127.0.0.1:1935 (started by the test script). What reached the server is read
// with ffprobe.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

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


// The Linux path of a Windows one (code page 936), in UTF-8, as Wine itself maps it.
std::string LinuxPath(const std::string& windowsPath) {
  using ToUnix = char*(CDECL*)(const WCHAR*);
  const auto toUnix = reinterpret_cast<ToUnix>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  const int length = MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, &wide[0], length);
  char* unix = toUnix ? toUnix(wide.c_str()) : nullptr;
  if (!unix) return std::string();
  const std::string path = unix;
  HeapFree(GetProcessHeap(), 0, unix);
  return path;
}

// The test script's RTMP server, stopped or started again.
bool RtmpServer(const char* action) {
  const std::string root = LinuxPath(BuildFolder()) + "/../..";
  return RunLinux("bash " + root + "/scripts/rtmp-server.sh " + action, 60s).has_value();
}

// A finished recording as ffprobe reads it: its codec, and its length by its packets (1024 samples each).
struct RecordedFile {
  std::string name;
  long long start = 0;  // seconds, from the name
  double seconds = 0;
  double kbps = 0;
  std::string codec;
};

// "YYYY-MM-DD_HH-MM-SS.aac", as seconds since some day; days counted as the calendar does.
long long NamedStart(const std::string& name) {
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, se = 0;
  if (std::sscanf(name.c_str(), "%4d-%2d-%2d_%2d-%2d-%2d.aac", &y, &mo, &d, &h, &mi, &se) != 6) return -1;
  y -= mo <= 2;
  const long long era = y / 400, yoe = y - era * 400, doy = (153 * (mo + (mo > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const long long days = era * 146097 + yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return ((days * 24 + h) * 60 + mi) * 60 + se;
}

std::vector<RecordedFile> ReadRecordings(const std::string& folder) {
  std::vector<RecordedFile> files;
  WIN32_FIND_DATAA found = {};
  const HANDLE find = FindFirstFileA((folder + "\\*.aac").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return files;
  do {
    RecordedFile file;
    file.name = found.cFileName;
    file.start = NamedStart(file.name);
    if (file.start < 0) continue;  // a segment not yet named
    const auto probe = RunLinux("ffprobe -v error -count_packets -show_entries stream=codec_name,nb_read_packets,sample_rate"
                                " -of default=nw=1 '" + LinuxPath(folder + "\\" + file.name) + "'");
    if (probe) {
      file.codec = Field("\n" + *probe, "codec_name");
      const double rate = std::atof(Field("\n" + *probe, "sample_rate").c_str());
      if (rate > 0) file.seconds = std::atof(Field("\n" + *probe, "nb_read_packets").c_str()) * 1024 / rate;
    }
    if (file.seconds > 0) file.kbps = found.nFileSizeLow * 8.0 / file.seconds / 1000;
    files.push_back(file);
  } while (FindNextFileA(find, &found));
  FindClose(find);
  std::sort(files.begin(), files.end(), [](const RecordedFile& a, const RecordedFile& b) { return a.start < b.start; });
  return files;
}

long long LocalSecondsNow() {
  SYSTEMTIME now = {};
  GetLocalTime(&now);
  char name[32];
  std::snprintf(name, sizeof name, "%04d-%02d-%02d_%02d-%02d-%02d.aac", now.wYear, now.wMonth, now.wDay, now.wHour,
                now.wMinute, now.wSecond);
  return NamedStart(name);
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

// The recording beside the broadcast, in one-minute files: the server gone for 30 s is in the recording,
// whole, while the broadcast comes back; then the folder made unusable stops the recording with a reason
// and leaves the broadcast's encoder alone.
TEST(EndToEnd, TheRecordingCoversAnOutageInMinuteFilesAndItsFailureLeavesTheBroadcastAlone) {
  AppUnderTest::Options options = RealEncoder(1);
  options.files["PushClient.ini"] = "[record]\r\nenabled=1\r\nsegment_minutes=1\r\n";
  AppUnderTest app(options);
  const std::string folder = app.PathOf(kRecordFolderDefault);
  app.GoLive("rtmp://127.0.0.1/live/e2erecord");
  ASSERT_FALSE(WaitForStream("e2erecord", 20s).empty());
  // The outage falls inside a whole minute's file: after the first cut.
  ASSERT_TRUE(WaitUntil([&] { return !ReadRecordings(folder).empty(); }, 90s, 1s));
  ASSERT_TRUE(RtmpServer("stop"));
  const long long outageBegan = LocalSecondsNow();
  Sleep(30000);
  const long long outageEnded = LocalSecondsNow();
  ASSERT_TRUE(RtmpServer("start"));
  EXPECT_FALSE(WaitForStream("e2erecord", 60s).empty()) << "the broadcast came back";
  EXPECT_TRUE(WaitUntil([&] {
    const auto files = ReadRecordings(folder);
    return !files.empty() && files.back().start + files.back().seconds >= outageEnded;
  }, 90s, 1s)) << "the minute of the outage was saved";

  const std::vector<RecordedFile> files = ReadRecordings(folder);
  ASSERT_GE(files.size(), 2u);
  bool covered = false;
  for (std::size_t i = 0; i < files.size(); ++i) {
    SCOPED_TRACE(files[i].name);
    EXPECT_EQ(files[i].codec, "aac");
    EXPECT_NEAR(files[i].kbps, 48 + 3, 5) << "the broadcast's 48 kbit/s and the ADTS headers";
    if (i > 0) {
      EXPECT_NEAR(files[i].seconds, 60, 1) << "a whole minute, cut at the clock";
    }
    if (i + 1 < files.size()) {
      EXPECT_NEAR(files[i].start + files[i].seconds, files[i + 1].start, 1.5)
          << "no gap before the next (names are to the second)";
    }
    covered |= files[i].start <= outageBegan && files[i].start + files[i].seconds >= outageEnded - 1;
  }
  EXPECT_TRUE(covered) << "one file holds the whole outage";
  EXPECT_EQ(app.CountLog(kLogRecordRelaunch), 0u) << "the outage never touched the recording";

  // The folder goes, and a file takes its name: the next cut cannot be written.
  const size_t relaunches = app.CountLog(kLogRelaunch);
  ASSERT_TRUE(MoveFileA(folder.c_str(), (folder + "-moved").c_str()));
  WriteFileBytes(folder, "not a folder");
  ASSERT_TRUE(app.WaitForLog(kLogRecordRelaunch, 90s));
  const std::string folderFailed = std::string(kLogRecordFolderFailed).substr(0, std::string(kLogRecordFolderFailed).find("{}"));
  const std::vector<std::string> messages = app.LogMessages();
  EXPECT_TRUE(std::any_of(messages.begin(), messages.end(), [&](const std::string& message) {
    return message.rfind(kLogRecordExitReason, 0) == 0 || message.rfind(folderFailed, 0) == 0;
  })) << "why it stopped";
  EXPECT_EQ(app.CountLog(kLogRelaunch), relaunches) << "the broadcast's encoder was not relaunched";
  EXPECT_FALSE(WaitForStream("e2erecord", 10s).empty());
}
