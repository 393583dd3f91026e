// What the executable carries: manifest, icon images, version.
#include <gtest/gtest.h>

#include <windows.h>

#include "AppUnderTest.h"
#include "res/resource.h"

using namespace pushtest;

namespace {

class ExeResources : public ::testing::Test {
 protected:
  void SetUp() override {
    m_module = LoadLibraryExA((BuildFolder() + "\\PushClient.exe").c_str(), nullptr,
                              LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(m_module, nullptr);
  }
  void TearDown() override {
    if (m_module) FreeLibrary(m_module);
  }
  std::string Bytes(LPCSTR type, LPCSTR name) const {
    HRSRC resource = FindResourceA(m_module, name, type);
    if (!resource) return std::string();
    const void* data = LockResource(LoadResource(m_module, resource));
    return std::string(static_cast<const char*>(data), SizeofResource(m_module, resource));
  }
  HMODULE m_module = nullptr;
};

#pragma pack(push, 2)
struct IconDirEntry {
  BYTE width, height, colors, reserved;
  WORD planes, bitCount;
  DWORD bytes;
  WORD id;
};
#pragma pack(pop)

}  // namespace

TEST_F(ExeResources, ManifestAsksForAdministratorRightsCommonControlsAndDpiAwareness) {
  const std::string manifest = Bytes(MAKEINTRESOURCEA(24), MAKEINTRESOURCEA(1));
  ASSERT_FALSE(manifest.empty());
  EXPECT_NE(manifest.find("level=\"requireAdministrator\" uiAccess=\"false\""), std::string::npos);
  EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls"), std::string::npos);
  EXPECT_NE(manifest.find("PerMonitorV2"), std::string::npos);
}

TEST_F(ExeResources, IconHoldsFourSizesAt32BitsPerPixel) {
  const std::string group = Bytes(MAKEINTRESOURCEA(14), MAKEINTRESOURCEA(IDR_MAINFRAME));
  ASSERT_GE(group.size(), 6u);
  const WORD count = *reinterpret_cast<const WORD*>(group.data() + 4);
  ASSERT_EQ(count, 4);
  std::vector<int> sizes;
  for (WORD i = 0; i < count; ++i) {
    const auto* entry = reinterpret_cast<const IconDirEntry*>(group.data() + 6 + i * sizeof(IconDirEntry));
    sizes.push_back(entry->width);
    EXPECT_EQ(entry->bitCount, 32);
  }
  EXPECT_EQ(sizes, (std::vector<int>{16, 32, 48, 64}));
}

TEST_F(ExeResources, VersionIs1_0_0_3) {
  const std::string version = Bytes(MAKEINTRESOURCEA(16), MAKEINTRESOURCEA(1));
  ASSERT_FALSE(version.empty());
  const auto* fixed = reinterpret_cast<const VS_FIXEDFILEINFO*>(
      version.data() + version.find(std::string("\xBD\x04\xEF\xFE", 4)));
  EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(0, 1));
  EXPECT_EQ(fixed->dwFileVersionLS, MAKELONG(3, 0));
}

TEST_F(ExeResources, AboutEntryText) {
  char text[256] = {};
  ASSERT_GT(LoadStringA(m_module, IDS_ABOUTBOX, text, sizeof(text)), 0);
  EXPECT_STREQ(text, "关于 Kestrune(&A)...");
}
