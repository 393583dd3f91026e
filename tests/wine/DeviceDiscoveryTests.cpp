// Device discovery against the stand-in encoder: the listing run, device.txt, the device box.
#include <gtest/gtest.h>

#include "AppUnderTest.h"
#include "res/resource.h"

using namespace pushtest;

namespace {

AppUnderTest::Options WithListing(const std::string& listing) {
  AppUnderTest::Options options = TwoDevices();
  options.files["listing.txt"] = listing;
  return options;
}

using Names = std::vector<std::string>;

// "麦克风 (Realtek Audio)" in UTF-8, as the encoder prints it, and in code page 936, as the program shows it.
const char kMicUtf8[] = u8"麦克风 (Realtek Audio)";
const char kMicAnsi[] = "麦克风 (Realtek Audio)";

}  // namespace

TEST(DeviceDiscovery, TheListingIsStoredInTheAnsiCodePageAndShownSortedWithTheFirstSelected) {
  // Mixed line ends: device.txt is written in text mode, so "\r\n" becomes "\r\r\n" and "\n" becomes "\r\n".
  const std::string listing = std::string("[dshow @ 0] DirectShow audio devices\n[dshow @ 0]  \"") + kMicUtf8 +
                              "\"\r\n[dshow @ 0]  \"Stereo Mix\"\n[dshow @ 0]  \"Line In (USB Audio)\"\nend\n";
  AppUnderTest app(WithListing(listing));
  EXPECT_EQ(ReadFileBytes(app.PathOf("device.txt")),
            std::string("[dshow @ 0] DirectShow audio devices\r\n[dshow @ 0]  \"") + kMicAnsi +
                "\"\r\r\n[dshow @ 0]  \"Stereo Mix\"\r\n[dshow @ 0]  \"Line In (USB Audio)\"\r\nend\r\n");
  EXPECT_EQ(app.ComboItems(IDC_COMBO_DEVICE), (Names{"Line In (USB Audio)", "Stereo Mix", kMicAnsi}));
  EXPECT_EQ(app.ComboSelection(IDC_COMBO_DEVICE), 0);
  EXPECT_TRUE(app.LogLines().empty());
}

// The box is refilled only from a whole listing; what the parser reports reaches the log.
TEST(DeviceDiscovery, RefreshRunsTheListingAgainAndRefillsTheBoxFromAWholeListingOnly) {
  AppUnderTest app(WithListing(DeviceListing({"A device"})));
  ASSERT_EQ(app.ComboItems(IDC_COMBO_DEVICE), Names{"A device"});

  WriteFileBytes(app.PathOf("listing.txt"), "[dshow @ 0] DirectShow audio devices\r\n[dshow @ 0]  \"Z device\"\r\n");
  app.Click(IDC_BTN_REFRESH);
  EXPECT_EQ(app.ComboItems(IDC_COMBO_DEVICE), Names{"A device"}) << "a listing without its end keeps the box";

  WriteFileBytes(app.PathOf("listing.txt"),
                 "[dshow @ 0] DirectShow audio devices\r\n[dshow @ 0]  Could not enumerate audio devices\r\nend\r\n");
  app.Click(IDC_BTN_REFRESH);
  EXPECT_EQ(app.LogMessages(), Names{"重新查找开始符号"});

  WriteFileBytes(app.PathOf("listing.txt"), DeviceListing({"C device", "B device"}));
  app.Click(IDC_BTN_REFRESH);
  EXPECT_EQ(app.ComboItems(IDC_COMBO_DEVICE), (Names{"B device", "C device"}));

  const std::vector<EncoderCall> calls = app.EncoderCalls();
  ASSERT_EQ(calls.size(), 4u);
  for (const EncoderCall& call : calls) EXPECT_EQ(call.raw, " -list_devices true -f dshow -i dummy ");
}
