// Faults at the program's edges: files it cannot write, hostile files and listings, an encoder that
// goes missing, rapid switching. Whatever happens the program keeps answering, says what happened, keeps
// the user's settings and leaves no encoder running.
#include <gtest/gtest.h>

#include "AppUnderTest.h"
#include "res/Texts.h"
#include "res/resource.h"

using namespace pushtest;

namespace {

using namespace std::string_literals;  // a literal's bytes, NULs included

const char kSavedConfig[] = "1\r\nrtmp://1000.push.quorvel.com/app/saved\r\n0\r\n4\r\n";

// The device box's list opens from the box's left edge: it must end on the screen, or its scroll bar is
// out of reach.
bool OpenedListFitsTheScreen(const AppUnderTest& app) {
  RECT box = {};
  GetWindowRect(app.Item(IDC_COMBO_DEVICE), &box);
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof(monitor);
  GetMonitorInfoA(MonitorFromWindow(app.Main(), MONITOR_DEFAULTTONEAREST), &monitor);
  return box.left + SendMessageA(app.Item(IDC_COMBO_DEVICE), CB_GETDROPPEDWIDTH, 0, 0) <= monitor.rcWork.right;
}

// Closes the window; the program must end, and no encoder it started may outlive it.
void CloseAndExpectNoEncoderLeft(const AppUnderTest& app) {
  EXPECT_TRUE(Answers(app.Main()));
  app.CloseWindow();
  EXPECT_TRUE(app.WaitForExit(20s)) << "the program ends";
  for (const EncoderCall& call : app.EncoderCalls())
    EXPECT_TRUE(WaitUntil([&] { return !ProcessRunning(call.pid); }, 3s)) << call.mode << " child " << call.pid;
}

}  // namespace

// A folder where the file or its new copy would go: the write fails even for an administrator.
TEST(FaultsMended, AConfigDbThatCannotBeWrittenKeepsTheOldOneAndTheBroadcastStarts) {
  for (const std::string folder : {"config.db", "config.db.new"}) {
    SCOPED_TRACE(folder);
    AppUnderTest::Options options = TwoDevices("", folder == "config.db" ? "" : kSavedConfig);
    options.startNow = false;
    AppUnderTest app(options);
    ASSERT_TRUE(CreateDirectoryA(app.PathOf(folder).c_str(), nullptr));
    app.Start();
    const std::string before = ReadFileBytes(app.PathOf("config.db"));
    app.GoLive(kGoodAddress);
    EXPECT_TRUE(app.WaitForStreamCalls(1)) << "the broadcast starts all the same";
    EXPECT_EQ(app.CountLog(kSettingsNotSaved), 1u);
    EXPECT_EQ(app.CountLog(kLogOnAir), 1u);
    EXPECT_EQ(ReadFileBytes(app.PathOf("config.db")), before);
    EXPECT_TRUE(RemoveDirectoryA(app.PathOf(folder).c_str())) << "still the empty folder it was";
    CloseAndExpectNoEncoderLeft(app);
  }
}

TEST(FaultsMended, AStatusFileThatCannotBeWrittenIsLoggedAndTheBroadcastGoesOn) {
  DeleteFileA(kStatusFile);
  ASSERT_TRUE(CreateDirectoryA(kStatusFile, nullptr));
  struct Restore {
    ~Restore() { RemoveDirectoryA(kStatusFile); }
  } restore;
  AppUnderTest app(TwoDevices());
  app.GoLive(kGoodAddress);
  EXPECT_TRUE(app.WaitForLog(kLogStatusFileFailing));
  ASSERT_TRUE(app.WaitForStreamCalls(1));
  EXPECT_TRUE(ProcessRunning(app.StreamCalls()[0].pid));
  EXPECT_EQ(app.Text(IDC_BTN_LIVE), kButtonStop);
  CloseAndExpectNoEncoderLeft(app);
}

TEST(Faults, HostileConfigDbHurtsNothingAndLosesNothing) {
  std::string random(1 << 20, '\0');
  unsigned state = 12345;
  for (char& c : random) c = static_cast<char>((state = state * 1103515245u + 12345u) >> 16);
  const std::string longAddress = "rtmp://1000.push.quorvel.com/app/" + std::string(100 * 1024, 's');
  const struct {
    const char* name;
    std::string bytes;
    int device;                  // selected once the list arrived; -2: any
    std::string savedAfterTick;  // config.db after the tray box was ticked; empty: anything
    const char* goingLiveSays;
  } cases[] = {
      {"1 MiB of random bytes", random, -2, "", kMsgServerPrefix},
      {"a 100 KB address", "1\r\n" + longAddress + "\r\n0\r\n2\r\n", 1, "1\r\r\n" + longAddress + "\r\r\n1\r\r\n2\r\r\n",
       kMsgTooLong},
      // An address cannot hold a NUL: it ends there, in the box and in the file.
      {"NUL bytes", "1\0\0\r\nrtmp://1000.push.quorvel.com/app/st\0ream\r\n1\r\n2\r\n"s, 1,
       "1\r\r\nrtmp://1000.push.quorvel.com/app/st\r\r\n0\r\r\n2\r\r\n", kLogOnAir},
      {"integers past 32 bits",
       "99999999999\r\nrtmp://1000.push.quorvel.com/app/stream\r\n-99999999999\r\n4294967297\r\n", 0,
       "0\r\r\nrtmp://1000.push.quorvel.com/app/stream\r\r\n1\r\r\n2147483647\r\r\n", kLogOnAir},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    AppUnderTest app(TwoDevices("", c.bytes));
    ASSERT_NE(app.Main(), nullptr);
    EXPECT_EQ(app.DeviceCount(), 2);
    EXPECT_TRUE(c.device == -2 || app.ComboSelection(IDC_COMBO_DEVICE) == c.device);
    EXPECT_EQ(ReadFileBytes(app.PathOf("config.db")), c.bytes) << "nothing is written at start";
    app.Click(IDC_CHECK_TRAY);
    EXPECT_TRUE(c.savedAfterTick.empty() || app.FileOnceItHolds("config.db", c.savedAfterTick) == c.savedAfterTick);
    // Going live with what the box shows either starts or says why not; the settings stay as they were.
    app.Click(IDC_BTN_LIVE);
    EXPECT_EQ(app.CountLog(c.goingLiveSays), 1u);
    EXPECT_TRUE(c.savedAfterTick.empty() || app.FileOnceItHolds("config.db", c.savedAfterTick) == c.savedAfterTick);
    CloseAndExpectNoEncoderLeft(app);
  }
}

TEST(Faults, HostileListingsAreReadOrReportedWithoutHarm) {
  std::vector<std::string> many;
  for (int i = 0; i < 10000; ++i) many.push_back("Input " + std::to_string(100000 + i));
  const struct {
    const char* name;
    std::string listing;
    int devices;
    const char* goingLiveSays;  // with the last device
  } cases[] = {
      {"a 1 MiB line before the devices", std::string(1 << 20, 'x') + "\r\n" + DeviceListing({"A", "B"}), 2, kLogOnAir},
      {"invalid UTF-8 and NUL bytes", DeviceListing({"Bad \xff\xfe name", "Nul\0name"s, "Good"}), 3,
       kLogOnAir},
      {"a 64 KB device name", DeviceListing({std::string(64 * 1024, 'n'), "Good"}), 2, kMsgTooLong},
      {"a device name wider than the screen", DeviceListing({"Good", std::string(300, 'W')}), 2, kLogOnAir},
      {"10 000 devices", DeviceListing(many), 10000, kLogOnAir},
      // device.txt is made a folder: it cannot be written.
      {"device.txt", DeviceListing({"A"}), 0, kMsgDeviceMissing},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    AppUnderTest::Options options = TwoDevices();
    options.files["listing.txt"] = c.listing;
    options.startNow = false;
    AppUnderTest app(options);
    ASSERT_TRUE(c.devices || CreateDirectoryA(app.PathOf("device.txt").c_str(), nullptr));
    app.Start();
    ASSERT_NE(app.Main(), nullptr);
    EXPECT_TRUE(app.WaitForDeviceListing(20s));
    EXPECT_EQ(app.DeviceCount(), c.devices);
    EXPECT_EQ(app.CountLog(kDeviceFileFailed), c.devices ? 0u : 1u);
    EXPECT_TRUE(OpenedListFitsTheScreen(app));
    app.SelectCombo(IDC_COMBO_DEVICE, c.devices - 1);
    app.GoLive(kGoodAddress);
    EXPECT_EQ(app.CountLog(c.goingLiveSays), 1u);
    CloseAndExpectNoEncoderLeft(app);
  }
}

TEST(Faults, AnEncoderDeletedWhileLiveIsLookedForAtEachRelaunchAndSwitchingOffStillWorks) {
  AppUnderTest app(TwoDevices("stream=exit_after\nstream_after_ms=300\n"));
  app.GoLive(kGoodAddress);
  ASSERT_TRUE(app.WaitForStreamCalls(1));
  // Not while an encoder runs from it.
  ASSERT_TRUE(WaitUntil([&] { return DeleteFileA(app.PathOf("ffmpeg.exe").c_str()) != FALSE; }));
  EXPECT_TRUE(WaitUntil([&] { return app.CountLog(kLogRelaunch) >= 2; }, 15s));
  EXPECT_EQ(app.Text(IDC_BTN_LIVE), kButtonStop);
  app.Click(IDC_BTN_LIVE);
  EXPECT_EQ(app.Text(IDC_BTN_LIVE), kButtonStart);
  EXPECT_EQ(app.CountLog(kLogOffAir), 1u);
  CloseAndExpectNoEncoderLeft(app);
}

TEST(Faults, AHundredQuickTogglesEndOffWithNoEncoderLeft) {
  AppUnderTest app(TwoDevices());
  app.SetText(IDC_EDIT_SERVER, kGoodAddress);
  for (int i = 0; i < 200; ++i) app.Click(IDC_BTN_LIVE);
  EXPECT_EQ(app.Text(IDC_BTN_LIVE), kButtonStart);
  EXPECT_EQ(app.CountLog(kLogOnAir), 100u);
  EXPECT_EQ(app.CountLog(kLogOffAir), 100u);
  // An encoder ended before it wrote its record cannot be looked for, nor can it still run.
  for (const EncoderCall& call : app.StreamCalls()) EXPECT_FALSE(ProcessRunning(call.pid)) << call.pid;
  CloseAndExpectNoEncoderLeft(app);
}
