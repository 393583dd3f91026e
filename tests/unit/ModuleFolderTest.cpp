#include "files/ModuleFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

TEST(ModuleFolder, FolderFromThePathBuffer) {
  const std::string a(200, 'a'), b(40, 'b');
  const struct {
    std::string path;
    std::string folder;
  } cases[] = {
      {"C:\\Program Files\\PushClient\\PushClient.exe", "C:\\Program Files\\PushClient"},
      {"C:\\PushClient.exe", "C:"},
      {"C:\\电台\\推流.exe", "C:\\电台"},
      {"PushClient.exe", "PushClient.exe"},  // no separator: taken whole
      {"", ""},                              // a failed read
      // Longer than the buffer: the deepest folder that fits.
      {"C:\\" + a + "\\" + b + "\\" + std::string(40, 'c') + "\\PushClient.exe", "C:\\" + a + "\\" + b},
      // "乗" is 81 5C in code page 936: its second byte is no separator.
      {"C:\\Apps\\\x81\x5C" "PushClient.exe", "C:\\Apps"},
      {"C:\\\x81\x5C\\PushClient.exe", "C:\\\x81\x5C"},
  };
  for (const auto& c : cases) {
    // As GetModuleFileNameA leaves it: at most size-1 bytes and a NUL, the rest zero-filled.
    char buffer[kModulePathBufferSize] = {};
    std::memcpy(buffer, c.path.data(), std::min(c.path.size(), kModulePathBufferSize - 1));
    EXPECT_EQ(FolderFromModulePathBuffer(buffer), c.folder) << c.path;
  }
}

