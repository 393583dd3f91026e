// Drives a running PushClient window from the command line, for scripts that run the program without a
// person in front of it:
//   window_driver wait                 wait (up to 30 s) until the main window is shown and its device
//                                      listing has ended
//   window_driver select-device NAME   choose the device whose text is NAME (UTF-8)
//   window_driver click BUTTON         click a button: live (the live switch), refresh, clear-log or tray
//   window_driver log                  print the activity log (UTF-8)
//   window_driver test-alert URL       open 告警设置…, send its test message to URL and print the outcome
//                                      shown (UTF-8); the window stays open 3 s for a look, then is
//                                      cancelled
//   window_driver close                send the window's close command
// Exit code 0 on success, 1 on failure, 2 on a usage error.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/AppMessages.h"
#include "res/resource.h"

namespace {

const wchar_t kMainCaption[] = L"Quorvel\u7535\u53f0\u63a8\u6d41\u5ba2\u6237\u7aef";  // the main window's caption

// The buttons a script may click, by the names it uses for them.
struct NamedButton {
  const char* name;
  int id;
};
constexpr NamedButton kButtons[] = {
    {"live", IDC_BTN_LIVE}, {"refresh", IDC_BTN_REFRESH}, {"clear-log", IDC_BTN_CLEARLOG}, {"tray", IDC_CHECK_TRAY}};

HWND FindMain() { return FindWindowW(L"#32770", kMainCaption); }

std::wstring Wide(const char* utf8) {
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
  std::wstring text(static_cast<size_t>(n > 0 ? n : 1), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8, -1, &text[0], n);
  text.resize(wcslen(text.c_str()));
  return text;
}

std::string Utf8(const std::wstring& text) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n > 0 ? n : 1), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &out[0], n, nullptr, nullptr);
  out.resize(std::strlen(out.c_str()));
  return out;
}

// Item texts are read wide: the ANSI reads of another process's list come back as UTF-16 under Wine.
std::wstring ItemText(HWND control, UINT lengthMessage, UINT textMessage, int index) {
  const LRESULT length = SendMessageW(control, lengthMessage, static_cast<WPARAM>(index), 0);
  if (length < 0) return std::wstring();
  std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1, L'\0');
  SendMessageW(control, textMessage, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buffer.data()));
  return buffer.data();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  const std::string command = argv[1];
  if (command == "wait") {
    for (int i = 0; i < 300; ++i) {
      HWND main = FindMain();
      // The refresh button rests while a device listing runs.
      if (main && IsWindowVisible(main) && IsWindowEnabled(GetDlgItem(main, IDC_BTN_REFRESH))) return 0;
      Sleep(100);
    }
    std::fprintf(stderr, "window_driver: no PushClient window\n");
    return 1;
  }
  HWND main = FindMain();
  if (!main) {
    std::fprintf(stderr, "window_driver: no PushClient window\n");
    return 1;
  }
  if (command == "select-device" && argc == 3) {
    HWND combo = GetDlgItem(main, IDC_COMBO_DEVICE);
    // The name as typed: argv holds it in the ANSI code page, which may not hold every name.
    int wideCount = 0;
    LPWSTR* wideArgs = CommandLineToArgvW(GetCommandLineW(), &wideCount);
    const std::wstring wanted = wideArgs && wideCount == 3 ? std::wstring(wideArgs[2]) : Wide(argv[2]);
    LocalFree(wideArgs);
    const int count = static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
      if (ItemText(combo, CB_GETLBTEXTLEN, CB_GETLBTEXT, i) != wanted) continue;
      SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(i), 0);
      SendMessageW(main, WM_COMMAND, MAKEWPARAM(IDC_COMBO_DEVICE, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
      return 0;
    }
    std::fprintf(stderr, "window_driver: no device named %s\n", argv[2]);
    return 1;
  }
  if (command == "click" && argc == 3) {
    const NamedButton* button = nullptr;
    for (const NamedButton& candidate : kButtons)
      if (std::strcmp(candidate.name, argv[2]) == 0) button = &candidate;
    if (!button) {
      std::fprintf(stderr, "window_driver: no button named %s (live, refresh, clear-log, tray)\n", argv[2]);
      return 2;
    }
    HWND control = GetDlgItem(main, button->id);
    if (!control) return 1;
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(control, BM_CLICK, 0, 0, SMTO_NORMAL, 30000, &result) ? 0 : 1;
  }
  if (command == "log") {
    HWND list = GetDlgItem(main, IDC_LIST_LOG);
    // The lines waiting for the list's timer too.
    DWORD_PTR shown = 0;
    SendMessageTimeoutW(main, WM_SHOW_LOG, 0, 0, SMTO_ABORTIFHUNG, 5000, &shown);
    const int count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) std::printf("%s\n", Utf8(ItemText(list, LB_GETTEXTLEN, LB_GETTEXT, i)).c_str());
    return 0;
  }
  if (command == "test-alert" && argc == 3) {
    PostMessageW(main, WM_SYSCOMMAND, IDM_ALERTS, 0);
    HWND settings = nullptr;
    for (int i = 0; i < 100 && !settings; ++i, Sleep(100)) {
      DWORD pid = 0;
      GetWindowThreadProcessId(main, &pid);
      settings = FindWindowW(L"#32770", nullptr);
      // The topmost dialog of the program that has the test button is the alert settings window.
      for (HWND w = settings; w; w = FindWindowExW(nullptr, w, L"#32770", nullptr)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        if (owner == pid && GetDlgItem(w, IDC_BTN_TEST_ALERT)) {
          settings = w;
          break;
        }
        settings = nullptr;
      }
    }
    if (!settings) {
      std::fprintf(stderr, "window_driver: the alert settings window did not open\n");
      return 1;
    }
    SendMessageW(GetDlgItem(settings, IDC_EDIT_WEBHOOK), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Wide(argv[2]).c_str()));
    HWND button = GetDlgItem(settings, IDC_BTN_TEST_ALERT);
    SendMessageW(button, BM_CLICK, 0, 0);
    // The button rests while the message is under way; the outcome stands beside it.
    for (int i = 0; i < 300 && !IsWindowEnabled(button); ++i) Sleep(100);
    wchar_t outcome[512] = {};
    SendMessageW(GetDlgItem(settings, IDC_ALERT_RESULT), WM_GETTEXT, 512, reinterpret_cast<LPARAM>(outcome));
    std::printf("%s\n", Utf8(outcome).c_str());
    const bool sent = IsWindowEnabled(button) != FALSE;
    Sleep(3000);
    PostMessageW(settings, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    return sent ? 0 : 1;
  }
  if (command == "close") {
    PostMessageW(main, WM_SYSCOMMAND, SC_CLOSE, 0);
    return 0;
  }
  return 2;
}
