// The main window as a person meets it: first-start state, texts that fit, the missing-encoder messages,
// the tray icon and the About box; and what the executable asks of the system.
#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include "AppUnderTest.h"
#include "res/resource.h"

using namespace pushtest;

namespace {

AppUnderTest::Options WithConfig(const std::string& config) {
  AppUnderTest::Options options;
  options.files["config.db"] = config;
  return options;
}

bool Checked(HWND box) { return SendMessageA(box, BM_GETCHECK, 0, 0) == BST_CHECKED; }

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

// Administrator rights, themed controls and sharp text on high-DPI screens all hang on the manifest.
TEST(ExeResources, ManifestAsksForAdministratorRightsCommonControlsAndDpiAwareness) {
  HMODULE exe = LoadLibraryExA((BuildFolder() + "\\PushClient.exe").c_str(), nullptr,
                               LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  ASSERT_NE(exe, nullptr);
  HRSRC resource = FindResourceA(exe, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
  ASSERT_NE(resource, nullptr);
  const std::string manifest(static_cast<const char*>(LockResource(LoadResource(exe, resource))),
                             SizeofResource(exe, resource));
  FreeLibrary(exe);
  EXPECT_NE(manifest.find("level=\"requireAdministrator\" uiAccess=\"false\""), std::string::npos);
  EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls"), std::string::npos);
  EXPECT_NE(manifest.find("PerMonitorV2"), std::string::npos);
}

TEST(MainWindow, FirstStartShowsTheDefaultsClearEmptiesTheLogAndCloseEndsWithoutSaving) {
  AppUnderTest app;
  EXPECT_EQ(app.ComboItems(IDC_COMBO_BITRATE).at(app.ComboSelection(IDC_COMBO_BITRATE)), "48");
  EXPECT_FALSE(Checked(app.Item(IDC_CHECK_TRAY)));
  EXPECT_EQ(app.Text(IDC_EDIT_SERVER), "");

  // Lines reach the log only through the program's own operations; a hand-added one stands in here.
  SendMessageA(app.Item(IDC_LIST_LOG), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("2026-01-01 00:00:00 x"));
  ASSERT_EQ(app.LogLines().size(), 1u);
  app.Click(IDC_BTN_CLEARLOG);
  EXPECT_TRUE(app.LogLines().empty());

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

TEST(MissingEncoder, OneMessageBoxAtStartAWindowWithoutSettingsOrDevicesAndOneMessageBoxAtRefresh) {
  AppUnderTest::Options options = WithConfig("1\r\nrtmp://1000.push.quorvel.com/app/stream\r\n1\r\n4\r\n");
  options.withEncoder = false;
  options.exeName = "RadioPush.exe";
  AppUnderTest app(options);

  HWND box = app.WaitForMessageBox();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(app.OtherDialogs().size(), 1u);
  EXPECT_EQ(AppUnderTest::WindowText(box), "RadioPush") << "captioned with the executable's name";
  EXPECT_EQ(AppUnderTest::DialogText(box), "请把ffmpeg.exe 文件放到执行文件目录！！！");
  EXPECT_EQ(GetDlgItem(box, IDCANCEL), nullptr) << "an OK button only";

  AppUnderTest::PressOk(box);
  HWND main = app.FindMainWindow();
  ASSERT_NE(main, nullptr);
  ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(main) != FALSE; }));
  EXPECT_TRUE(app.OtherDialogs().empty()) << "exactly one message box";
  // config.db was not read; the bitrate list is filled but nothing is selected.
  EXPECT_EQ(SendMessageA(GetDlgItem(main, IDC_COMBO_BITRATE), CB_GETCOUNT, 0, 0), 6);
  EXPECT_EQ(SendMessageA(GetDlgItem(main, IDC_COMBO_BITRATE), CB_GETCURSEL, 0, 0), CB_ERR);
  EXPECT_EQ(SendMessageA(GetDlgItem(main, IDC_COMBO_DEVICE), CB_GETCOUNT, 0, 0), 0);
  EXPECT_FALSE(Checked(GetDlgItem(main, IDC_CHECK_TRAY)));
  EXPECT_EQ(AppUnderTest::WindowText(GetDlgItem(main, IDC_EDIT_SERVER)), "");

  PostMessageA(GetDlgItem(main, IDC_BTN_REFRESH), BM_CLICK, 0, 0);
  box = app.WaitForMessageBox();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(app.OtherDialogs().size(), 1u);
  EXPECT_EQ(AppUnderTest::WindowText(box), "RadioPush");
  EXPECT_EQ(AppUnderTest::DialogText(box), "Error on CreateProcess()");
}

TEST(Tray, OneIconWhileHiddenOrRestoredAddedAgainAfterAShellRestartRemovedAtTheEnd) {
  const int before = TrayIconCount();
  {
    AppUnderTest app(WithConfig("0\r\n\r\n1\r\n1\r\n"));
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

TEST(AboutBox, OpensFromTheSystemMenuOwnedByTheMainWindow) {
  AppUnderTest app;
  PostMessageA(app.Main(), WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
  HWND about = app.WaitForMessageBox();
  ASSERT_NE(about, nullptr);
  EXPECT_EQ(AppUnderTest::WindowText(about), "关于 电台推流客户端");
  EXPECT_NE(AppUnderTest::DialogText(about).find("Kestrune Version 1.0.0.3"), std::string::npos);
  EXPECT_EQ(GetWindow(about, GW_OWNER), app.Main());
  EXPECT_FALSE(IsWindowEnabled(app.Main()));
  AppUnderTest::PressOk(about);
  EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(app.Main()) != FALSE; }));
  EXPECT_TRUE(app.IsRunning());
}
