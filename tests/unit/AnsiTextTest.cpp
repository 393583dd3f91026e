#include <gtest/gtest.h>

#include <string>

namespace {

// The build must turn the UTF-8 literals of the sources into CP936 bytes, or every other test compares
// the wrong bytes. Searching such text is the ansi_text fuzzer's matter.
TEST(AnsiText, ChineseLiteralsAreCp936Bytes) {
  EXPECT_EQ(std::string("麦克风"), "\xC2\xF3\xBF\xCB\xB7\xE7");
  EXPECT_EQ(std::string("乗"), "\x81\x5C");  // second byte is '\\'
  EXPECT_EQ(std::string("乨"), "\x81\x64");  // second byte is 'd'
}

}  // namespace
