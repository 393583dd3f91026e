#pragma once
// Runs the real PushClient.exe in a fresh folder of its own and drives its window from outside, the way a
// person would: by control ids, window texts and clicks. Every process it starts is ended when it goes,
// and so is its folder, unless the test failed (built with PUSHCLIENT_GTEST).
#include <windows.h>

#include <chrono>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "res/resource.h"

namespace pushtest {

using namespace std::chrono_literals;
using Millis = std::chrono::milliseconds;

// Polls until the condition holds or the timeout passes; returns the condition's last value.
bool WaitUntil(const std::function<bool()>& condition, Millis timeout = 10s, Millis step = 50ms);
std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
inline bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
std::string BuildFolder();  // this test program's, where the programs it runs are built
inline bool Answers(HWND window) {  // within a second
  DWORD_PTR result = 0;
  return SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &result) != 0;
}
// A device listing as an older encoder prints it (section headers, CRLF line ends); names in UTF-8.
std::string DeviceListing(const std::vector<std::string>& audioNames);
// Whether anyone but the file's user, SYSTEM and the Administrators may open it, as its access list says:
// an entry for Everyone, Users or Authenticated Users, or no list at all.
bool OthersMayOpen(const std::string& path);
bool ProcessRunning(DWORD pid);
bool TerminateByPid(DWORD pid, UINT exitCode = 1);  // as the task manager would

// One record of the stand-in encoder's call log.
struct EncoderCall {
  DWORD pid = 0;
  std::string mode;               // list, stream, other
  std::string raw;                // the command line bytes as received
  std::vector<std::string> args;  // argv[1..] as the C runtime split them
};

class AppUnderTest {
 public:
  struct Options {
    std::string exeName = "PushClient.exe";
    // Appended to the program's command line after its quoted path, e.g. "/live".
    std::string arguments;
    bool withEncoder = true;
    bool realEncoder = false;    // the bridge to the machine's encoder instead of the scripted stand-in
    std::string encoderExe;      // or this Windows ffmpeg.exe
    std::string encoderScript;   // fake-ffmpeg.ini for the stand-in
    std::map<std::string, std::string> files;  // laid in the folder before the start: name -> bytes
    bool startNow = true;
    bool waitForListing = true;  // a start also waits for the first device listing to end
    // Run in this folder (an unpacked release package) with the PushClient.exe already in it; it stays.
    std::string folder;
    // The current folder the program starts in, made if need be; empty: the program's own.
    std::string workingFolder;
    // The window is to stay hidden (started in the tray): a start waits for it to exist, not to show.
    bool startsHidden = false;
  };

  AppUnderTest() : AppUnderTest(Options()) {}
  explicit AppUnderTest(Options options);
  ~AppUnderTest();
  AppUnderTest(const AppUnderTest&) = delete;
  AppUnderTest& operator=(const AppUnderTest&) = delete;

  const std::string& Folder() const { return m_folder; }
  std::string PathOf(const std::string& name) const { return m_folder + "\\" + name; }
  DWORD ProcessId() const { return m_pi.dwProcessId; }
  // Starts the program and waits for its window, unless a message box is to come first.
  void Start(bool waitForWindow = true);
  void WaitForMainWindow();
  HWND Main() const { return m_main; }
  HWND Item(int id) const { return GetDlgItem(m_main, id); }

  // Top-level dialogs of the program other than the main window: message boxes, About box.
  std::vector<HWND> OtherDialogs() const;
  HWND WaitForMessageBox(Millis timeout = 15s) const;
  static void PressOk(HWND box) {
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
  }
  static std::string DialogText(HWND box);
  static std::string WindowText(HWND window);

  std::string Text(int id) const { return WindowText(Item(id)); }
  void SetText(int id, const std::string& text) const {
    SendMessageA(Item(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }
  // A click on the refresh button waits for the listing it starts to end.
  void Click(int id) const {
    DWORD_PTR result = 0;
    SendMessageTimeoutA(Item(id), BM_CLICK, 0, 0, SMTO_NORMAL, 60000, &result);
    if (id == IDC_BTN_REFRESH) WaitForDeviceListing();
  }
  bool WaitForDeviceListing(Millis timeout = 20s) const {
    return WaitUntil([&] { return IsWindowEnabled(Item(IDC_BTN_REFRESH)) != FALSE; }, timeout);
  }
  std::vector<std::string> ComboItems(int id) const;
  int ComboSelection(int id) const { return static_cast<int>(SendMessageW(Item(id), CB_GETCURSEL, 0, 0)); }
  void SelectCombo(int id, int index) const {
    SendMessageA(Item(id), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageA(m_main, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(Item(id)));
  }
  int DeviceCount() const { return static_cast<int>(SendMessageW(Item(IDC_COMBO_DEVICE), CB_GETCOUNT, 0, 0)); }
  std::vector<std::string> LogLines() const;
  // The file's bytes once they are these (the settings are written away from the window's thread), or as
  // they are when timeout has passed.
  std::string FileOnceItHolds(const std::string& name, const std::string& expected, Millis timeout = 5s) const;
  // The text after each line's "date time " stamp.
  std::vector<std::string> LogMessages() const;
  size_t CountLog(const std::string& message) const;
  bool WaitForLog(const std::string& message, Millis timeout = 10s) const {
    return WaitUntil([&] { return CountLog(message) > 0; }, timeout);
  }

  // As the caption's close box does.
  void CloseWindow() const { PostMessageA(m_main, WM_SYSCOMMAND, SC_CLOSE, 0); }
  // Starts the program once more, from its folder, in the current folder given (its own by default), and
  // waits for that copy to end: its exit code, or STILL_ACTIVE when it did not end in time.
  DWORD RunAnotherCopy(const std::string& workingFolder = "", Millis timeout = 15s) const;

  bool WaitForExit(Millis timeout = 10s) const {
    return WaitForSingleObject(m_pi.hProcess, static_cast<DWORD>(timeout.count())) == WAIT_OBJECT_0;
  }

  std::vector<EncoderCall> EncoderCalls() const;
  std::vector<EncoderCall> StreamCalls() const;
  bool WaitForStreamCalls(size_t count, Millis timeout = 10s) const {
    return WaitUntil([&] { return StreamCalls().size() >= count; }, timeout);
  }
  // Types the address and clicks the live switch, as a person does.
  void GoLive(const std::string& address) const {
    SetText(IDC_EDIT_SERVER, address);
    Click(IDC_BTN_LIVE);
  }

 private:
  Options m_options;
  std::string m_folder;
  PROCESS_INFORMATION m_pi = {};
  HANDLE m_job = nullptr;
  HWND m_main = nullptr;
};

// An address accepted without a warning, and the status file the encoder's output goes to.
inline constexpr char kGoodAddress[] = "rtmp://1000.push.quorvel.com/app/stream";
inline constexpr char kStatusFile[] = "C:\\NetStatus.txt";

// The stand-in encoder lists "Line In (USB Audio)" and "麦克风 (Realtek Audio)" and runs this script otherwise.
inline AppUnderTest::Options TwoDevices(const std::string& script = "", const std::string& config = "") {
  AppUnderTest::Options options;
  options.files["listing.txt"] = DeviceListing({u8"麦克风 (Realtek Audio)", "Line In (USB Audio)"});
  if (!config.empty()) options.files["config.db"] = config;
  options.encoderScript = "list_file=listing.txt\n" + script;
  return options;
}

}  // namespace pushtest
