#include "encoder/AnsiText.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The build must turn the UTF-8 literals of the sources into CP936 bytes, or every other test compares
// the wrong bytes.
TEST(AnsiText, ChineseLiteralsAreCp936Bytes) {
  EXPECT_EQ(std::string("麦克风"), "\xC2\xF3\xBF\xCB\xB7\xE7");
  EXPECT_EQ(std::string("乗"), "\x81\x5C");  // second byte is '\\'
  EXPECT_EQ(std::string("昞"), "\x95\x5C");
  EXPECT_EQ(std::string("乨"), "\x81\x64");  // second byte is 'd'
  EXPECT_EQ(std::string("亅"), "\x81\x7C");  // second byte is '|'
  EXPECT_EQ(std::string("　"), "\xA1\xA1");  // full-width blank
}

TEST(AnsiText, LeadAndTrailByteRanges) {
  struct Case {
    unsigned char byte;
    bool lead;
    bool trail;
  };
  const Case cases[] = {
      {0x00, false, false}, {0x20, false, false}, {0x22, false, false}, {0x3F, false, false},
      {0x40, false, true},  {0x5C, false, true},  {0x7E, false, true},  {0x7F, false, false},
      {0x80, false, true},  {0x81, true, true},   {0xA1, true, true},   {0xFE, true, true},
      {0xFF, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.byte));
    EXPECT_EQ(IsAnsiLeadByte(c.byte), c.lead);
    EXPECT_EQ(IsAnsiTrailByte(c.byte), c.trail);
  }
}

TEST(AnsiText, CharLength) {
  struct Case {
    std::string text;
    std::size_t pos;
    std::size_t length;
  };
  const Case cases[] = {
      {"a", 0, 1},
      {"\\", 0, 1},
      {"乗", 0, 2},
      {"a乗", 1, 2},
      {"\x81", 0, 1},    // a lead byte at the end stands alone
      {"\x81\"", 0, 2},  // a lead byte takes whatever follows, as the C runtime does
      {"\x80" "a", 0, 1},
      {"\xFF" "a", 0, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(AnsiCharLength(c.text, c.pos), c.length);
  }
}

TEST(AnsiText, FindMatchesOnlyOnCharacterBoundaries) {
  const std::size_t npos = std::string::npos;
  struct Case {
    std::string text;
    std::string needle;
    std::size_t from;
    std::size_t found;
  };
  const Case cases[] = {
      {"[dshow @ 1]", "dshow", 0, 1},
      {"乨show", "dshow", 0, npos},            // 'd' is the second byte of 乨
      {"乨show dshow", "dshow", 0, 7},
      {"乗\\", "\\", 0, 2},                     // the first 0x5C belongs to 乗
      {"乗乗", "\\", 0, npos},
      {"亅|", "|", 0, 2},
      {"ab", "abc", 0, npos},
      {"", "a", 0, npos},
      {"abab", "ab", 1, 2},
      {"乨d", "d", 1, 2},                        // `from` on a second byte still walks from the start
      {"a.push.quorvel.com/", ".push.quorvel.com/", 0, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text + " / " + c.needle);
    EXPECT_EQ(FindAnsiText(c.text, c.needle, c.from), c.found);
    if (c.from == 0) {
      EXPECT_EQ(ContainsAnsiText(c.text, c.needle), c.found != npos);
    }
  }
}

}  // namespace
