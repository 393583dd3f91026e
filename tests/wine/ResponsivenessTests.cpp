// The window while device listings run: it shows and answers at once, stays usable while a listing
// hangs, closes without leaving the listing child behind, and selects the remembered device late.
#include <gtest/gtest.h>

#include "AppUnderTest.h"
#include "devices/ListingTimeout.h"
#include "res/Texts.h"
#include "res/resource.h"

using namespace pushtest;

namespace {

// Eight devices in about 700 bytes, written 100 bytes every half second: about three seconds.
const char kSlowListing[] = "list_file=listing.txt\nlist_chunk=100\nlist_delay_ms=500\n";
const char kHungListing[] = "list_hang=1\n";

AppUnderTest::Options WhileListing(const std::string& script, const std::string& config = "") {
  AppUnderTest::Options options = TwoDevices("", config);
  options.encoderScript = script;
  options.files["listing.txt"] = DeviceListing({"D0", "D1", "D2", "D3", "D4", "D5", "D6", "D7"});
  options.waitForListing = false;
  return options;
}

// The process id of the first listing child, once it has left its record; 0 if none came.
DWORD ListingPid(const AppUnderTest& app) {
  DWORD pid = 0;
  WaitUntil([&] {
    for (const EncoderCall& call : app.EncoderCalls())
      if (call.mode == "list") pid = call.pid;
    return pid != 0;
  });
  return pid;
}

}  // namespace

TEST(Responsiveness, TheWindowAnswersWhileAListingRunsAndTheRememberedDeviceFollows) {
  AppUnderTest app(WhileListing(kSlowListing, std::string("1\r\n") + kGoodAddress + "\r\n0\r\n1\r\n"));
  const DWORD pid = ListingPid(app);
  ASSERT_NE(pid, 0u);
  EXPECT_TRUE(ProcessRunning(pid)) << "the window is up before the listing has ended";
  EXPECT_TRUE(IsWindowVisible(app.Main()));
  EXPECT_EQ(app.Text(IDC_EDIT_SERVER), kGoodAddress) << "the settings do not wait for the devices";
  EXPECT_EQ(app.DeviceCount(), 0);
  int probes = 0;
  for (; ProcessRunning(pid) && probes < 100; ++probes) {
    EXPECT_TRUE(Answers(app.Main())) << "probe " << probes;
    Sleep(100);
  }
  EXPECT_GE(probes, 5);
  ASSERT_TRUE(app.WaitForDeviceListing());
  EXPECT_EQ(app.DeviceCount(), 8);
  EXPECT_EQ(app.ComboSelection(IDC_COMBO_DEVICE), 1) << "position 1 of config.db";
}

TEST(Responsiveness, AHungListingLeavesTheWindowUsableUntilItsBound) {
  AppUnderTest app(WhileListing(kHungListing));
  const DWORD pid = ListingPid(app);
  ASSERT_NE(pid, 0u);
  const std::string typed = "rtmp://127.0.0.1/live/typed";
  app.SetText(IDC_EDIT_SERVER, typed);
  EXPECT_EQ(app.Text(IDC_EDIT_SERVER), typed);
  app.Click(IDC_CHECK_TRAY);
  EXPECT_EQ(SendMessageA(app.Item(IDC_CHECK_TRAY), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(app.FileOnceItHolds("config.db", "0\r\r\n\r\r\n1\r\r\n1\r\r\n"), "0\r\r\n\r\r\n1\r\r\n1\r\r\n");
  EXPECT_TRUE(Answers(app.Main()));
  EXPECT_FALSE(IsWindowEnabled(app.Item(IDC_BTN_REFRESH))) << "one listing at a time";
  // A listing's end message (WM_DEVICELIST_READY) that is not the running listing's ends nothing and
  // waits for nothing.
  PostMessageA(app.Main(), WM_APP, 0, 0);
  EXPECT_TRUE(Answers(app.Main()));
  EXPECT_FALSE(IsWindowEnabled(app.Item(IDC_BTN_REFRESH)));

  EXPECT_TRUE(app.WaitForLog(ListingTimedOutText(), 20s));
  EXPECT_TRUE(app.WaitForDeviceListing(2s));
  EXPECT_TRUE(WaitUntil([&] { return !ProcessRunning(pid); }, 3s)) << "the hung child was ended";
  EXPECT_EQ(app.Text(IDC_EDIT_SERVER), typed);
}

TEST(Responsiveness, GoingLiveBeforeTheFirstListingEndedUsesTheDeviceChosenSoFarAndClosingLeavesNoChild) {
  AppUnderTest app(WhileListing(kSlowListing, std::string("1\r\n") + kGoodAddress + "\r\n0\r\n1\r\n"));
  const DWORD pid = ListingPid(app);
  ASSERT_NE(pid, 0u);
  app.Click(IDC_BTN_LIVE);
  EXPECT_TRUE(ProcessRunning(pid)) << "the click came while the listing ran";
  EXPECT_EQ(app.LogMessages(), std::vector<std::string>{kMsgDeviceMissing}) << "no device is chosen yet";
  EXPECT_EQ(app.Text(IDC_BTN_LIVE), kButtonStart);
  ASSERT_TRUE(ProcessRunning(pid));
  app.CloseWindow();
  EXPECT_TRUE(app.WaitForExit(5s));
  EXPECT_TRUE(WaitUntil([&] { return !ProcessRunning(pid); }, 3s)) << "the listing child goes with the window";
}
