#include "files/ModuleFolder.h"

#include "files/FileLocations.h"
#include "files/FolderKey.h"

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

TEST(ModuleFolder, OneFolderOneKeyHoweverItIsSpelled) {
  EXPECT_EQ(FolderKey("C:\\Radio\\"), FolderKey("c:/radio"));
  EXPECT_NE(FolderKey("C:\\Radio"), FolderKey("C:\\Radio 2"));
  // Both bytes of "乗" (81 5C) stay as they are: the second is no separator to drop or fold.
  EXPECT_NE(FolderKey("C:\\\x81\x5C"), FolderKey("C:"));
  EXPECT_NE(FolderKey("C:\\\x81" "A"), FolderKey("C:\\\x81" "a"));
}

TEST(ModuleFolder, ThePerFolderSettingsFileIsAFullPathInTheCurrentFolder) {
  char buffer[kModulePathBufferSize] = "D:\\PushClient\\PushClient.exe";
  EXPECT_EQ(LocateFiles(buffer, "C:\\Radio", true).profile, "C:\\Radio\\PushClient.ini");
  EXPECT_EQ(LocateFiles(buffer, "C:\\", true).profile, "C:\\PushClient.ini");
  EXPECT_EQ(LocateFiles(buffer, "C:\\\x81\x5C", true).profile, "C:\\\x81\x5C\\PushClient.ini");
}
