// Device discovery against the stand-in encoder: the listing run, device.txt, the device box.
#include <gtest/gtest.h>

#include "AppUnderTest.h"
#include "res/resource.h"

using namespace pushtest;

namespace {

// What an older encoder prints (section headers), in UTF-8 with CRLF line ends.
std::string OldFormatListing(const std::vector<std::string>& audioNames) {
  std::string text =
      "ffmpeg version 4.4 Copyright (c) 2000-2021 the FFmpeg developers\r\n"
      "[dshow @ 000001d2c5f8a540] DirectShow video devices (some may be both video and audio devices)\r\n"
      "[dshow @ 000001d2c5f8a540]  \"Integrated Camera\"\r\n"
      "[dshow @ 000001d2c5f8a540]     Alternative name \"@device_pnp_\\\\?\\usb#vid_04f2&pid_b6d9\"\r\n"
      "[dshow @ 000001d2c5f8a540] DirectShow audio devices\r\n";
  int n = 0;
  for (const std::string& name : audioNames) {
    text += "[dshow @ 000001d2c5f8a540]  \"" + name + "\"\r\n";
    text += "[dshow @ 000001d2c5f8a540]     Alternative name \"@device_cm_{33D9A762-90C8-11D0-BD43-00A0C911CE86}\\wave_{" +
            std::to_string(++n) + "}\"\r\n";
  }
  text += "dummy: Immediate exit requested\r\n";
  return text;
}

AppUnderTest::Options WithListing(const std::string& listing, const std::string& extraScript = "") {
  AppUnderTest::Options options;
  options.files["listing.txt"] = listing;
  options.encoderScript = "list_file=listing.txt\n" + extraScript;
  return options;
}

// "麦克风 (Realtek Audio)" in UTF-8, as the encoder prints it, and in code page 936, as the program shows it.
const char kMicUtf8[] = u8"麦克风 (Realtek Audio)";
const char kMicAnsi[] = "麦克风 (Realtek Audio)";

}  // namespace

TEST(DeviceDiscovery, RunsTheListingCommandLineExactly) {
  AppUnderTest app(WithListing(OldFormatListing({"Line In (USB Audio)"})));
  const std::vector<EncoderCall> calls = app.EncoderCalls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].mode, "list");
  EXPECT_EQ(calls[0].raw, " -list_devices true -f dshow -i dummy ");
}

TEST(DeviceDiscovery, StoresTheListingConvertedToTheAnsiCodePageWithCrLf) {
  const std::string listing = std::string("[dshow @ 0] DirectShow audio devices\n[dshow @ 0]  \"") + kMicUtf8 +
                              "\"\r\n[dshow @ 0]     Alternative name \"@device_cm_{1}\"\nend\n";
  AppUnderTest app(WithListing(listing));
  const std::string expected = std::string("[dshow @ 0] DirectShow audio devices\r\n[dshow @ 0]  \"") + kMicAnsi +
                               "\"\r\r\n[dshow @ 0]     Alternative name \"@device_cm_{1}\"\r\nend\r\n";
  EXPECT_EQ(ReadFileBytes(app.PathOf("device.txt")), expected);
  EXPECT_EQ(app.ComboItems(IDC_COMBO_DEVICE), std::vector<std::string>{kMicAnsi});
}

TEST(DeviceDiscovery, ShowsDevicesSortedWithTheFirstSelected) {
  AppUnderTest app(WithListing(OldFormatListing({"Stereo Mix (Realtek Audio)", kMicUtf8, "Line In (USB Audio)"})));
  const std::vector<std::string> items = app.ComboItems(IDC_COMBO_DEVICE);
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[0], "Line In (USB Audio)");
  EXPECT_EQ(items[1], "Stereo Mix (Realtek Audio)");
  EXPECT_EQ(items[2], kMicAnsi);
  EXPECT_EQ(app.ComboSelection(IDC_COMBO_DEVICE), 0);
  EXPECT_TRUE(app.LogLines().empty());
}

TEST(DeviceDiscovery, ReadsTheHeaderlessListingOfCurrentEncoders) {
  const std::string listing = std::string(
      "[dshow @ 00000243c8d1b2c0] \"Integrated Camera\" (video)\r\n"
      "[dshow @ 00000243c8d1b2c0]   Alternative name \"@device_pnp_\\\\?\\usb#vid_04f2\"\r\n"
      "[dshow @ 00000243c8d1b2c0] \"") + kMicUtf8 + "\" (audio)\r\n"
      "[dshow @ 00000243c8d1b2c0]   Alternative name \"@device_cm_{33D9A762}\\wave_{A1}\"\r\n"
      "[in#0 @ 00000243c8d1b2c0] \"OBS Virtual Camera\" (audio, video)\r\n"
      "[in#0 @ 00000243c8d1b2c0]   Alternative name \"@device_sw_{860BB310}\"\r\n"
      "[dshow @ 00000243c8d1b2c0] \"Screen Capture\" (none)\r\n"
      "Error opening input file dummy.\r\n";
  AppUnderTest app(WithListing(listing));
  const std::vector<std::string> expected = {"OBS Virtual Camera", kMicAnsi};
  EXPECT_EQ(app.ComboItems(IDC_COMBO_DEVICE), expected);
  EXPECT_EQ(app.ComboSelection(IDC_COMBO_DEVICE), 0);
}

TEST(DeviceDiscovery, SelectionChangeFollowsTheUser) {
  AppUnderTest app(WithListing(OldFormatListing({"A device", "B device"})));
  app.SelectCombo(IDC_COMBO_DEVICE, 1);
  EXPECT_EQ(app.ComboSelection(IDC_COMBO_DEVICE), 1);
  // The remembered position is what a refresh selects again.
  app.Click(IDC_BTN_REFRESH);
  EXPECT_EQ(app.ComboSelection(IDC_COMBO_DEVICE), 1);
}

TEST(DeviceDiscovery, LargeListingsArriveWholeWithoutStallingTheWindow) {
  for (size_t devices : {60u, 700u}) {  // about 8 KiB and about 100 KiB of listing
    SCOPED_TRACE(devices);
    std::vector<std::string> names;
    for (size_t i = 0; i < devices; ++i) names.push_back("Input " + std::to_string(1000 + i) + " (Virtual Audio)");
    const std::string listing = OldFormatListing(names);
    AppUnderTest app(WithListing(listing, "list_chunk=3000\n"));
    ASSERT_NE(app.Main(), nullptr);
    std::string expected;
    for (char c : listing) expected += c;  // ASCII only: UTF-8 and code page 936 agree
    std::string stored = ReadFileBytes(app.PathOf("device.txt"));
    std::string withoutCr;
    for (size_t i = 0; i < stored.size(); ++i)
      if (!(stored[i] == '\r' && i + 1 < stored.size() && stored[i + 1] == '\r')) withoutCr += stored[i];
    EXPECT_EQ(withoutCr.size(), expected.size());
    EXPECT_TRUE(withoutCr == expected);
    EXPECT_EQ(app.ComboItems(IDC_COMBO_DEVICE).size(), devices);
  }
}

TEST(DeviceDiscovery, AHangingListingIsEndedAndTheListKept) {
  AppUnderTest app(WithListing(OldFormatListing({"A device"}), "list_hang=1\n"));
  ASSERT_NE(app.Main(), nullptr) << "the window comes up after the bounded wait";
  EXPECT_EQ(app.CountLog("获取音频设备列表超时（15秒），已结束ffmpeg.exe，设备列表未更新！"), 1u);
  EXPECT_EQ(app.ComboItems(IDC_COMBO_DEVICE).size(), 0u);
  EXPECT_FALSE(FileExists(app.PathOf("device.txt")));
  const std::vector<EncoderCall> calls = app.EncoderCalls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_TRUE(WaitUntil([&] { return !ProcessRunning(calls[0].pid); })) << "the hung listing child was ended";
}

TEST(DeviceDiscovery, RefreshRebuildsTheList) {
  AppUnderTest app(WithListing(OldFormatListing({"A device"})));
  ASSERT_EQ(app.ComboItems(IDC_COMBO_DEVICE).size(), 1u);
  WriteFileBytes(app.PathOf("listing.txt"), OldFormatListing({"C device", "B device"}));
  app.Click(IDC_BTN_REFRESH);
  const std::vector<std::string> expected = {"B device", "C device"};
  EXPECT_EQ(app.ComboItems(IDC_COMBO_DEVICE), expected);
  EXPECT_EQ(app.EncoderCalls().size(), 2u);
}

TEST(DeviceDiscovery, AListingWithoutEndKeepsTheBox) {
  AppUnderTest app(WithListing(OldFormatListing({"A device"})));
  std::string unended = "[dshow @ 0] DirectShow audio devices\r\n[dshow @ 0]  \"Z device\"\r\n";
  WriteFileBytes(app.PathOf("listing.txt"), unended);
  app.Click(IDC_BTN_REFRESH);
  EXPECT_EQ(app.ComboItems(IDC_COMBO_DEVICE), std::vector<std::string>{"A device"});
}

TEST(DeviceDiscovery, AQuotelessLineBeforeTheFirstNameIsLogged) {
  const std::string listing =
      "[dshow @ 0] DirectShow audio devices\r\n[dshow @ 0]  Could not enumerate audio devices\r\nend\r\n";
  AppUnderTest app(WithListing(listing));
  EXPECT_EQ(app.LogMessages(), std::vector<std::string>{"重新查找开始符号"});
}

TEST(DeviceDiscovery, UncreatableDeviceFileIsLogged) {
  AppUnderTest::Options options = WithListing(OldFormatListing({"A device"}));
  options.startNow = false;
  AppUnderTest app(options);
  CreateDirectoryA(app.PathOf("device.txt").c_str(), nullptr);
  app.Start();
  ASSERT_NE(app.Main(), nullptr);
  EXPECT_EQ(app.LogMessages(), std::vector<std::string>{"创建设备列表文件失败！"});
  EXPECT_EQ(app.ComboItems(IDC_COMBO_DEVICE).size(), 0u);
}

TEST(DeviceDiscovery, RefreshWithoutEncoderEndsInItsMessageBox) {
  AppUnderTest::Options options;
  options.withEncoder = false;
  AppUnderTest app(options);
  HWND box = app.WaitForMessageBox();
  ASSERT_NE(box, nullptr);
  AppUnderTest::PressOk(box);
  HWND main = app.FindMainWindow();
  ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(main) != FALSE; }));

  PostMessageA(GetDlgItem(main, IDC_BTN_REFRESH), BM_CLICK, 0, 0);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(box); }));
  box = app.WaitForMessageBox();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(app.OtherDialogs().size(), 1u);
  EXPECT_EQ(AppUnderTest::WindowText(box), "PushClient");
  EXPECT_EQ(AppUnderTest::DialogText(box), "Error on CreateProcess()");
}
