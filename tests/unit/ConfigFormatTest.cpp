#include "settings/ConfigFormat.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "text/TextMode.h"

namespace {

// Built by a function rather than nested braces: GCC 12 takes a brace-built string member inside an
// array of cases for one that may be used uninitialised.
StoredSettings Settings(int device, const std::string& server, int tray, int bitrate) {
  StoredSettings s;
  s.m_nDeviceIndex = device;
  s.m_strServer = server;
  s.m_nMinimizeToTray = tray;
  s.m_nBitrateIndex = bitrate;
  return s;
}

std::string Show(const StoredSettings& s) {
  return std::to_string(s.m_nDeviceIndex) + " [" + s.m_strServer + "] " + std::to_string(s.m_nMinimizeToTray) + " " +
         std::to_string(s.m_nBitrateIndex);
}

// What the program puts on disk: the formatted lines through a text-mode stream.
std::string FileBytes(const StoredSettings& s) { return ToTextModeBytes(FormatConfig(s)); }

// Every read starts from these, so a field that is not set shows.
const StoredSettings kOld = Settings(7, "old", 5, 3);

// That what is written reads back unchanged is the config_file fuzzer's matter.
TEST(ConfigFormat, WrittenFileBytes) {
  EXPECT_EQ(FileBytes(Settings(2, "rtmp://主机/直播/流", 1, 5)), "2\r\r\nrtmp://主机/直播/流\r\r\n1\r\r\n5\r\r\n");
  // The address is a C string to the format: it ends at a NUL.
  EXPECT_EQ(FileBytes(Settings(0, std::string("ab\0cd", 5), 0, 1)), "0\r\r\nab\r\r\n0\r\r\n1\r\r\n");
}

TEST(ConfigFormat, HostileFilesAreReadFieldByField) {
  const std::string longLine(100 * 1024, 'x');
  const struct {
    const char* what;
    std::string bytes;
    StoredSettings read;
  } cases[] = {
      {"LF line ends, last line without one", "2\nsrv\n1\n4", Settings(2, "srv", 1, 4)},
      {"CR alone ends no line", "2\rsrv\r1\r4\r", Settings(2, "old", 5, 3)},
      {"empty file", "", kOld},
      {"one empty line", "\n", Settings(0, "old", 5, 3)},
      {"two lines", "3\nsrv\n", Settings(3, "srv", 5, 3)},
      {"empty line 2 empties the address", "2\r\n\r\n1\r\n4\r\n", Settings(2, "", 1, 4)},
      {"blank-only lines 3 and 4 keep their fields", "2\r\nsrv\r\n   \r\n \r \r\n", Settings(2, "srv", 5, 3)},
      {"blank between sign and digits is removed", "- 5\nsrv\n+1\n-1\n", Settings(-5, "srv", 1, -1)},
      {"numbers read as atoi reads them", "\t+7x\nsrv\n0x10\n+-1\n", Settings(7, "srv", 0, 0)},
      {"overflow clamps", "99999999999\nsrv\n-99999999999\n-2147483648\n", Settings(INT_MAX, "srv", INT_MIN, INT_MIN)},
      {"full-width digits are no digits", "１\nsrv\n２\n", Settings(0, "srv", 0, 3)},
      {"blank inside the address is lost", "0\r\nrtmp://h/a pp/str eam\r\n", Settings(0, "rtmp://h/app/stream", 5, 3)},
      {"tab and full-width blank stay", "0\r\n\trtmp://h/　a\t\r\n", Settings(0, "\trtmp://h/　a\t", 5, 3)},
      {"Ctrl+Z ends the text", "2\nsrv\x1A\n1\n4\n", Settings(2, "srv", 5, 3)},
      {"very long lines are read whole", std::string(100 * 1024, '9') + "\r\r\n" + longLine + "\r\r\n" +
           std::string(100 * 1024, '0') + "1\r\r\n2\r\r\n", Settings(INT_MAX, longLine, 1, 2)},
  };
  for (const auto& c : cases) {
    StoredSettings s = kOld;
    ParseConfig(c.bytes, s);
    EXPECT_EQ(Show(s), Show(c.read)) << c.what;
  }
}

}  // namespace
