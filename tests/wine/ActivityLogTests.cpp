// The activity log's day files, as the program leaves them in the folder it runs in.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>

#include "AppUnderTest.h"
#include "res/Texts.h"
#include "res/resource.h"

using namespace pushtest;

TEST(ActivityLog, ShownLinesAreInTodaysFileInUtf8OnlyOldDayFilesGoAtTheStartTheListFollowsItsEnd) {
  AppUnderTest::Options options = TwoDevices();
  options.startNow = false;
  AppUnderTest app(options);
  ASSERT_TRUE(CreateDirectoryA(app.PathOf("logs").c_str(), nullptr));
  WriteFileBytes(app.PathOf("logs\\2000-01-01.log"), "old\r\n");
  WriteFileBytes(app.PathOf("logs\\notes.txt"), "mine");
  // Today's file from an earlier run: the start is no jump of the clock.
  SYSTEMTIME today = {};
  GetLocalTime(&today);
  char todays[32];
  std::snprintf(todays, sizeof todays, "logs\\%04d-%02d-%02d.log", today.wYear, today.wMonth, today.wDay);
  const std::string earlier = "\xEF\xBB\xBF" "earlier\r\n";
  WriteFileBytes(app.PathOf(todays), earlier);
  app.Start();
  EXPECT_FALSE(FileExists(app.PathOf("logs\\2000-01-01.log")));
  EXPECT_EQ(ReadFileBytes(app.PathOf("logs\\notes.txt")), "mine");

  // An empty address is refused with a line, twice.
  app.Click(IDC_BTN_LIVE);
  app.Click(IDC_BTN_LIVE);
  const std::vector<std::string> lines = app.LogLines();
  ASSERT_EQ(app.CountLog(kMsgServerMissing), 2u);
  ASSERT_EQ(lines.size(), 2u);
  const std::string stamp = "yyyy-mm-dd hh:mm:ss ", message = u8"请重新设置服务器地址，服务器地址不存在！";
  const std::string expected = earlier + lines[0].substr(0, stamp.size()) + message + "\r\n" +
                               lines[1].substr(0, stamp.size()) + message + "\r\n";
  EXPECT_EQ(ReadFileBytes(app.PathOf(todays)), expected);

  // The list shows each new last line, until the user scrolls up.
  const HWND list = app.Item(IDC_LIST_LOG);
  const auto lastLineShown = [&] {
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    RECT client = {}, last = {};
    GetClientRect(list, &client);
    SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(count - 1), reinterpret_cast<LPARAM>(&last));
    return last.top >= 0 && last.bottom <= client.bottom;
  };
  for (int i = 0; i < 30; ++i) app.Click(IDC_BTN_LIVE);
  app.LogLines();  // the lines waiting for the list's timer are shown first
  EXPECT_GT(SendMessageW(list, LB_GETTOPINDEX, 0, 0), 0);
  EXPECT_TRUE(lastLineShown());
  SendMessageW(list, LB_SETTOPINDEX, 3, 0);
  app.Click(IDC_BTN_LIVE);
  app.LogLines();
  EXPECT_EQ(SendMessageW(list, LB_GETTOPINDEX, 0, 0), 3);
  EXPECT_FALSE(lastLineShown());

  // The list's scroll bar, a control of its own, follows the list and moves it.
  const HWND bar = FindWindowExW(list, nullptr, L"ScrollBar", nullptr);
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(GetScrollPos(bar, SB_CTL), 3);
  SendMessageW(list, WM_VSCROLL, SB_LINEDOWN, reinterpret_cast<LPARAM>(bar));
  EXPECT_EQ(SendMessageW(list, LB_GETTOPINDEX, 0, 0), 4);
  EXPECT_EQ(GetScrollPos(bar, SB_CTL), 4);
  SendMessageW(list, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
  EXPECT_LT(SendMessageW(list, LB_GETTOPINDEX, 0, 0), 4);
  EXPECT_EQ(GetScrollPos(bar, SB_CTL), SendMessageW(list, LB_GETTOPINDEX, 0, 0));
}
