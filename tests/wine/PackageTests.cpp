// The release package as a Windows user meets it: unpacked into a folder of its own, an ffmpeg.exe laid
// beside the program, started from there.
#include <gtest/gtest.h>

#include <cstdlib>

#include "AppUnderTest.h"
#include "res/resource.h"

using namespace pushtest;

TEST(Package, UnpackedProgramOpensItsWindowAndListsTheEncodersDevices) {
  // Unpacked by the package.Unpack step, which names the folder here.
  const char* folder = std::getenv("PUSHCLIENT_UNPACKED_PACKAGE");
  ASSERT_NE(folder, nullptr);
  AppUnderTest::Options options;
  options.folder = folder;
  AppUnderTest app(options);

  ASSERT_NE(app.Main(), nullptr);
  EXPECT_TRUE(IsWindowVisible(app.Main()));
  EXPECT_EQ(app.ComboItems(IDC_COMBO_DEVICE), (std::vector<std::string>{"Line In (USB Audio)", "麦克风 (Realtek Audio)"}));
  EXPECT_TRUE(FileExists(app.PathOf("device.txt"))) << "the listing is kept in the folder the program runs in";
  EXPECT_TRUE(app.OtherDialogs().empty()) << "no message box";
}
