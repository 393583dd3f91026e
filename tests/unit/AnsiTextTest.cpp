#include "text/AnsiText.h"

#include <gtest/gtest.h>

#include <string>

// The build must turn the UTF-8 literals of the sources into CP936 bytes, or every other test compares
// the wrong bytes.
TEST(AnsiText, ChineseLiteralsAreCp936Bytes) {
  EXPECT_EQ(std::string("麦克风"), "\xC2\xF3\xBF\xCB\xB7\xE7");
  EXPECT_EQ(std::string("乗"), "\x81\x5C");  // second byte is '\\'
  EXPECT_EQ(std::string("乨"), "\x81\x64");  // second byte is 'd'
}

TEST(AnsiText, FindMatchesOnlyOnCharacterBoundaries) {
  const std::size_t npos = std::string::npos;
  const struct {
    std::string text;
    std::string needle;
    std::size_t from;
    std::size_t found;
  } cases[] = {
      {"[dshow @ 1]", "dshow", 0, 1}, {"乨show", "dshow", 0, npos},  // 'd' is the second byte of 乨
      {"乨show dshow", "dshow", 0, 7}, {"乗\\", "\\", 0, 2},         // the first 0x5C belongs to 乗
      {"ab", "abc", 0, npos}, {"abab", "ab", 1, 2},
      {"乨d", "d", 1, 2},  // `from` on a second byte still walks from the start
  };
  for (const auto& c : cases) EXPECT_EQ(FindAnsiText(c.text, c.needle, c.from), c.found) << c.text << " / " << c.needle;
}

TEST(AnsiText, FiguresGoIntoTheirPlacesButNeverIntoACharacter) {
  const struct {
    std::string pattern;
    std::vector<std::string> values;
    std::string text;
  } cases[] = {
      {"连续{}秒低于{} dBFS", {"10", "-50"}, "连续10秒低于-50 dBFS"},
      {"{}{}", {"a"}, "a{}"},                   // a place without a value stays
      {"\x81{}", {"x"}, "\x81{}"},              // 0x81 0x7B is one character: no place there
      {"\x81\x7B}{}", {"x"}, "\x81\x7B}x"},
  };
  for (const auto& c : cases) EXPECT_EQ(FillIn(c.pattern, c.values), c.text) << c.pattern;
}
