// Going live against the stand-in encoder: the command line it receives, config.db, the log, the
// watchdog's relaunches, changes while live, and that no encoder outlives the window.
#include <gtest/gtest.h>

#include <windows.h>

#include "AppUnderTest.h"
#include "res/resource.h"

using namespace pushtest;

namespace {

const char kMicUtf8[] = u8"麦克风 (Realtek Audio)";
const char kMicAnsi[] = "麦克风 (Realtek Audio)";
const char kGoodAddress[] = "rtmp://1000.push.quorvel.com/app/stream";
const char kOnAir[] = "直播中。。。";
const char kOffAir[] = "关闭直播。。。";
const char kRelaunch[] = "直播进程被关闭，系统自动重启进程！";
const char kStatusFile[] = "C:\\NetStatus.txt";

AppUnderTest::Options Script(const std::string& streamScript, const std::string& config = "") {
  AppUnderTest::Options options;
  options.files["listing.txt"] = DeviceListing({kMicUtf8, "Line In (USB Audio)"});
  if (!config.empty()) options.files["config.db"] = config;
  options.encoderScript = "list_file=listing.txt\n" + streamScript;
  return options;
}

// Goes live on the service's own address; the process id of the encoder it started, 0 if none came.
DWORD GoLiveAndGetEncoder(const AppUnderTest& app) {
  app.GoLive(kGoodAddress);
  return app.WaitForStreamCalls(1) ? app.StreamCalls()[0].pid : 0;
}

}  // namespace

TEST(GoingLive, SendsTheCommandLineSavesTheSettingsLogsAndSwitchingOffEndsTheEncoder) {
  DeleteFileA(kStatusFile);
  AppUnderTest app(Script("stream_output=encoder status line\n"));
  // The device box is sorted: "Line In" first, the microphone second.
  app.SelectCombo(IDC_COMBO_DEVICE, 1);
  app.SelectCombo(IDC_COMBO_BITRATE, 4);
  app.GoLive(kGoodAddress);

  ASSERT_TRUE(app.WaitForStreamCalls(1));
  const EncoderCall call = app.StreamCalls()[0];
  EXPECT_EQ(call.raw, std::string(" -f dshow -i audio=\"") + kMicAnsi +
                          "\" -y -c:a libfdk_aac -b:a 128k -f flv rtmp://1000.push.quorvel.com/app/stream ");
  EXPECT_EQ(call.args[3], std::string("audio=") + kMicAnsi);
  EXPECT_EQ(app.Text(IDC_BTN_LIVE), "停止直播");
  EXPECT_EQ(app.LogMessages(), std::vector<std::string>{kOnAir});
  EXPECT_EQ(ReadFileBytes(app.PathOf("config.db")),
            "1\r\r\nrtmp://1000.push.quorvel.com/app/stream\r\r\n0\r\r\n4\r\r\n");
  EXPECT_TRUE(WaitUntil([&] { return ReadFileBytes(kStatusFile).find("encoder status line") != std::string::npos; }))
      << "the encoder's output reaches the status file";

  WatchedProcess encoder(call.pid);
  app.Click(IDC_BTN_LIVE);
  EXPECT_TRUE(encoder.WaitForExit());
  EXPECT_EQ(encoder.ExitCode(), 0u);
  EXPECT_EQ(app.Text(IDC_BTN_LIVE), "开始直播");
  EXPECT_EQ(app.CountLog(kOffAir), 1u);
}

// A refused address leaves the switch off. Blanks are removed before the address is used; a tab, a
// double quote and a trailing backslash are kept and the address still reaches the encoder as one argument.
TEST(GoingLive, ARefusedAddressLeavesTheSwitchOffAnAcceptedOneReachesTheEncoderWithoutBlanks) {
  AppUnderTest app(Script(""));
  app.GoLive("rtmp://a/b");
  EXPECT_EQ(app.LogMessages(), std::vector<std::string>{"请重新设置服务器地址，服务器地址不存在！"});
  EXPECT_EQ(app.Text(IDC_BTN_LIVE), "开始直播");
  EXPECT_FALSE(FileExists(app.PathOf("config.db")));
  Sleep(300);
  EXPECT_TRUE(app.StreamCalls().empty());

  const std::string typed = " rtmp://127.0.0.1/live/ my \"stream\"\t-i\\ ";
  const std::string used = "rtmp://127.0.0.1/live/my\"stream\"-i\\";
  app.GoLive(typed);
  ASSERT_TRUE(app.WaitForStreamCalls(1));
  const EncoderCall call = app.StreamCalls()[0];
  ASSERT_EQ(call.args.size(), 12u);
  EXPECT_EQ(call.args[11], used);
  EXPECT_EQ(app.CountLog("非Quorvel习惯直播地址，有可能出错！！！"), 1u) << "another host only warns";
  EXPECT_EQ(app.CountLog(kOnAir), 1u);
  EXPECT_NE(ReadFileBytes(app.PathOf("config.db")).find("\r\r\n" + used + "\r\r\n"), std::string::npos);
  EXPECT_EQ(app.Text(IDC_EDIT_SERVER), typed) << "the box keeps what the user typed";
}

TEST(Settings, AreLoadedAtStartAndTheTrayBoxSavesAtOnceWithoutTakingTheTypedAddress) {
  AppUnderTest app(Script("", "1\r\nrtmp://1000.push.quorvel.com/app/loaded\r\n1\r\n4\r\n"));
  EXPECT_EQ(app.ComboSelection(IDC_COMBO_DEVICE), 1);
  EXPECT_EQ(app.ComboSelection(IDC_COMBO_BITRATE), 4);
  EXPECT_EQ(SendMessageA(app.Item(IDC_CHECK_TRAY), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(app.Text(IDC_EDIT_SERVER), "rtmp://1000.push.quorvel.com/app/loaded");

  app.SetText(IDC_EDIT_SERVER, "rtmp://typed/but/not/saved");
  app.Click(IDC_CHECK_TRAY);
  EXPECT_EQ(ReadFileBytes(app.PathOf("config.db")),
            "1\r\r\nrtmp://1000.push.quorvel.com/app/loaded\r\r\n0\r\r\n4\r\r\n");
}

TEST(WhileLive, RefreshingRebuildsTheListAndLeavesTheEncoderAlone) {
  AppUnderTest app(Script(""));
  app.SelectCombo(IDC_COMBO_DEVICE, 1);
  app.GoLive(kGoodAddress);
  ASSERT_TRUE(app.WaitForStreamCalls(1));
  const DWORD pid = app.StreamCalls()[0].pid;
  WriteFileBytes(app.PathOf("listing.txt"), DeviceListing({kMicUtf8, "Line In (USB Audio)", "AUX (USB Audio)"}));
  app.Click(IDC_BTN_REFRESH);
  EXPECT_EQ(app.ComboItems(IDC_COMBO_DEVICE).size(), 3u);
  EXPECT_EQ(app.ComboSelection(IDC_COMBO_DEVICE), 1) << "selected again by position";
  EXPECT_TRUE(ProcessRunning(pid));
  EXPECT_EQ(app.StreamCalls().size(), 1u);
}

TEST(WhileLive, ANewBitrateIsUsedByTheNextRelaunchOnly) {
  AppUnderTest app(Script(""));
  app.GoLive(kGoodAddress);
  ASSERT_TRUE(app.WaitForStreamCalls(1));
  app.SelectCombo(IDC_COMBO_BITRATE, 5);
  const DWORD pid = app.StreamCalls()[0].pid;
  Sleep(300);
  ASSERT_TRUE(ProcessRunning(pid)) << "the running encoder is not touched";
  // The encoder dies; the watchdog's relaunch takes the new bitrate.
  ASSERT_TRUE(TerminateByPid(pid));
  ASSERT_TRUE(app.WaitForStreamCalls(2, 8s));
  EXPECT_EQ(app.StreamCalls()[0].args[8], "48k");
  EXPECT_EQ(app.StreamCalls()[1].args[8], "192k");
  EXPECT_EQ(app.CountLog(kRelaunch), 1u);
  // The next tick finds the relaunched encoder running and says so.
  EXPECT_TRUE(WaitUntil([&] { return app.CountLog(kOnAir) == 2; }, 8s));
}

TEST(Watchdog, AnEncoderThatKeepsEndingIsRelaunchedAtTicks1_2And4) {
  AppUnderTest app(Script("stream=exit\n"));
  app.GoLive(kGoodAddress);
  using Clock = std::chrono::steady_clock;
  std::vector<Clock::time_point> seen;
  for (size_t n = 1; n <= 4; ++n) {
    ASSERT_TRUE(app.WaitForStreamCalls(n, 16s)) << n;
    seen.push_back(Clock::now());
  }
  // Launch, tick 1, tick 2, then nothing at tick 3, then tick 4.
  const auto gap = [&](size_t a, size_t b) { return std::chrono::duration_cast<Millis>(seen[b] - seen[a]).count(); };
  EXPECT_LT(gap(1, 2), 7500);
  EXPECT_GT(gap(2, 3), 7500);
  EXPECT_LT(gap(2, 3), 12500);
  EXPECT_EQ(app.CountLog(kRelaunch), 3u);
  EXPECT_EQ(app.CountLog(kOnAir), 1u);
}

TEST(Watchdog, AFirstLaunchThatCannotStartIsReportedEveryTick) {
  AppUnderTest app(Script(""));
  ASSERT_TRUE(DeleteFileA(app.PathOf("ffmpeg.exe").c_str()));
  app.GoLive(kGoodAddress);
  EXPECT_TRUE(WaitUntil([&] { return app.CountLog("call process  failed!") >= 2; }, 12s));
  EXPECT_EQ(app.CountLog(kRelaunch), 0u);
}

TEST(Watchdog, ARelaunchThatCannotStartKeepsTheScheduleGoing) {
  AppUnderTest app(Script("stream=exit_after\nstream_after_ms=300\n"));
  app.GoLive(kGoodAddress);
  ASSERT_TRUE(app.WaitForStreamCalls(1));
  // The encoder goes missing: the relaunches at ticks 1 and 2 cannot start.
  const std::string encoder = app.PathOf("ffmpeg.exe"), away = app.PathOf("ffmpeg.away");
  ASSERT_TRUE(WaitUntil([&] { return MoveFileA(encoder.c_str(), away.c_str()) != FALSE; }));
  ASSERT_TRUE(WaitUntil([&] { return app.CountLog(kRelaunch) == 2; }, 12s));
  ASSERT_TRUE(MoveFileA(away.c_str(), encoder.c_str()));
  // Tick 4 tries again and the encoder starts.
  EXPECT_TRUE(app.WaitForStreamCalls(2, 12s));
  EXPECT_EQ(app.CountLog(kRelaunch), 3u);
  EXPECT_EQ(app.CountLog("call process  failed!"), 0u);
}

TEST(NoOrphanEncoder, ClosingTheWindowEscapeOrEnterWhileLiveEndsTheEncoder) {
  for (int command : {0, IDCANCEL, IDOK}) {
    SCOPED_TRACE(command);
    AppUnderTest app(Script(""));
    const DWORD pid = GoLiveAndGetEncoder(app);
    ASSERT_NE(pid, 0u);
    WatchedProcess encoder(pid);
    if (command == 0) {
      app.CloseWindow();
    } else {
      // What the dialog manager sends for Escape and Enter.
      PostMessageA(app.Main(), WM_COMMAND, MAKEWPARAM(command, BN_CLICKED), 0);
    }
    EXPECT_TRUE(app.WaitForExit());
    EXPECT_TRUE(encoder.WaitForExit(1s));
    EXPECT_EQ(encoder.ExitCode(), 0u);
  }
}

TEST(NoOrphanEncoder, KillingTheProgramWhileLiveEndsTheEncoderToo) {
  AppUnderTest app(Script(""));
  const DWORD pid = GoLiveAndGetEncoder(app);
  ASSERT_NE(pid, 0u);
  WatchedProcess encoder(pid);
  // As the task manager would: no close path of the program runs.
  ASSERT_TRUE(TerminateByPid(app.ProcessId()));
  EXPECT_TRUE(encoder.WaitForExit(5s));
}
