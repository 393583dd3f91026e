#include "AppUnderTest.h"

#include <atomic>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#ifdef PUSHCLIENT_GTEST
#include <gtest/gtest.h>
#endif

namespace pushtest {
namespace {

const char kMainCaption[] = "Quorvel电台推流客户端";
const int kRefreshButtonId = 1002;
const int kDeviceBoxId = 1001;
const int kServerBoxId = 1003;
const int kLiveButtonId = 1004;

std::string ClassName(HWND window) {
  char name[64] = {};
  GetClassNameA(window, name, sizeof(name));
  return name;
}

DWORD OwnerPid(HWND window) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  return pid;
}

std::vector<HWND> TopLevelDialogs(DWORD pid) {
  struct Search {
    DWORD pid;
    std::vector<HWND> found;
  } search{pid, {}};
  EnumWindows(
      [](HWND window, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        if (OwnerPid(window) == s->pid && ClassName(window) == "#32770") s->found.push_back(window);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Cross-process LB_GETTEXT/CB_GETLBTEXT through the A API hands back UTF-16 under Wine: read wide
// and convert to the ANSI code page ourselves.
std::string ItemText(HWND control, UINT lengthMessage, UINT textMessage, int index) {
  const LRESULT length = SendMessageW(control, lengthMessage, static_cast<WPARAM>(index), 0);
  if (length < 0) return std::string();
  std::vector<wchar_t> wide(static_cast<size_t>(length) + 1, L'\0');
  const LRESULT copied = SendMessageW(control, textMessage, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(wide.data()));
  if (copied <= 0) return std::string();
  const int bytes = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(copied), nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(copied), &text[0], bytes, nullptr, nullptr);
  return text;
}

std::string MakeFreshFolder() {
  static std::atomic<int> counter{0};
  char temp[MAX_PATH] = {};
  GetTempPathA(sizeof(temp), temp);
  for (;;) {
    char name[MAX_PATH];
    std::snprintf(name, sizeof(name), "%spushclient-test-%lu-%d", temp, GetCurrentProcessId(), ++counter);
    if (CreateDirectoryA(name, nullptr)) return name;
    if (GetLastError() != ERROR_ALREADY_EXISTS) throw std::runtime_error(std::string("cannot create ") + name);
  }
}

// A test that failed keeps its folder, for a look at what the program left there.
bool KeepFolder() {
#ifdef PUSHCLIENT_GTEST
  return ::testing::Test::HasFailure();
#else
  return false;
#endif
}

// Removes a folder and everything in it; false when something stayed (a file still held open).
bool RemoveTree(const std::string& folder) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = found.cFileName;
      if (name == "." || name == "..") continue;
      const std::string path = folder + "\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(path);
      } else {
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path.c_str());
      }
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  return RemoveDirectoryA(folder.c_str()) != FALSE;
}

}  // namespace

bool WaitUntil(const std::function<bool()>& condition, Millis timeout, Millis step) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    if (condition()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return condition();
    std::this_thread::sleep_for(step);
  }
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string BuildFolder() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, sizeof(path));
  std::string folder(path);
  return folder.substr(0, folder.find_last_of('\\'));
}

bool Answers(HWND window) {
  DWORD_PTR result = 0;
  return SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &result) != 0;
}

std::string DeviceListing(const std::vector<std::string>& audioNames) {
  std::string text = "[dshow @ 0] DirectShow video devices\r\n[dshow @ 0]  \"Integrated Camera\"\r\n"
                     "[dshow @ 0] DirectShow audio devices\r\n";
  for (const std::string& name : audioNames)
    text += "[dshow @ 0]  \"" + name + "\"\r\n[dshow @ 0]     Alternative name \"@device_cm_{x}\"\r\n";
  return text + "dummy: Immediate exit requested\r\n";
}

bool ProcessRunning(DWORD pid) {
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
  if (!process) return false;
  const bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
  CloseHandle(process);
  return running;
}

bool TerminateByPid(DWORD pid, UINT exitCode) {
  HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, pid);
  if (!process) return false;
  TerminateProcess(process, exitCode);
  CloseHandle(process);
  return true;
}

WatchedProcess::WatchedProcess(DWORD pid)
    : m_process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, pid)) {}

WatchedProcess::~WatchedProcess() {
  if (m_process) CloseHandle(m_process);
}

bool WatchedProcess::WaitForExit(Millis timeout) const {
  return m_process && WaitForSingleObject(m_process, static_cast<DWORD>(timeout.count())) == WAIT_OBJECT_0;
}

DWORD WatchedProcess::ExitCode() const {
  DWORD code = STILL_ACTIVE;
  if (m_process) GetExitCodeProcess(m_process, &code);
  return code;
}

AppUnderTest::AppUnderTest() : AppUnderTest(Options()) {}

AppUnderTest::AppUnderTest(Options options) : m_options(std::move(options)) {
  const std::string build = BuildFolder();
  if (m_options.folder.empty()) {
    m_folder = MakeFreshFolder();
    if (!CopyFileA((build + "\\PushClient.exe").c_str(), PathOf(m_options.exeName).c_str(), FALSE))
      throw std::runtime_error("cannot copy PushClient.exe");
  } else {
    char full[MAX_PATH] = {};
    if (!GetFullPathNameA(m_options.folder.c_str(), sizeof(full), full, nullptr) || !FileExists(full))
      throw std::runtime_error("no folder " + m_options.folder);
    m_folder = full;
  }
  if (m_options.withEncoder && !m_options.encoderExe.empty()) {
    if (!CopyFileA(m_options.encoderExe.c_str(), PathOf("ffmpeg.exe").c_str(), FALSE))
      throw std::runtime_error("cannot copy " + m_options.encoderExe);
  } else if (m_options.withEncoder && m_options.realEncoder) {
    if (!CopyFileA((build + "\\ffmpeg_bridge.exe").c_str(), PathOf("ffmpeg.exe").c_str(), FALSE) ||
        !CopyFileA((build + "\\ffmpeg-bridge-helper.py").c_str(), PathOf("ffmpeg-bridge-helper.py").c_str(), FALSE))
      throw std::runtime_error("cannot copy the encoder bridge");
  } else if (m_options.withEncoder) {
    if (!CopyFileA((build + "\\fake_ffmpeg.exe").c_str(), PathOf("ffmpeg.exe").c_str(), FALSE))
      throw std::runtime_error("cannot copy the stand-in encoder");
    WriteFileBytes(PathOf("fake-ffmpeg.ini"), m_options.encoderScript);
  }
  for (const auto& file : m_options.files) WriteFileBytes(PathOf(file.first), file.second);
  // Without an encoder the program's message box comes before its window.
  if (m_options.startNow) Start(m_options.withEncoder);
}

void AppUnderTest::Start(bool waitForWindow) {
  // Every process of the program's tree lives in this job, which ends them all when the test is over.
  m_job = CreateJobObjectA(nullptr, nullptr);
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  SetInformationJobObject(m_job, JobObjectExtendedLimitInformation, &limits, sizeof(limits));

  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  std::string commandLine = "\"" + PathOf(m_options.exeName) + "\"";
  if (!m_options.arguments.empty()) commandLine += " " + m_options.arguments;
  if (!CreateProcessA(PathOf(m_options.exeName).c_str(), &commandLine[0], nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                      nullptr, m_folder.c_str(), &startup, &m_pi))
    throw std::runtime_error("cannot start PushClient.exe");
  AssignProcessToJobObject(m_job, m_pi.hProcess);
  ResumeThread(m_pi.hThread);
  if (waitForWindow) {
    m_main = FindMainWindow();
    WaitUntil([&] { return m_main && IsWindowVisible(m_main); });
    if (m_options.waitForListing) WaitForDeviceListing();
  }
}

bool AppUnderTest::WaitForDeviceListing(Millis timeout) const {
  return WaitUntil([&] { return IsWindowEnabled(Item(kRefreshButtonId)) != FALSE; }, timeout);
}

AppUnderTest::~AppUnderTest() {
  // Encoders started by the program, should any have escaped the job.
  for (const EncoderCall& call : EncoderCalls()) TerminateByPid(call.pid, 99);
  if (m_pi.hProcess) {
    TerminateProcess(m_pi.hProcess, 99);
    WaitForSingleObject(m_pi.hProcess, 5000);
    CloseHandle(m_pi.hProcess);
    CloseHandle(m_pi.hThread);
  }
  if (m_job) {
    TerminateJobObject(m_job, 99);
    CloseHandle(m_job);
  }
  if (KeepFolder()) {
    std::printf("Kept for a look: %s\n", m_folder.c_str());
  } else if (!WaitUntil([&] { return RemoveTree(m_folder); }, 5s, 100ms)) {
    std::printf("Could not remove %s\n", m_folder.c_str());
  }
}

HWND AppUnderTest::FindMainWindow(Millis timeout) const {
  HWND found = nullptr;
  WaitUntil(
      [&] {
        for (HWND dialog : TopLevelDialogs(m_pi.dwProcessId))
          if (WindowText(dialog) == kMainCaption) found = dialog;
        return found != nullptr;
      },
      timeout);
  return found;
}

std::vector<HWND> AppUnderTest::OtherDialogs() const {
  std::vector<HWND> others;
  for (HWND dialog : TopLevelDialogs(m_pi.dwProcessId))
    if (dialog != m_main && WindowText(dialog) != kMainCaption) others.push_back(dialog);
  return others;
}

HWND AppUnderTest::WaitForMessageBox(Millis timeout) const {
  HWND box = nullptr;
  WaitUntil(
      [&] {
        for (HWND dialog : OtherDialogs())
          if (IsWindowVisible(dialog) && !WindowText(dialog).empty() && GetDlgItem(dialog, IDOK)) box = dialog;
        return box != nullptr;
      },
      timeout);
  return box;
}

void AppUnderTest::PressOk(HWND box) {
  PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
}

std::string AppUnderTest::WindowText(HWND window) {
  // GetWindowText does not ask another process's controls for their text; WM_GETTEXT does.
  char text[4096] = {};
  DWORD_PTR copied = 0;
  SendMessageTimeoutA(window, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 10000, &copied);
  return text;
}

std::string AppUnderTest::DialogText(HWND box) {
  std::string text;
  for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (ClassName(child) != "Static" || (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) continue;
    const std::string part = WindowText(child);
    if (!part.empty()) text += part;
  }
  return text;
}

void AppUnderTest::SetText(int id, const std::string& text) const {
  SendMessageA(Item(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void AppUnderTest::Click(int id) const {
  DWORD_PTR result = 0;
  SendMessageTimeoutA(Item(id), BM_CLICK, 0, 0, SMTO_NORMAL, 60000, &result);
  if (id == kRefreshButtonId) WaitForDeviceListing();
}

std::vector<std::string> AppUnderTest::ListItems(int id) const {
  std::vector<std::string> items;
  const int count = static_cast<int>(SendMessageW(Item(id), LB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) items.push_back(ItemText(Item(id), LB_GETTEXTLEN, LB_GETTEXT, i));
  return items;
}

std::vector<std::string> AppUnderTest::ComboItems(int id) const {
  std::vector<std::string> items;
  const int count = static_cast<int>(SendMessageW(Item(id), CB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) items.push_back(ItemText(Item(id), CB_GETLBTEXTLEN, CB_GETLBTEXT, i));
  return items;
}

int AppUnderTest::ComboSelection(int id) const { return static_cast<int>(SendMessageW(Item(id), CB_GETCURSEL, 0, 0)); }

void AppUnderTest::SelectCombo(int id, int index) const {
  SendMessageA(Item(id), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  SendMessageA(m_main, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(Item(id)));
}

std::vector<std::string> AppUnderTest::LogLines() const { return ListItems(1000); }

std::vector<std::string> AppUnderTest::LogMessages() const {
  std::vector<std::string> messages;
  for (const std::string& line : LogLines()) {
    const size_t first = line.find(' ');
    const size_t second = first == std::string::npos ? first : line.find(' ', first + 1);
    messages.push_back(second == std::string::npos ? line : line.substr(second + 1));
  }
  return messages;
}

size_t AppUnderTest::CountLog(const std::string& message) const {
  size_t count = 0;
  for (const std::string& m : LogMessages()) count += m == message;
  return count;
}

bool AppUnderTest::WaitForLog(const std::string& message, Millis timeout) const {
  return WaitUntil([&] { return CountLog(message) > 0; }, timeout);
}

void AppUnderTest::CloseWindow() const { PostMessageA(m_main, WM_SYSCOMMAND, SC_CLOSE, 0); }

bool AppUnderTest::WaitForExit(Millis timeout) const {
  return WaitForSingleObject(m_pi.hProcess, static_cast<DWORD>(timeout.count())) == WAIT_OBJECT_0;
}

bool AppUnderTest::IsRunning() const { return m_pi.hProcess && WaitForSingleObject(m_pi.hProcess, 0) == WAIT_TIMEOUT; }

std::vector<EncoderCall> AppUnderTest::EncoderCalls() const {
  std::vector<EncoderCall> calls;
  std::istringstream in(ReadFileBytes(PathOf("fake-ffmpeg-calls.txt")));
  std::string line;
  EncoderCall current;
  while (std::getline(in, line)) {
    if (line.rfind("call ", 0) == 0) {
      current = EncoderCall();
      char mode[32] = {};
      unsigned long pid = 0;
      std::sscanf(line.c_str(), "call %d pid %lu mode %31s", &current.number, &pid, mode);
      current.pid = pid;
      current.mode = mode;
    } else if (line.rfind("raw ", 0) == 0) {
      current.raw = line.substr(4);
    } else if (line.rfind("arg ", 0) == 0) {
      current.args.push_back(line.substr(4));
    } else if (line == "end") {
      calls.push_back(current);
    }
  }
  return calls;
}

std::vector<EncoderCall> AppUnderTest::StreamCalls() const {
  std::vector<EncoderCall> streams;
  for (const EncoderCall& call : EncoderCalls())
    if (call.mode == "stream") streams.push_back(call);
  return streams;
}

bool AppUnderTest::WaitForStreamCalls(size_t count, Millis timeout) const {
  return WaitUntil([&] { return StreamCalls().size() >= count; }, timeout);
}

void AppUnderTest::GoLive(const std::string& address) const {
  SetText(kServerBoxId, address);
  Click(kLiveButtonId);
}

int AppUnderTest::DeviceCount() const {
  return static_cast<int>(SendMessageW(Item(kDeviceBoxId), CB_GETCOUNT, 0, 0));
}

}  // namespace pushtest
