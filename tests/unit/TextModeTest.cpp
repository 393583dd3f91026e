#include "settings/TextMode.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(TextMode, WritingTurnsEveryLineFeedIntoCrLf) {
  const struct {
    std::string text;
    std::string bytes;
  } cases[] = {
      {"a\nb", "a\r\nb"},
      {"a\r\n", "a\r\r\n"},
      {"\n\n", "\r\n\r\n"},
      {"a\r", "a\r"},
      {"麦克风\n", "麦克风\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ToTextModeBytes(c.text), c.bytes);
  }
}

TEST(TextMode, ReadingTurnsCrLfIntoLineFeedAndStopsAtCtrlZ) {
  const struct {
    std::string bytes;
    std::string text;
  } cases[] = {
      {"a\r\nb", "a\nb"},
      {"a\r\r\n", "a\r\n"},
      {"a\rb", "a\rb"},
      {"a\r", "a\r"},
      {"a\n", "a\n"},
      {"a\x1A" "b\n", "a"},
      {"\x1A", ""},
      {std::string("a\0b", 3), std::string("a\0b", 3)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bytes);
    EXPECT_EQ(FromTextModeBytes(c.bytes), c.text);
  }
}

}  // namespace
