// The main window as a person meets it: first-start state, texts that fit, the About box, the recording's
// settings window, the missing-encoder messages and the tray icon.
#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include "AppUnderTest.h"
#include "res/Texts.h"
#include "res/resource.h"
#include "text/AnsiText.h"

using namespace pushtest;

namespace {

const char kSavedConfig[] = "1\r\nrtmp://1000.push.quorvel.com/app/stream\r\n1\r\n4\r\n";

// Icons in Wine's own tray window, which stands in for the task bar's notification area on a bare X display.
int TrayIconCount() {
  HWND tray = FindWindowA("__winex11_standalone_tray", nullptr);
  int count = 0;
  for (HWND icon = tray ? GetWindow(tray, GW_CHILD) : nullptr; icon; icon = GetWindow(icon, GW_HWNDNEXT)) {
    char className[64] = {};
    GetClassNameA(icon, className, sizeof(className));
    count += std::string(className) == "__winex11_tray_icon" && IsWindowVisible(icon);
  }
  return count;
}

}  // namespace

TEST(MainWindow, FirstStartShowsTheDefaultsTheAboutBoxIsModalAndCloseEndsWithoutSaving) {
  AppUnderTest app;
  EXPECT_EQ(app.ComboItems(IDC_COMBO_BITRATE).at(app.ComboSelection(IDC_COMBO_BITRATE)), "48");

  // Lines reach the log only through the program's own operations; a hand-added one stands in here.
  SendMessageA(app.Item(IDC_LIST_LOG), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("2026-01-01 00:00:00 x"));
  app.Click(IDC_BTN_CLEARLOG);
  EXPECT_TRUE(app.LogLines().empty());

  PostMessageA(app.Main(), WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
  HWND about = app.WaitForMessageBox();
  ASSERT_NE(about, nullptr);
  EXPECT_EQ(GetWindow(about, GW_OWNER), app.Main());
  EXPECT_FALSE(IsWindowEnabled(app.Main()));
  AppUnderTest::PressOk(about);
  EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(app.Main()) != FALSE; }));

  app.CloseWindow();
  EXPECT_TRUE(app.WaitForExit());
  EXPECT_FALSE(FileExists(app.PathOf("config.db"))) << "closing does not write the settings";
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
    char className[64] = {};
    GetClassNameA(child, className, sizeof(className));
    const std::string kind = className;
    if (!IsWindowVisible(child) || (kind != "Static" && kind != "Button")) continue;
    const std::string text = AppUnderTest::WindowText(child);
    SIZE extent = {};
    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    RECT client = {};
    GetClientRect(child, &client);
    // A check box's box and gap, a button's edges.
    const bool checkBox = (GetWindowLongA(child, GWL_STYLE) & BS_TYPEMASK) == BS_AUTOCHECKBOX;
    const LONG needed = extent.cx + (kind != "Button" ? 0 : checkBox ? 16 : 6);
    EXPECT_LE(needed, client.right) << text << ": " << extent.cx << " px in a control of " << client.right << " px";
    EXPECT_LE(extent.cy, client.bottom) << text;
  }
  SelectObject(dc, old);
  DeleteObject(font);
  ReleaseDC(nullptr, dc);
}

// "录音设置…" from the system menu: the folder's figures come from off the window's thread, a figure out of
// its range is refused with the range named and nothing saved, and OK saves the settings to PushClient.ini.
TEST(MainWindow, RecordSettingsAreCheckedThenSavedToTheProfile) {
  AppUnderTest app;
  PostMessageA(app.Main(), WM_SYSCOMMAND, IDM_RECORD, 0);
  HWND settings = nullptr;
  ASSERT_TRUE(WaitUntil([&] {
    for (HWND dialog : app.OtherDialogs())
      if (GetDlgItem(dialog, IDC_CHECK_RECORD)) settings = dialog;
    return settings != nullptr;
  }));
  const auto text = [](HWND dialog, int id) { return AppUnderTest::WindowText(GetDlgItem(dialog, id)); };
  EXPECT_TRUE(WaitUntil([&] { return text(settings, IDC_RECORD_FOLDER_SIZE) == kRecordFolderMissing; }))
      << text(settings, IDC_RECORD_FOLDER_SIZE);
  EXPECT_NE(text(settings, IDC_RECORD_FREE_SPACE), kRecordComputing);
  EXPECT_NE(text(settings, IDC_RECORD_FREE_SPACE), kRecordFreeUnknown);
  EXPECT_EQ(text(settings, IDC_EDIT_RECORD_FOLDER), kRecordFolderDefault);

  const auto type = [&](int id, const char* typed) {
    SendMessageA(GetDlgItem(settings, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(typed));
  };
  type(IDC_EDIT_KEEP_DAYS, "7");
  type(IDC_EDIT_SEGMENT_MINUTES, "1441");
  AppUnderTest::PressOk(settings);
  HWND box = nullptr;
  ASSERT_TRUE(WaitUntil([&] {
    for (HWND dialog : app.OtherDialogs())
      if (GetWindow(dialog, GW_OWNER) == settings && IsWindowVisible(dialog)) box = dialog;
    return box != nullptr;
  }));
  EXPECT_EQ(AppUnderTest::DialogText(box), FillIn(kMsgRecordSegmentMinutes, {"1", "1440"}));
  AppUnderTest::PressOk(box);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(box); }));
  EXPECT_TRUE(IsWindow(settings)) << "the window stays open with what was typed";
  const std::string profile = app.PathOf("PushClient.ini");
  EXPECT_EQ(ReadFileBytes(profile).find("[record]"), std::string::npos) << "nothing saved";

  type(IDC_EDIT_SEGMENT_MINUTES, "30");
  SendMessageA(GetDlgItem(settings, IDC_CHECK_RECORD), BM_SETCHECK, BST_CHECKED, 0);
  AppUnderTest::PressOk(settings);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(settings); }));
  const auto saved = [&](const char* key) {
    char value[64] = {};
    GetPrivateProfileStringA("record", key, "<missing>", value, sizeof(value), profile.c_str());
    return std::string(value);
  };
  EXPECT_EQ(saved("enabled"), "1");
  EXPECT_EQ(saved("folder"), kRecordFolderDefault);
  EXPECT_EQ(saved("keep_days"), "7");
  EXPECT_EQ(saved("segment_minutes"), "30");
  EXPECT_EQ(saved("min_free_mb"), "1024");
}

TEST(MissingEncoder, OneMessageBoxAtStartAWindowThatNeitherReadsNorWritesSettingsAndOneMessageBoxAtRefresh) {
  AppUnderTest::Options options;
  options.files["config.db"] = kSavedConfig;
  options.withEncoder = false;
  options.exeName = "RadioPush.exe";
  AppUnderTest app(options);

  const auto expectOneMessageBox = [&](const char* message) {
    HWND box = app.WaitForMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(app.OtherDialogs().size(), 1u);
    EXPECT_EQ(AppUnderTest::WindowText(box), "RadioPush") << "captioned with the executable's name";
    EXPECT_EQ(AppUnderTest::DialogText(box), message);
    EXPECT_EQ(GetDlgItem(box, IDCANCEL), nullptr) << "an OK button only";
    AppUnderTest::PressOk(box);
  };
  expectOneMessageBox(kEncoderMissing);
  app.WaitForMainWindow();
  EXPECT_TRUE(app.OtherDialogs().empty()) << "exactly one message box";
  // config.db was not read; the bitrate list is filled but nothing is selected.
  EXPECT_EQ(app.ComboItems(IDC_COMBO_BITRATE).size(), 6u);
  EXPECT_EQ(app.ComboSelection(IDC_COMBO_BITRATE), CB_ERR);
  EXPECT_EQ(app.DeviceCount(), 0);
  EXPECT_NE(SendMessageA(app.Item(IDC_CHECK_TRAY), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(app.Text(IDC_EDIT_SERVER), "");
  // Settings never read are never written.
  app.Click(IDC_CHECK_TRAY);
  EXPECT_EQ(ReadFileBytes(app.PathOf("config.db")), kSavedConfig);
  PostMessageA(app.Item(IDC_BTN_REFRESH), BM_CLICK, 0, 0);
  expectOneMessageBox("Error on CreateProcess()");
}

TEST(Tray, OneIconWhileHiddenOrRestoredAddedAgainAfterAShellRestartRemovedAtTheEnd) {
  const int before = TrayIconCount();
  {
    AppUnderTest::Options options;
    options.files["config.db"] = "0\r\n\r\n1\r\n1\r\n";
    AppUnderTest app(options);
    EXPECT_EQ(TrayIconCount(), before) << "no icon before the window goes to the tray";
    for (UINT press : {WM_RBUTTONDOWN, WM_LBUTTONDOWN}) {
      SCOPED_TRACE(press);
      SendMessageA(app.Main(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
      ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(app.Main()); }));
      EXPECT_FALSE(IsIconic(app.Main())) << "hidden, not in the task bar";
      EXPECT_TRUE(WaitUntil([&] { return TrayIconCount() == before + 1; }, 5s)) << "one icon";
      // A move does nothing; a double click reaches the window as a button press first.
      SendMessageA(app.Main(), WM_USER + 1, 0, WM_MOUSEMOVE);
      EXPECT_FALSE(IsWindowVisible(app.Main()));
      SendMessageA(app.Main(), WM_USER + 1, 0, press);
      ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(app.Main()) != FALSE; }));
      EXPECT_EQ(TrayIconCount(), before + 1) << "the icon stays after the window is restored";
    }

    // A restarted shell has forgotten the icon and announces its new task bar.
    SendMessageA(app.Main(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    NOTIFYICONDATAA forget = {};
    forget.cbSize = NOTIFYICONDATAA_V1_SIZE;
    forget.hWnd = app.Main();
    ASSERT_TRUE(Shell_NotifyIconA(NIM_DELETE, &forget));
    ASSERT_TRUE(WaitUntil([&] { return TrayIconCount() == before; }, 5s));
    SendMessageA(app.Main(), RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return TrayIconCount() == before + 1; }, 5s)) << "the icon is added again";
    SendMessageA(app.Main(), WM_USER + 1, 0, WM_LBUTTONDOWN);
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(app.Main()) != FALSE; }));

    // Without the option, minimising goes to the task bar.
    app.Click(IDC_CHECK_TRAY);
    PostMessageA(app.Main(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(WaitUntil([&] { return IsIconic(app.Main()) != FALSE; }));
    app.CloseWindow();
    ASSERT_TRUE(app.WaitForExit());
  }
  EXPECT_TRUE(WaitUntil([&] { return TrayIconCount() == before; }, 5s)) << "removed when the program ends";
}
