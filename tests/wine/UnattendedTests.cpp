// Started with nobody at the desk: /live from Task Scheduler or the Startup folder, a second start of the
// same folder, a device that is late at boot, an encoder that cannot be started at first. The rules behind
// them (the saved name against the position, the retry schedule) are proven natively.
#include <gtest/gtest.h>

#include "AppUnderTest.h"
#include "files/FolderKey.h"
#include "res/Texts.h"
#include "res/resource.h"
#include "streaming/Watchdog.h"
#include "text/AnsiText.h"

using namespace pushtest;

namespace {

const char kConfigWithAddress[] = "0\r\nrtmp://127.0.0.1/live/stream\r\n0\r\n1\r\n";
const char kConfigWithAddressAndTray[] = "0\r\nrtmp://127.0.0.1/live/stream\r\n1\r\n1\r\n";

// Started by a scheduled task without "Start in": the files beside the program, and a window that stays in
// the tray.
TEST(Unattended, FromAnotherFolderTheFilesBesideTheProgramAreUsedAndTheTrayWindowNeverShows) {
  AppUnderTest::Options options = TwoDevices("", kConfigWithAddressAndTray);
  options.arguments = "/live";
  options.startsHidden = true;
  options.workingFolder = "C:\\windows\\temp\\pushclient-elsewhere";
  AppUnderTest app(options);
  ASSERT_TRUE(app.Main());
  ASSERT_TRUE(app.WaitForStreamCalls(1)) << "on air";
  EXPECT_EQ(app.StreamCalls()[0].args.back(), "rtmp://127.0.0.1/live/stream") << "config.db beside the program";
  EXPECT_FALSE(FileExists(options.workingFolder + "\\device.txt"));
  RemoveDirectoryA(options.workingFolder.c_str());
  EXPECT_FALSE(WaitUntil([&] { return IsWindowVisible(app.Main()) != FALSE; }, 3s, 20ms)) << "not even for a moment";
  SendMessageA(app.Main(), WM_USER + 1, 0, WM_LBUTTONDOWN);
  EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(app.Main()) != FALSE; }));
}

TEST(Unattended, ASavedDeviceMissingAtBootIsWaitedForAndUsedOnceItIsThere) {
  AppUnderTest::Options options = TwoDevices("", kConfigWithAddress);
  options.files["PushClient.ini"] = "[device]\r\nname=\"USB Mixer\"\r\n";
  options.arguments = "/live";
  AppUnderTest app(options);
  const std::string waiting = FillIn(kLogDeviceMissing, {"USB Mixer", "15"});
  ASSERT_TRUE(app.WaitForLog(waiting));
  EXPECT_TRUE(app.StreamCalls().empty()) << "not on air with another device";
  // Plugged in: it sorts between the other two, where no saved position could have found it.
  WriteFileBytes(app.PathOf("listing.txt"), DeviceListing({u8"麦克风 (Realtek Audio)", "USB Mixer", "Line In (USB Audio)"}));
  ASSERT_TRUE(app.WaitForStreamCalls(1, 25s));
  EXPECT_EQ(app.StreamCalls()[0].args[3], "audio=USB Mixer");
  EXPECT_EQ(app.CountLog(waiting), 1u);
  EXPECT_EQ(app.Text(IDC_COMBO_DEVICE), "USB Mixer");
}

TEST(Unattended, ASecondStartInTheFolderBringsTheRunningWindowBackAndTouchesNothing) {
  AppUnderTest app(TwoDevices("", kConfigWithAddressAndTray));
  app.Click(IDC_BTN_LIVE);
  ASSERT_TRUE(app.WaitForStreamCalls(1));
  SendMessageA(app.Main(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(app.Main()); }));
  const std::string config = ReadFileBytes(app.PathOf("config.db"));
  const std::string device = ReadFileBytes(app.PathOf("device.txt"));
  const size_t calls = app.EncoderCalls().size();

  EXPECT_EQ(app.RunAnotherCopy(), 0u) << "the second copy ends at once";
  EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(app.Main()) != FALSE; })) << "out of the tray";
  EXPECT_EQ(ReadFileBytes(app.PathOf("config.db")), config);
  EXPECT_EQ(ReadFileBytes(app.PathOf("device.txt")), device);
  EXPECT_EQ(app.EncoderCalls().size(), calls) << "no listing, no encoder";
  EXPECT_EQ(app.StreamCalls().size(), 1u);
}

// A copy started elevated (the guide's autostart) by an earlier version holds the folder where a copy
// started without elevation may not even look: taken all the same.
TEST(Unattended, AStartFindingTheFolderHeldWhereItMayNotLookEndsAndTouchesNothing) {
  AppUnderTest::Options options = TwoDevices("", kConfigWithAddress);
  options.startNow = false;
  AppUnderTest app(options);
  ACL denyAll = {};
  SECURITY_DESCRIPTOR descriptor = {};
  ASSERT_TRUE(InitializeAcl(&denyAll, sizeof(denyAll), ACL_REVISION));
  ASSERT_TRUE(InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION));
  ASSERT_TRUE(SetSecurityDescriptorDacl(&descriptor, TRUE, &denyAll, FALSE));
  SECURITY_ATTRIBUTES attributes = {sizeof(attributes), &descriptor, FALSE};
  const std::string name = "Local\\PushClient.Folder." + FolderKey(app.Folder());
  const HANDLE held = CreateMutexA(&attributes, FALSE, name.c_str());
  ASSERT_TRUE(held);
  ASSERT_FALSE(CreateMutexA(nullptr, FALSE, name.c_str()));
  ASSERT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED)) << "not even the test may open it";

  app.Start(false);
  EXPECT_TRUE(app.WaitForExit(15s));
  EXPECT_EQ(ReadFileBytes(app.PathOf("config.db")), kConfigWithAddress);
  for (const char* untouched : {"device.txt", "logs", "PushClient.ini"}) EXPECT_FALSE(FileExists(app.PathOf(untouched)));
  EXPECT_TRUE(app.EncoderCalls().empty());
  CloseHandle(held);
}

TEST(Unattended, AFirstLaunchThatIsRefusedIsSaidOnceAndTriedAgainOnTheSchedule) {
  AppUnderTest app(TwoDevices());
  // An antivirus holding ffmpeg.exe for a moment, as far as starting it goes.
  ASSERT_TRUE(MoveFileA(app.PathOf("ffmpeg.exe").c_str(), app.PathOf("ffmpeg.held").c_str()));
  app.GoLive(kGoodAddress);
  ASSERT_TRUE(app.WaitForLog(kLogCallFailed));
  EXPECT_TRUE(WaitUntil([&] { return app.Text(IDC_STATUS).find(kStatusRetryIn) != std::string::npos; }))
      << app.Text(IDC_STATUS);
  ASSERT_TRUE(MoveFileA(app.PathOf("ffmpeg.held").c_str(), app.PathOf("ffmpeg.exe").c_str()));
  ASSERT_TRUE(app.WaitForStreamCalls(1, 15s));
  EXPECT_TRUE(WaitUntil([&] { return app.CountLog(kLogOnAir) == 2; }, 10s)) << "back on air";
  EXPECT_EQ(app.CountLog(kLogCallFailed), 1u) << "once per attempt, not once per tick";
}

// At boot an antivirus may still hold ffmpeg.exe: nothing waits for a click, the start is tried again.
TEST(Unattended, AnEncoderMissingAtBootIsSaidOnceWithoutABoxAndTheBroadcastStartsOnceItIsThere) {
  AppUnderTest::Options options = TwoDevices("", kConfigWithAddress);
  options.arguments = "/live";
  options.startNow = false;
  options.waitForListing = false;
  AppUnderTest app(options);
  ASSERT_TRUE(MoveFileA(app.PathOf("ffmpeg.exe").c_str(), app.PathOf("ffmpeg.held").c_str()));
  app.Start();
  const std::string missing = FillIn(kLogEncoderMissingRetry, {"", ""});
  const std::string prefix = missing.substr(0, missing.find("exe") + 3);
  const auto saidMissing = [&] {
    size_t said = 0;
    for (const std::string& message : app.LogMessages()) said += message.rfind(prefix, 0) == 0;
    return said;
  };
  ASSERT_TRUE(WaitUntil([&] { return saidMissing() == 1; }));
  EXPECT_TRUE(app.OtherDialogs().empty()) << "no box waits for a click";
  ASSERT_TRUE(MoveFileA(app.PathOf("ffmpeg.held").c_str(), app.PathOf("ffmpeg.exe").c_str()));
  ASSERT_TRUE(app.WaitForStreamCalls(1, 25s));
  EXPECT_EQ(saidMissing(), 1u);
  EXPECT_EQ(app.CountLog(kLogStartupRecovered), 1u);
}

}  // namespace
