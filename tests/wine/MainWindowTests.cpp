// The main window as a person meets it: its caption, controls and texts, the bitrate list, the
// missing-encoder message.
#include <gtest/gtest.h>

#include "AppUnderTest.h"
#include "res/resource.h"

using namespace pushtest;

namespace {

struct ControlExpectation {
  int id;
  const char* className;
  const char* text;
  DWORD styleBits;     // must all be set
  DWORD absentBits;    // must all be clear
};

LONG Style(HWND window) { return GetWindowLongA(window, GWL_STYLE); }

}  // namespace

TEST(MainWindow, ShowsCaptionControlsAndTexts) {
  AppUnderTest app;
  ASSERT_NE(app.Main(), nullptr);
  EXPECT_EQ(AppUnderTest::WindowText(app.Main()), "Quorvel电台推流客户端");

  const DWORD style = static_cast<DWORD>(Style(app.Main()));
  EXPECT_TRUE(style & WS_CAPTION);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  EXPECT_FALSE(style & WS_THICKFRAME) << "the frame is fixed-size";
  EXPECT_TRUE(GetWindowLongA(app.Main(), GWL_EXSTYLE) & WS_EX_APPWINDOW) << "shown in the task bar";

  const ControlExpectation controls[] = {
      {IDOK, "Button", "确定", BS_DEFPUSHBUTTON | WS_DISABLED, WS_VISIBLE},
      {IDCANCEL, "Button", "取消", WS_DISABLED, WS_VISIBLE},
      {IDC_LIST_LOG, "ListBox", "", LBS_SORT | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT, WS_HSCROLL},
      {IDC_COMBO_DEVICE, "ComboBox", "", CBS_DROPDOWNLIST | CBS_SORT, 0},
      {IDC_BTN_REFRESH, "Button", "刷新音频设备", WS_VISIBLE, WS_DISABLED},
      {IDC_EDIT_SERVER, "Edit", "", ES_AUTOHSCROLL, 0},
      {IDC_BTN_LIVE, "Button", "开始直播", WS_VISIBLE, WS_DISABLED},
      {IDC_BTN_CLEARLOG, "Button", "清理日志", WS_VISIBLE, WS_DISABLED},
      {IDC_CHECK_TRAY, "Button", "最小化到托盘", BS_AUTOCHECKBOX, WS_DISABLED},
      {IDC_COMBO_BITRATE, "ComboBox", "", CBS_DROPDOWNLIST | CBS_SORT, 0},
  };
  for (const ControlExpectation& c : controls) {
    SCOPED_TRACE(c.id);
    HWND control = app.Item(c.id);
    ASSERT_NE(control, nullptr);
    char className[64] = {};
    GetClassNameA(control, className, sizeof(className));
    EXPECT_STRCASEEQ(className, c.className);
    if (c.id != IDC_COMBO_DEVICE && c.id != IDC_COMBO_BITRATE) {
      EXPECT_EQ(AppUnderTest::WindowText(control), c.text);
    }
    const DWORD controlStyle = static_cast<DWORD>(Style(control));
    EXPECT_EQ(controlStyle & c.styleBits, c.styleBits);
    EXPECT_EQ(controlStyle & c.absentBits, 0u);
  }
  // The dialog manager turns the border of an edit or list box into the sunken client edge.
  for (int id : {IDC_EDIT_SERVER, IDC_LIST_LOG})
    EXPECT_TRUE((Style(app.Item(id)) & WS_BORDER) || (GetWindowLongA(app.Item(id), GWL_EXSTYLE) & WS_EX_CLIENTEDGE));

  // The labels, in tab order between the controls.
  std::vector<std::string> labels;
  for (HWND child = GetWindow(app.Main(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    char className[64] = {};
    GetClassNameA(child, className, sizeof(className));
    if (std::string(className) == "Static") labels.push_back(AppUnderTest::WindowText(child));
  }
  const std::vector<std::string> expectedLabels = {"音频设备列表：", "Quorvel服务地址：", "信息输出：", "未直播",
                                                   "例子：rtmp://1000.push.quorvel.com/app/stream", "码率："};
  EXPECT_EQ(labels, expectedLabels);
}

TEST(MainWindow, TabOrderFollowsTheTemplateAndFocusStartsInTheLog) {
  AppUnderTest app;
  std::vector<int> ids;
  for (HWND child = GetWindow(app.Main(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    const int id = GetDlgCtrlID(child);
    if (id > 0 && id != 0xFFFF) ids.push_back(id);
  }
  const std::vector<int> expected = {IDOK, IDCANCEL, IDC_LIST_LOG, IDC_COMBO_DEVICE, IDC_BTN_REFRESH,
                                     IDC_EDIT_SERVER, IDC_BTN_LIVE, IDC_STATUS, IDC_BTN_CLEARLOG, IDC_CHECK_TRAY,
                                     IDC_COMBO_BITRATE};
  EXPECT_EQ(ids, expected);

  GUITHREADINFO gui = {};
  gui.cbSize = sizeof(gui);
  ASSERT_TRUE(GetGUIThreadInfo(GetWindowThreadProcessId(app.Main(), nullptr), &gui));
  EXPECT_EQ(gui.hwndFocus, app.Item(IDC_LIST_LOG));
}

TEST(MainWindow, BitrateListKeepsItsOrderAndSelects48OnFirstStart) {
  AppUnderTest app;
  const std::vector<std::string> expected = {"32", "48", "64", "96", "128", "192"};
  EXPECT_EQ(app.ComboItems(IDC_COMBO_BITRATE), expected);
  EXPECT_EQ(app.ComboSelection(IDC_COMBO_BITRATE), 1);
  EXPECT_EQ(SendMessageA(app.Item(IDC_CHECK_TRAY), BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(app.Text(IDC_EDIT_SERVER), "");
}

TEST(MainWindow, ClearButtonEmptiesTheLog) {
  AppUnderTest app;
  // Lines reach the log only through the program's own operations; a hand-added one stands in here.
  SendMessageA(app.Item(IDC_LIST_LOG), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("2026-01-01 00:00:00 x"));
  ASSERT_EQ(app.LogLines().size(), 1u);
  app.Click(IDC_BTN_CLEARLOG);
  EXPECT_TRUE(app.LogLines().empty());
}

TEST(MainWindow, CloseCommandEndsTheProgram) {
  AppUnderTest app;
  app.CloseWindow();
  EXPECT_TRUE(app.WaitForExit());
}

TEST(MissingEncoder, OneMessageBoxThenAUsableWindow) {
  AppUnderTest::Options options;
  options.withEncoder = false;
  AppUnderTest app(options);

  HWND box = app.WaitForMessageBox();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(app.OtherDialogs().size(), 1u);
  EXPECT_EQ(AppUnderTest::WindowText(box), "PushClient");
  EXPECT_EQ(AppUnderTest::DialogText(box), "请把ffmpeg.exe 文件放到执行文件目录！！！");
  // Only an OK button.
  EXPECT_EQ(GetDlgItem(box, IDCANCEL), nullptr);
  EXPECT_EQ(GetDlgItem(box, IDNO), nullptr);

  AppUnderTest::PressOk(box);
  HWND main = app.FindMainWindow();
  ASSERT_NE(main, nullptr);
  ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(main) != FALSE; }));
  EXPECT_TRUE(app.OtherDialogs().empty()) << "exactly one message box";

  // The window is up without settings or devices; the bitrate list is filled but nothing is selected.
  HWND bitrate = GetDlgItem(main, IDC_COMBO_BITRATE);
  EXPECT_EQ(SendMessageA(bitrate, CB_GETCOUNT, 0, 0), 6);
  EXPECT_EQ(SendMessageA(bitrate, CB_GETCURSEL, 0, 0), CB_ERR);
  EXPECT_EQ(SendMessageA(GetDlgItem(main, IDC_COMBO_DEVICE), CB_GETCOUNT, 0, 0), 0);
  EXPECT_EQ(SendMessageA(GetDlgItem(main, IDC_CHECK_TRAY), BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_FALSE(FileExists(app.PathOf("config.db")));
}

TEST(MissingEncoder, MessageBoxCaptionFollowsTheExecutableName) {
  AppUnderTest::Options options;
  options.withEncoder = false;
  options.exeName = "RadioPush.exe";
  AppUnderTest app(options);
  HWND box = app.WaitForMessageBox();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(AppUnderTest::WindowText(box), "RadioPush");
}

// What a person sees: no label, button or check box text is cut off or wrapped out of sight.
TEST(MainWindow, EveryTextFitsItsControl) {
  AppUnderTest app;
  HDC dc = GetDC(nullptr);
  // The dialog's own font: "MS Shell Dlg", 9 points, mapped as it is for the program.
  HFONT font = CreateFontA(-MulDiv(9, GetDeviceCaps(dc, LOGPIXELSY), 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                           DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH,
                           "MS Shell Dlg");
  HGDIOBJ old = SelectObject(dc, font);
  for (HWND child = GetWindow(app.Main(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (!IsWindowVisible(child)) continue;
    char className[64] = {};
    GetClassNameA(child, className, sizeof(className));
    const std::string kind = className;
    if (kind != "Static" && kind != "Button") continue;
    std::string text = AppUnderTest::WindowText(child);
    SCOPED_TRACE(text);
    SIZE extent = {};
    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    RECT client = {};
    GetClientRect(child, &client);
    const LONG style = GetWindowLongA(child, GWL_STYLE);
    LONG needed = extent.cx;
    if (kind == "Button" && (style & BS_TYPEMASK) == BS_AUTOCHECKBOX) needed += 16;  // the box and its gap
    else if (kind == "Button") needed += 6;                                           // the button's edges
    EXPECT_LE(needed, client.right) << "text of " << extent.cx << " px in a control of " << client.right << " px";
    EXPECT_LE(extent.cy, client.bottom);
  }
  SelectObject(dc, old);
  DeleteObject(font);
  ReleaseDC(nullptr, dc);
}
