#include "files/FileLocations.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(FileLocations, ASecondCopyWritesTheStatusFileBesideItself) {
  char module[kModulePathBufferSize] = {};
  const char path[] = "D:\\\xB5\xE7\xCC\xA8\\PushClient.exe";  // D:\电台\PushClient.exe
  std::memcpy(module, path, sizeof path);
  for (const bool hasDriveC : {true, false}) {
    const FileLocations files = LocateFiles(module, "C:\\Radio", hasDriveC);
    EXPECT_EQ(ChooseStatusFile(files, false), files.statusFile);
    EXPECT_EQ(ChooseStatusFile(files, true), "D:\\\xB5\xE7\xCC\xA8\\NetStatus.txt");
  }
}

TEST(FileLocations, TheClaimOfAStatusFileIsNamedByItsPathWhateverItsCase) {
  const std::string name = StatusFileClaimName("C:\\NetStatus.txt");
  EXPECT_EQ(name.rfind("Local\\PushClient.StatusFile.", 0), 0u);
  EXPECT_EQ(name.find('\\', 6), std::string::npos) << "no other backslash: " << name;
  EXPECT_LE(name.size(), 260u);
  EXPECT_EQ(StatusFileClaimName("c:\\netstatus.TXT"), name);
  EXPECT_NE(StatusFileClaimName("D:\\NetStatus.txt"), name);
  // A second byte is its character's own, even where it has a capital letter's value: 81 41 and 81 61
  // are two characters, not one in two cases.
  EXPECT_NE(StatusFileClaimName("C:\\\x81\x41\\NetStatus.txt"), StatusFileClaimName("C:\\\x81\x61\\NetStatus.txt"));
  const std::string longPath = "C:\\" + std::string(1000, 'x') + "\\NetStatus.txt";
  EXPECT_EQ(StatusFileClaimName(longPath).size(), name.size());
}

TEST(FileLocations, ThePerFolderSettingsFileIsAFullPathInTheCurrentFolder) {
  char module[kModulePathBufferSize] = "D:\\PushClient\\PushClient.exe";
  EXPECT_EQ(LocateFiles(module, "C:\\Radio", true).profile, "C:\\Radio\\PushClient.ini");
  EXPECT_EQ(LocateFiles(module, "C:\\", true).profile, "C:\\PushClient.ini");
  // The last byte of 乗 (81 5C) is no separator.
  EXPECT_EQ(LocateFiles(module, "C:\\\x81\x5C", true).profile, "C:\\\x81\x5C\\PushClient.ini");
  // One folder, one claim, however it is spelled.
  EXPECT_EQ(StatusFileClaimName("C:\\Radio\\"), StatusFileClaimName("c:/radio"));
}
