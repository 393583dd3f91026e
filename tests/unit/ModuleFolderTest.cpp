#include "files/ModuleFolder.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {
std::string FolderOf(const std::string& path) {
  // As GetModuleFileNameA leaves it: at most size-1 bytes and a NUL, the rest zero-filled.
  char buffer[kModulePathBufferSize] = {};
  std::memcpy(buffer, path.data(), std::min(path.size(), kModulePathBufferSize - 1));
  return FolderFromModulePathBuffer(buffer);
}
}  // namespace

TEST(ModuleFolder, TakesTheFolderWithoutTrailingBackslash) {
  EXPECT_EQ(FolderOf("C:\\Program Files\\PushClient\\PushClient.exe"), "C:\\Program Files\\PushClient");
  EXPECT_EQ(FolderOf("C:\\PushClient.exe"), "C:");
  EXPECT_EQ(FolderOf("C:\\电台\\推流.exe"), "C:\\电台");
  // No separator at all: the buffer is taken whole.
  EXPECT_EQ(FolderOf("PushClient.exe"), "PushClient.exe");
  // A failed read leaves an empty buffer.
  EXPECT_EQ(FolderOf(""), "");
}

TEST(ModuleFolder, APathLongerThanTheBufferKeepsTheDeepestFolderThatFits) {
  const std::string deep = "C:\\" + std::string(200, 'a') + "\\" + std::string(40, 'b') + "\\" +
                           std::string(40, 'c') + "\\PushClient.exe";
  ASSERT_GT(deep.size(), kModulePathBufferSize);
  EXPECT_EQ(FolderOf(deep), "C:\\" + std::string(200, 'a') + "\\" + std::string(40, 'b'));
}

TEST(ModuleFolder, ASecondByteThatLooksLikeABackslashIsNoSeparator) {
  // "乗" is 81 5C in code page 936.
  EXPECT_EQ(FolderOf("C:\\Apps\\\x81\x5C" "PushClient.exe"), "C:\\Apps");
  EXPECT_EQ(FolderOf("C:\\\x81\x5C\\PushClient.exe"), "C:\\\x81\x5C");
}
