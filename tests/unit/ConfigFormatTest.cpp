#include "settings/ConfigFormat.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstddef>
#include <ostream>
#include <string>

#include "settings/TextMode.h"

bool operator==(const StoredSettings& a, const StoredSettings& b) {
  return a.deviceIndex == b.deviceIndex && a.server == b.server && a.minimizeToTray == b.minimizeToTray &&
         a.bitrateIndex == b.bitrateIndex;
}

std::ostream& operator<<(std::ostream& out, const StoredSettings& s) {
  return out << "{" << s.deviceIndex << ", \"" << s.server << "\", " << s.minimizeToTray << ", " << s.bitrateIndex
             << "}";
}

namespace {

const char kAddress[] = "rtmp://1000.push.quorvel.com/app/stream";

// All bytes of a literal, NUL bytes included.
template <std::size_t N>
std::string Bytes(const char (&literal)[N]) {
  return std::string(literal, N - 1);
}

// What the program puts on disk: the formatted lines through a text-mode stream.
std::string FileBytes(const StoredSettings& s) {
  return ToTextModeBytes(FormatConfig(s));
}

TEST(ConfigFormat, WrittenFileBytes) {
  const struct {
    StoredSettings settings;
    std::string bytes;
  } cases[] = {
      {{0, kAddress, 1, 1}, "0\r\r\nrtmp://1000.push.quorvel.com/app/stream\r\r\n1\r\r\n1\r\r\n"},
      {{}, "0\r\r\n\r\r\n0\r\r\n1\r\r\n"},
      {{2, "rtmp://主机/直播/流", 0, 5}, "2\r\r\nrtmp://主机/直播/流\r\r\n0\r\r\n5\r\r\n"},
      {{-1, "x", -1, -7}, "-1\r\r\nx\r\r\n-1\r\r\n-7\r\r\n"},
      {{INT_MIN, "", INT_MAX, 0}, "-2147483648\r\r\n\r\r\n2147483647\r\r\n0\r\r\n"},
      // The address is a C string to the format: it ends at a NUL.
      {{0, Bytes("ab\0cd"), 0, 1}, "0\r\r\nab\r\r\n0\r\r\n1\r\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.settings);
    EXPECT_EQ(FormatConfig(c.settings), FromTextModeBytes(c.bytes));
    EXPECT_EQ(FileBytes(c.settings), c.bytes);
  }
}

TEST(ConfigFormat, WrittenFileReadsBack) {
  const StoredSettings cases[] = {
      {},
      {0, kAddress, 1, 1},
      {3, "rtmp://h/app/stream?key=a/b&c=d", 0, 4},
      {1, "rtmp://主机/直播/乗昞", 1, 0},  // second bytes 0x5C
      {-1, "", -1, -1},
      {INT_MAX, "x", INT_MIN, 6},
      {0, "\trtmp://tab\t", 0, 1},  // tabs are not removed on reading
  };
  for (const StoredSettings& s : cases) {
    SCOPED_TRACE(s);
    StoredSettings read{7, "old", 5, 3};
    ParseConfig(FileBytes(s), read);
    EXPECT_EQ(read, s);
  }
}

TEST(ConfigFormat, ParseReadsFieldByField) {
  // Every case starts from these values, so a field that is not set shows.
  const StoredSettings before{7, "old", 5, 3};
  const struct {
    const char* what;
    std::string bytes;
    StoredSettings after;
  } cases[] = {
      // Line ends.
      {"CR CR LF", "2\r\r\nsrv\r\r\n1\r\r\n4\r\r\n", {2, "srv", 1, 4}},
      {"CR LF", "2\r\nsrv\r\n1\r\n4\r\n", {2, "srv", 1, 4}},
      {"LF", "2\nsrv\n1\n4\n", {2, "srv", 1, 4}},
      {"last line without line end", "2\nsrv\n1\n4", {2, "srv", 1, 4}},
      {"CR alone ends no line", "2\rsrv\r1\r4\r", {2, "old", 5, 3}},
      {"blanks around values", "  2 \r\n rtmp://h/a/s \r\n 1 \r\n 4 \r\n", {2, "rtmp://h/a/s", 1, 4}},
      // Missing and empty lines.
      {"empty file", "", {7, "old", 5, 3}},
      {"one empty line", "\n", {0, "old", 5, 3}},
      {"one line", "3\n", {3, "old", 5, 3}},
      {"two lines", "3\nsrv\n", {3, "srv", 5, 3}},
      {"three lines", "3\nsrv\n1\n", {3, "srv", 1, 3}},
      {"more than four lines", "3\nsrv\n1\n4\n9\n9\n", {3, "srv", 1, 4}},
      {"empty line 1 gives 0", "\r\nsrv\r\n1\r\n4\r\n", {0, "srv", 1, 4}},
      {"empty line 2 empties the address", "2\r\n\r\n1\r\n4\r\n", {2, "", 1, 4}},
      {"empty lines 3 and 4 keep their fields", "2\r\nsrv\r\n\r\n\r\n", {2, "srv", 5, 3}},
      {"blank-only lines 3 and 4 are empty", "2\r\nsrv\r\n   \r\n \r \r\n", {2, "srv", 5, 3}},
      // Values.
      {"letters in line 1 give 0", "abc\nsrv\n1\n4\n", {0, "srv", 1, 4}},
      {"letters in lines 3 and 4 give 0", "2\nsrv\nyes\nhigh\n", {2, "srv", 0, 0}},
      {"digits then letters", "12abc\nsrv\n1x\n4y\n", {12, "srv", 1, 4}},
      {"signs", "-5\nsrv\n+1\n-1\n", {-5, "srv", 1, -1}},
      {"blank between sign and digits is removed", "- 5\nsrv\n1\n4\n", {-5, "srv", 1, 4}},
      {"tab before digits is skipped as by atoi", "\t2\nsrv\n\t1\n4\n", {2, "srv", 1, 4}},
      {"overflow clamps", "99999999999\nsrv\n-99999999999\n2147483648\n", {INT_MAX, "srv", INT_MIN, INT_MAX}},
      {"full-width digits are no digits", "１\nsrv\n２\n３\n", {0, "srv", 0, 0}},
      // The address.
      {"blank inside the address is lost", "0\r\nrtmp://h/a pp/str eam\r\n", {0, "rtmp://h/app/stream", 5, 3}},
      {"tab and full-width blank stay", "0\r\n\trtmp://h/　a\t\r\n", {0, "\trtmp://h/　a\t", 5, 3}},
      {"Chinese with second byte 0x5C", "0\r\n乗 昞\\\r\n", {0, "乗昞\\", 5, 3}},
      // Bytes that no editor wrote.
      {"Ctrl+Z ends the text", "2\nsrv\x1A\n1\n4\n", {2, "srv", 5, 3}},
      {"binary line 1", Bytes("\xFF\xFE\x81\x00\n\x01\x02\n1\n4\n"), {0, "\x01\x02", 1, 4}},
      {"NUL bytes are kept in the address", Bytes("0\na\0b\n1\n1\n"), {0, Bytes("a\0b"), 1, 1}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    StoredSettings s = before;
    ParseConfig(c.bytes, s);
    EXPECT_EQ(s, c.after);
  }
}

TEST(ConfigFormat, ParseReadsVeryLongLinesWhole) {
  const std::string longAddress = "rtmp://h/app/" + std::string(100 * 1024, 'x');
  StoredSettings s;
  ParseConfig("1\r\r\n" + longAddress + "\r\r\n1\r\r\n2\r\r\n", s);
  EXPECT_EQ(s, (StoredSettings{1, longAddress, 1, 2}));

  const std::string manyDigits(100 * 1024, '9');
  ParseConfig(manyDigits + "\n" + std::string(100 * 1024, ' ') + "\n" + std::string(100 * 1024, '0') + "42\n", s);
  EXPECT_EQ(s, (StoredSettings{INT_MAX, "", 42, 2}));
}

TEST(ConfigFormat, ParseDecimalAsAtoi) {
  const struct {
    std::string text;
    int value;
  } cases[] = {
      {"", 0},
      {"0", 0},
      {"42", 42},
      {"-42", -42},
      {"+42", 42},
      {"  42", 42},
      {"\t\n\v\f\r 42", 42},
      {"42abc", 42},
      {"4 2", 4},
      {"abc", 0},
      {"-", 0},
      {"+", 0},
      {"+-1", 0},
      {"--1", 0},
      {"- 1", 0},
      {"0x10", 0},
      {"007", 7},
      {"2147483647", INT_MAX},
      {"2147483648", INT_MAX},
      {"-2147483647", -INT_MAX},
      {"-2147483648", INT_MIN},
      {"-2147483649", INT_MIN},
      {"99999999999999999999999999", INT_MAX},
      {"-99999999999999999999999999", INT_MIN},
      {"00000000000000000000000012", 12},
      {"１２", 0},
      {Bytes("1\0" "2"), 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ParseDecimal(c.text), c.value);
  }
}

}  // namespace
