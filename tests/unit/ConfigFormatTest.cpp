#include "settings/ConfigFormat.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstddef>
#include <ostream>
#include <string>
#include <vector>

#include "text/TextMode.h"

bool operator==(const StoredSettings& a, const StoredSettings& b) {
  return a.deviceIndex == b.deviceIndex && a.server == b.server && a.minimizeToTray == b.minimizeToTray &&
         a.bitrateIndex == b.bitrateIndex;
}

std::ostream& operator<<(std::ostream& out, const StoredSettings& s) {
  return out << "{" << s.deviceIndex << ", \"" << s.server << "\", " << s.minimizeToTray << ", " << s.bitrateIndex
             << "}";
}

namespace {

// Built by a function rather than nested braces: GCC 12 takes a brace-built string member inside an
// array of cases for one that may be used uninitialised.
StoredSettings Settings(int device, const std::string& server, int tray, int bitrate) {
  StoredSettings s;
  s.deviceIndex = device;
  s.server = server;
  s.minimizeToTray = tray;
  s.bitrateIndex = bitrate;
  return s;
}

// What the program puts on disk: the formatted lines through a text-mode stream.
std::string FileBytes(const StoredSettings& s) {
  return ToTextModeBytes(FormatConfig(s));
}

TEST(ConfigFormat, WrittenFileBytes) {
  EXPECT_EQ(FileBytes(Settings(2, "rtmp://主机/直播/流", 1, 5)), "2\r\r\nrtmp://主机/直播/流\r\r\n1\r\r\n5\r\r\n");
  EXPECT_EQ(FileBytes(StoredSettings()), "0\r\r\n\r\r\n0\r\r\n1\r\r\n");
  // The address is a C string to the format: it ends at a NUL.
  EXPECT_EQ(FileBytes(Settings(0, std::string("ab\0cd", 5), 0, 1)), "0\r\r\nab\r\r\n0\r\r\n1\r\r\n");
}

TEST(ConfigFormat, WrittenFileReadsBack) {
  const std::vector<StoredSettings> cases = {
      Settings(3, "rtmp://h/app/stream?key=a/b&c=d", 0, 4),
      Settings(1, "rtmp://主机/直播/乗昞", 1, 0),  // second bytes 0x5C
      Settings(INT_MAX, "\trtmp://tab\t", INT_MIN, -1),  // tabs are not removed on reading
  };
  for (const StoredSettings& s : cases) {
    SCOPED_TRACE(s);
    StoredSettings read = Settings(7, "old", 5, 3);
    ParseConfig(FileBytes(s), read);
    EXPECT_EQ(read, s);
  }
}

TEST(ConfigFormat, ParseReadsFieldByField) {
  const struct {
    const char* what;
    std::string bytes;
    int device;
    std::string server;
    int tray;
    int bitrate;
  } cases[] = {
      // Every case starts from {7, "old", 5, 3}, so a field that is not set shows.
      {"LF line ends, last line without one", "2\nsrv\n1\n4", 2, "srv", 1, 4},
      {"CR alone ends no line", "2\rsrv\r1\r4\r", 2, "old", 5, 3},
      {"empty file", "", 7, "old", 5, 3},
      {"one empty line", "\n", 0, "old", 5, 3},
      {"two lines", "3\nsrv\n", 3, "srv", 5, 3},
      {"empty line 2 empties the address", "2\r\n\r\n1\r\n4\r\n", 2, "", 1, 4},
      {"blank-only lines 3 and 4 keep their fields", "2\r\nsrv\r\n   \r\n \r \r\n", 2, "srv", 5, 3},
      {"letters give 0", "abc\nsrv\nyes\nhigh\n", 0, "srv", 0, 0},
      {"blank between sign and digits is removed", "- 5\nsrv\n+1\n-1\n", -5, "srv", 1, -1},
      {"numbers read as atoi reads them", "\t+7x\nsrv\n0x10\n+-1\n", 7, "srv", 0, 0},
      {"overflow clamps", "99999999999\nsrv\n-99999999999\n-2147483648\n", INT_MAX, "srv", INT_MIN, INT_MIN},
      {"full-width digits are no digits", "１\nsrv\n２\n", 0, "srv", 0, 3},
      {"blank inside the address is lost", "0\r\nrtmp://h/a pp/str eam\r\n", 0, "rtmp://h/app/stream", 5, 3},
      {"tab and full-width blank stay", "0\r\n\trtmp://h/　a\t\r\n", 0, "\trtmp://h/　a\t", 5, 3},
      {"Ctrl+Z ends the text", "2\nsrv\x1A\n1\n4\n", 2, "srv", 5, 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    StoredSettings s = Settings(7, "old", 5, 3);
    ParseConfig(c.bytes, s);
    EXPECT_EQ(s, Settings(c.device, c.server, c.tray, c.bitrate));
  }
}

TEST(ConfigFormat, ParseReadsVeryLongLinesWhole) {
  const std::string longAddress = "rtmp://h/app/" + std::string(100 * 1024, 'x');
  StoredSettings s;
  ParseConfig(std::string(100 * 1024, '9') + "\r\r\n" + longAddress + "\r\r\n" + std::string(100 * 1024, '0') +
                  "1\r\r\n2\r\r\n",
              s);
  EXPECT_EQ(s, Settings(INT_MAX, longAddress, 1, 2));
}

}  // namespace
