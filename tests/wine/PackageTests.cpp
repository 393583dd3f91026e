// The release package as a Windows user meets it: unpacked into a folder of its own, an ffmpeg.exe laid
// beside the program, started from there.
#include <gtest/gtest.h>

#include <cstdlib>

#include "AppUnderTest.h"
#include "res/Texts.h"
#include "res/resource.h"

using namespace pushtest;

namespace {
const char* UnpackedFolder() { return std::getenv("PUSHCLIENT_UNPACKED_PACKAGE"); }
}  // namespace

TEST(Package, UnpackedProgramOpensItsWindowAndListsTheEncodersDevices) {
  // Unpacked by the package.Unpack step, which names the folder here.
  const char* folder = UnpackedFolder();
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

// Notepad reads a text without a byte order mark in the ANSI code page, and joins lines that end in a bare
// line feed: the Chinese guide must carry the mark, be UTF-8 through and through, and end its lines in CRLF.
TEST(Package, TheChineseGuideReadsAsUtf8TextWithWindowsLineEndsAndTheEnglishOneIsBesideIt) {
  const char* folder = UnpackedFolder();
  ASSERT_NE(folder, nullptr);
  const std::string guide = ReadFileBytes(std::string(folder) + "\\README.txt");
  ASSERT_EQ(guide.compare(0, 3, "\xEF\xBB\xBF"), 0) << "the UTF-8 byte order mark";
  const std::string body = guide.substr(3);
  const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, body.data(), static_cast<int>(body.size()), nullptr, 0);
  ASSERT_GT(length, 0) << "valid UTF-8";
  std::wstring text(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, body.data(), static_cast<int>(body.size()), &text[0], length);
  std::string ansi(text.size() * 2, '\0');
  ansi.resize(static_cast<size_t>(WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &ansi[0],
                                                      static_cast<int>(ansi.size()), nullptr, nullptr)));
  EXPECT_NE(ansi.find(kTrayTip), std::string::npos) << "names the window as the user sees it";
  for (size_t at = guide.find('\n'); at != std::string::npos; at = guide.find('\n', at + 1))
    ASSERT_TRUE(at > 0 && guide[at - 1] == '\r') << "a bare line feed at byte " << at;
  EXPECT_TRUE(FileExists(std::string(folder) + "\\README-en.txt"));
}
