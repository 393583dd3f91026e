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

namespace pushtest {

using namespace std::chrono_literals;
using Millis = std::chrono::milliseconds;

// Polls until the condition holds or the timeout passes; returns the condition's last value.
bool WaitUntil(const std::function<bool()>& condition, Millis timeout = 10s, Millis step = 50ms);

std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);
// The folder holding this test program (and the programs built beside it).
std::string BuildFolder();
// Whether the window's thread takes a message within a second.
bool Answers(HWND window);
// A device listing as an older encoder prints it (section headers, CRLF line ends); names in UTF-8.
std::string DeviceListing(const std::vector<std::string>& audioNames);

// One record of the stand-in encoder's call log.
struct EncoderCall {
  int number = 0;
  DWORD pid = 0;
  std::string mode;  // list, stream, other
  std::string raw;   // the command line bytes as received
  std::vector<std::string> args;  // argv[1..] as the C runtime split them
};

class AppUnderTest {
 public:
  struct Options {
    std::string exeName = "PushClient.exe";
    // Appended to the program's command line after its quoted path, e.g. "/live".
    std::string arguments;
    bool withEncoder = true;
    // The bridge to the machine's real encoder instead of the scripted stand-in.
    bool realEncoder = false;
    // This Windows ffmpeg.exe (a path the test program can read) instead of the scripted stand-in.
    std::string encoderExe;
    // fake-ffmpeg.ini for the stand-in encoder.
    std::string encoderScript;
    // Extra files laid in the folder before the start: name -> bytes.
    std::map<std::string, std::string> files;
    // Start the program (and wait for its window) in the constructor.
    bool startNow = true;
    // Also wait, at the start, for the first device listing to have ended.
    bool waitForListing = true;
    // Run in this existing folder (an unpacked release package) with the PushClient.exe already in it,
    // instead of in a fresh folder with a copy of the build's exe.
    std::string folder;
  };

  AppUnderTest();
  explicit AppUnderTest(Options options);
  ~AppUnderTest();
  AppUnderTest(const AppUnderTest&) = delete;
  AppUnderTest& operator=(const AppUnderTest&) = delete;

  const std::string& Folder() const { return m_folder; }
  std::string PathOf(const std::string& name) const { return m_folder + "\\" + name; }
  DWORD ProcessId() const { return m_pi.dwProcessId; }

  // Starts the program (done by the constructor unless options say otherwise) and waits for its
  // window, unless a message box is expected to come first.
  void Start(bool waitForWindow = true);
  // The main dialog once it exists (visible or not); null if it never appeared.
  HWND FindMainWindow(Millis timeout = 15s) const;
  HWND Main() const { return m_main; }
  HWND Item(int id) const { return GetDlgItem(m_main, id); }

  // Top-level dialogs (#32770) of the program other than the main window: message boxes, About box.
  std::vector<HWND> OtherDialogs() const;
  // The program's message box once it is up (shown, captioned); null if none came.
  HWND WaitForMessageBox(Millis timeout = 15s) const;
  // Presses a message box's OK button.
  static void PressOk(HWND box);
  // A message box's text.
  static std::string DialogText(HWND box);
  static std::string WindowText(HWND window);

  std::string Text(int id) const { return WindowText(Item(id)); }
  void SetText(int id, const std::string& text) const;
  // Clicks a button; a click on the refresh button waits for the listing it starts to end.
  void Click(int id) const;
  // Waits until no device listing runs (the refresh button is usable again).
  bool WaitForDeviceListing(Millis timeout = 20s) const;
  std::vector<std::string> ListItems(int id) const;   // list box, in the list's order
  std::vector<std::string> ComboItems(int id) const;  // combo box, in the list's order
  int ComboSelection(int id) const;
  void SelectCombo(int id, int index) const;
  std::vector<std::string> LogLines() const;
  // The messages of the log lines (text after the "date time " stamp).
  std::vector<std::string> LogMessages() const;
  size_t CountLog(const std::string& message) const;
  bool WaitForLog(const std::string& message, Millis timeout = 10s) const;

  // Sends the window's close command as the caption's close box does.
  void CloseWindow() const;
  bool WaitForExit(Millis timeout = 10s) const;
  bool IsRunning() const;

  // The stand-in encoder's records, in call order.
  std::vector<EncoderCall> EncoderCalls() const;
  // Only the streaming runs among them, and a wait for the count-th one.
  std::vector<EncoderCall> StreamCalls() const;
  bool WaitForStreamCalls(size_t count, Millis timeout = 10s) const;
  // Types the address and clicks the live switch, as a person does.
  void GoLive(const std::string& address) const;
  int DeviceCount() const;

 private:
  Options m_options;
  std::string m_folder;
  PROCESS_INFORMATION m_pi = {};
  HANDLE m_job = nullptr;
  HWND m_main = nullptr;
};

// Whether the process with this id still runs.
bool ProcessRunning(DWORD pid);

// Ends a process by its id, as the task manager would; false when it could not be opened.
bool TerminateByPid(DWORD pid, UINT exitCode = 1);

// Holds a process from the moment it is seen, so that its exit code can be read after it ended.
class WatchedProcess {
 public:
  explicit WatchedProcess(DWORD pid);
  ~WatchedProcess();
  WatchedProcess(const WatchedProcess&) = delete;
  WatchedProcess& operator=(const WatchedProcess&) = delete;
  bool WaitForExit(Millis timeout = 10s) const;
  DWORD ExitCode() const;

 private:
  HANDLE m_process;
};

}  // namespace pushtest
