// Going live against the stand-in encoder: the command line it receives, config.db, the log and status
// line, what the encoder says of itself and why it ended, the status file, and that no encoder outlives
// the window. The rules behind them (schedule, stall, choice at relaunch, the status file's bound) are
// proven natively.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "AppUnderTest.h"
#include "res/Texts.h"
#include "text/AnsiText.h"
#include "res/resource.h"

using namespace pushtest;

// Blanks are removed before the address is used; a tab, a
// double quote and a trailing backslash are kept and the address still reaches the encoder as one argument.
TEST(GoingLive, SendsTheChoicesSavesTheSettingsShowsTheFiguresAndSwitchingOffEndsTheEncoder) {
  DeleteFileA(kStatusFile);
  AppUnderTest app(TwoDevices("stream_output=encoder status line\nstream_progress=1\n"));
  // The device box is sorted: "Line In" first, the microphone second.
  app.SelectCombo(IDC_COMBO_DEVICE, 1);
  app.SelectCombo(IDC_COMBO_BITRATE, 4);
  const std::string typed = " rtmp://127.0.0.1/live/ my \"stream\"\t-i\\ ";
  const std::string used = "rtmp://127.0.0.1/live/my\"stream\"-i\\";
  app.GoLive(typed);
  ASSERT_TRUE(app.WaitForStreamCalls(1));
  const EncoderCall call = app.StreamCalls().at(0);
  EXPECT_EQ(call.args, (std::vector<std::string>{"-f", "dshow", "-i", "audio=麦克风 (Realtek Audio)", "-y", "-c:a",
                                                 "libfdk_aac", "-b:a", "128k", "-f", "flv", used}));
  EXPECT_EQ(app.Text(IDC_BTN_LIVE), kButtonStop);
  EXPECT_EQ(app.LogMessages().size(), 2u);
  EXPECT_EQ(app.CountLog(kMsgNotServiceHost), 1u) << "another host only warns";
  EXPECT_EQ(app.CountLog(kLogOnAir), 1u);
  const std::string saved = "1\r\r\n" + used + "\r\r\n0\r\r\n4\r\r\n";
  EXPECT_EQ(app.FileOnceItHolds("config.db", saved), saved);
  EXPECT_EQ(app.Text(IDC_EDIT_SERVER), typed) << "the box keeps what the user typed";
  EXPECT_TRUE(WaitUntil([&] { return ReadFileBytes(kStatusFile).find("encoder status line") != std::string::npos; }));
  EXPECT_TRUE(WaitUntil([&] { return app.Text(IDC_STATUS).find("| 128 kbit/s | ") != std::string::npos; }, 5s))
      << app.Text(IDC_STATUS);

  app.Click(IDC_BTN_LIVE);
  EXPECT_TRUE(WaitUntil([&] { return !ProcessRunning(call.pid); }, 3s));
  EXPECT_EQ(app.Text(IDC_BTN_LIVE), kButtonStart);
  EXPECT_EQ(app.CountLog(kLogOffAir), 1u);
}

TEST(Settings, AreLoadedAtStartAndTheTrayBoxSavesAtOnceWithoutTakingTheTypedAddress) {
  AppUnderTest app(TwoDevices("", "1\r\nrtmp://1000.push.quorvel.com/app/loaded\r\n1\r\n4\r\n"));
  EXPECT_EQ(app.ComboSelection(IDC_COMBO_DEVICE), 1);
  EXPECT_EQ(app.ComboSelection(IDC_COMBO_BITRATE), 4);
  EXPECT_EQ(SendMessageA(app.Item(IDC_CHECK_TRAY), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(app.Text(IDC_EDIT_SERVER), "rtmp://1000.push.quorvel.com/app/loaded");

  app.SetText(IDC_EDIT_SERVER, "rtmp://typed/but/not/saved");
  app.Click(IDC_CHECK_TRAY);
  const std::string saved = "1\r\r\nrtmp://1000.push.quorvel.com/app/loaded\r\r\n0\r\r\n4\r\r\n";
  EXPECT_EQ(app.FileOnceItHolds("config.db", saved), saved);
}

TEST(WhileLive, RefreshingRebuildsTheListAndLeavesTheEncoderAlone) {
  AppUnderTest app(TwoDevices());
  app.SelectCombo(IDC_COMBO_DEVICE, 1);
  app.GoLive(kGoodAddress);
  ASSERT_TRUE(app.WaitForStreamCalls(1));
  const DWORD pid = app.StreamCalls()[0].pid;
  WriteFileBytes(app.PathOf("listing.txt"), DeviceListing({u8"麦克风 (Realtek Audio)", "Line In (USB Audio)", "AUX"}));
  app.Click(IDC_BTN_REFRESH);
  EXPECT_EQ(app.DeviceCount(), 3);
  EXPECT_EQ(app.ComboSelection(IDC_COMBO_DEVICE), 2) << "the device chosen, found again by its name";
  EXPECT_TRUE(ProcessRunning(pid));
  EXPECT_EQ(app.StreamCalls().size(), 1u);
}

TEST(NoOrphanEncoder, ClosingTheWindowEscapeEnterOrKillingTheProgramWhileLiveEndsTheEncoder) {
  for (int command : {0, IDCANCEL, IDOK, -1}) {
    SCOPED_TRACE(command);
    AppUnderTest app(TwoDevices());
    app.GoLive(kGoodAddress);
    ASSERT_TRUE(app.WaitForStreamCalls(1));
    const DWORD pid = app.StreamCalls()[0].pid;
    if (command == 0) app.CloseWindow();
    // What the dialog manager sends for Escape and Enter.
    if (command > 0) PostMessageA(app.Main(), WM_COMMAND, MAKEWPARAM(command, BN_CLICKED), 0);
    // As the task manager would: no close path of the program runs.
    if (command < 0) { EXPECT_TRUE(TerminateByPid(app.ProcessId())); }
    EXPECT_TRUE(app.WaitForExit());
    EXPECT_TRUE(WaitUntil([&] { return !ProcessRunning(pid); }, 5s));
  }
}

// An encoder that has shown itself (a banner) measures what it sends, and the window shows its peak.
TEST(EncoderOutput, ABuildWithoutLibfdkAacIsAskedForAacTheLogSaysSoAndItsPeakIsShown) {
  AppUnderTest app(TwoDevices("list_banner=1\nfdk_aac=0\nstream_levels=-20.4\n"));
  app.GoLive(kGoodAddress);
  ASSERT_TRUE(app.WaitForStreamCalls(1));
  const std::vector<std::string>& args = app.StreamCalls()[0].args;
  ASSERT_EQ(args.size(), 16u);
  EXPECT_EQ(args[4], "-filter_complex");
  EXPECT_EQ(args[10], "aac");
  EXPECT_EQ(app.CountLog(kLogAacFallback), 1u);
  EXPECT_TRUE(WaitUntil([&] { return app.Text(IDC_LEVEL_TEXT) == "-20 dBFS"; })) << app.Text(IDC_LEVEL_TEXT);
}

// A build that names a TLS library goes live over rtmps:// end to end.
TEST(EncoderOutput, AnRtmpsAddressIsRefusedWithOneLineByABuildWithoutTls) {
  AppUnderTest app(TwoDevices("list_banner=1\ntls=0\n"));
  app.GoLive("rtmps://127.0.0.1:1936/live/stream");
  // Refused while the click is handled: the switch stays off and no encoder is started.
  EXPECT_EQ(app.LogMessages(), std::vector<std::string>{kMsgRtmpsWithoutTls});
  EXPECT_EQ(app.Text(IDC_BTN_LIVE), kButtonStart);
  EXPECT_TRUE(app.StreamCalls().empty());
}

TEST(EncoderOutput, ADeviceTheCodePageCannotNameIsOpenedByItsAlternativeName) {
  AppUnderTest::Options options = TwoDevices();
  options.files["listing.txt"] = DeviceListing({u8"麦克风阵列 (英特尔® 智音技术)", "Line In"});
  AppUnderTest app(options);
  const std::vector<std::string> items = app.ComboItems(IDC_COMBO_DEVICE);
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[1].rfind("麦克风阵列 (英特尔", 0), 0u) << "shown as far as code page 936 can say it";
  for (int device : {1, 0}) {
    app.SelectCombo(IDC_COMBO_DEVICE, device);
    app.GoLive(kGoodAddress);
    ASSERT_TRUE(app.WaitForStreamCalls(2 - device));
    app.Click(IDC_BTN_LIVE);
  }
  EXPECT_EQ(app.StreamCalls()[0].args.at(3), "audio=@device_cm_{x}");
  EXPECT_EQ(app.StreamCalls()[1].args.at(3), "audio=Line In") << "a name the code page holds goes as it is shown";
}

// Also the one check here that the watchdog's timer relaunches an ended encoder.
TEST(EncoderOutput, AnEndedEncodersLastWordsFollowTheRelaunchLineWithoutTheStreamKey) {
  AppUnderTest app(TwoDevices(
      "stream=exit\nstream_progress=1\nstream_error=rtmp://127.0.0.1/live/secretkey?key=abc: Connection refused\n"));
  app.GoLive("rtmp://127.0.0.1/live/secretkey?key=abc");
  ASSERT_TRUE(app.WaitForLog(kLogRelaunch, 10s));
  EXPECT_TRUE(app.WaitForStreamCalls(2));
  // Right after it, though lines of the same second are sorted by their text.
  const std::vector<std::string> said = {kLogRelaunch, std::string(kLogEncoderExitReason) +
                                                           "rtmp://127.0.0.1/live/****: Connection refused"};
  const std::vector<std::string> messages = app.LogMessages();
  EXPECT_NE(std::search(messages.begin(), messages.end(), said.begin(), said.end()), messages.end());
  for (const std::string& line : app.LogLines()) EXPECT_EQ(line.find("secretkey"), std::string::npos) << line;
}

namespace {
// The stream time, in seconds, of the latest progress line in an encoder's output; -1 without one.
int LatestProgressSeconds(const std::string& output) {
  const size_t at = output.rfind("time=");
  int hours = 0, minutes = 0, seconds = 0;
  if (at == std::string::npos || std::sscanf(output.c_str() + at, "time=%d:%d:%d", &hours, &minutes, &seconds) != 3)
    return -1;
  return (hours * 60 + minutes) * 60 + seconds;
}

long long FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}
}  // namespace

// A capture device that lags makes the encoder repeat a warning a megabyte a second: the file stays in
// its bound and is read as fast as it is written, and the encoder's progress still shows.
TEST(StatusFile, AMinuteOfAMegabyteASecondStaysInItsBoundWithTheBitrateShownAndNoRelaunch) {
  DeleteFileA(kStatusFile);
  AppUnderTest app(TwoDevices("stream_progress=1\nstream_chatter_bytes_per_s=1000000\n"));
  app.GoLive(kGoodAddress);
  ASSERT_TRUE(app.WaitForStreamCalls(1));
  long long largest = 0;
  int statusLinesWithoutBitrate = 0;
  const auto start = std::chrono::steady_clock::now();
  while (std::chrono::steady_clock::now() - start < 60s) {
    largest = std::max(largest, FileSize(kStatusFile));
    if (std::chrono::steady_clock::now() - start > 5s && app.Text(IDC_STATUS).find(" kbit/s ") == std::string::npos)
      ++statusLinesWithoutBitrate;
    Sleep(100);
  }
  EXPECT_LE(largest, 1 << 20);
  EXPECT_GT(largest, 1 << 19) << "the encoder did write as much";
  EXPECT_EQ(statusLinesWithoutBitrate, 0);
  EXPECT_NE(app.Text(IDC_STATUS).find("| 48 kbit/s |"), std::string::npos) << app.Text(IDC_STATUS);
  const std::string file = ReadFileBytes(kStatusFile);
  EXPECT_NE(file.find("] real-time buffer [Line In (USB Audio)] [audio input] too full"), std::string::npos);
  // The encoder waits whenever its output is not taken: its stream time tells how far it got.
  EXPECT_GE(LatestProgressSeconds(file), 50);
  EXPECT_EQ(app.CountLog(kLogRelaunch), 0u);
  EXPECT_EQ(app.StreamCalls().size(), 1u);
}

// Both hold the stream key. Files an earlier version left readable by everyone are made private too.
TEST(StatusFile, AndConfigDbAreTheirUsersAloneEvenWhenAnEarlierVersionMadeThemForEveryone) {
  AppUnderTest::Options options = TwoDevices("stream_output=encoder status line\n", "0\r\nrtmp://old/app/key\r\n0\r\n1\r\n");
  options.startNow = false;
  AppUnderTest app(options);
  DeleteFileA(kStatusFile);
  WriteFileBytes(kStatusFile, "an earlier version's status file\r\n");
  ASSERT_TRUE(OthersMayOpen(kStatusFile)) << "laid for everyone";
  ASSERT_TRUE(OthersMayOpen(app.PathOf("config.db"))) << "laid for everyone";
  app.Start();
  app.GoLive(kGoodAddress);
  ASSERT_TRUE(WaitUntil([&] { return ReadFileBytes(kStatusFile).find("encoder status line") != std::string::npos; }));
  EXPECT_TRUE(WaitUntil([&] { return ReadFileBytes(app.PathOf("config.db")).find(kGoodAddress) != std::string::npos; }))
      << "saved";
  EXPECT_FALSE(OthersMayOpen(kStatusFile));
  EXPECT_FALSE(OthersMayOpen(app.PathOf("config.db")));
  EXPECT_FALSE(FileExists(app.PathOf("config.db.new")));
}

// A second copy, started from another folder while the first is on air, writes a status file of its own.
TEST(StatusFile, OfASecondCopyFromAnotherFolderIsItsOwnAndItSaysSo) {
  DeleteFileA(kStatusFile);
  AppUnderTest first(TwoDevices("stream_output=the first copy's encoder\n"));
  first.GoLive(kGoodAddress);
  AppUnderTest second(TwoDevices("stream_output=the second copy's encoder\n"));
  second.GoLive(kGoodAddress);
  EXPECT_EQ(first.CountLog(FillIn(kLogStatusFileMoved, {first.PathOf("NetStatus.txt")})), 0u);
  EXPECT_EQ(second.CountLog(FillIn(kLogStatusFileMoved, {second.PathOf("NetStatus.txt")})), 1u)
      << (second.LogLines().empty() ? "" : second.LogLines()[0]);
  const std::string dayFile = second.PathOf("logs\\" + second.LogLines().at(0).substr(0, 10) + ".log");
  EXPECT_NE(ReadFileBytes(dayFile).find(second.PathOf("NetStatus.txt")), std::string::npos) << "in the day's file too";
  EXPECT_TRUE(WaitUntil([&] {
    return ReadFileBytes(second.PathOf("NetStatus.txt")).find("the second copy's encoder") != std::string::npos;
  }));
  EXPECT_NE(ReadFileBytes(kStatusFile).find("the first copy's encoder"), std::string::npos);
  EXPECT_EQ(ReadFileBytes(kStatusFile).find("the second copy's encoder"), std::string::npos);
}
