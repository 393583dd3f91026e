// Listing the machine's audio capture devices: the encoder prints them into a pipe, the output is kept
// in device.txt and handed to the parser.
#include <windows.h>

#include <chrono>

#include "app/PushClientDlg.h"
#include "devices/Utf8ToAnsi.h"
#include "encoder/EncoderCommandLine.h"
#include "framework/ChildProcess.h"
#include "framework/UniqueHandle.h"
#include "res/Texts.h"
#include "framework/WinApp.h"
#include "settings/FileBytes.h"
#include "settings/TextMode.h"

namespace {
const char kDeviceFileName[] = "device.txt";
const char kPipeFailed[] = "Error On CreatePipe()";
const char kStartFailed[] = "Error on CreateProcess()";

// A listing child that has not ended by then is taken as hung.
constexpr std::chrono::milliseconds kListingTimeout{15000};
// How often the pipe is looked at while the child runs.
constexpr DWORD kPollMs = 5;
constexpr DWORD kReadChunk = 4095;

// Moves whatever the pipe holds now into output, without blocking.
void DrainPipe(HANDLE pipe, std::string& output) {
  char buffer[kReadChunk + 1] = {};
  for (;;) {
    DWORD available = 0;
    if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) || available == 0) return;
    DWORD read = 0;
    if (!ReadFile(pipe, buffer, available < kReadChunk ? available : kReadChunk, &read, nullptr) || read == 0) return;
    output.append(buffer, read);
  }
}
}  // namespace

// Called at start-up and when "刷新音频设备" is clicked.
void CPushClientDlg::RefreshDevices() {
  SECURITY_ATTRIBUTES inheritable = {sizeof(inheritable), nullptr, TRUE};
  UniqueHandle readEnd, writeEnd;
  if (!CreatePipe(readEnd.put(), writeEnd.put(), &inheritable, 0)) {
    AfxMessageBox(kPipeFailed);
    return;
  }
  // Only the write end is the child's; an inherited read end would keep the pipe from ever ending.
  SetHandleInformation(readEnd.get(), HANDLE_FLAG_INHERIT, 0);

  ChildStartOptions options;
  options.redirect = true;
  options.output = writeEnd.get();
  options.inheritParentStartupInfo = true;
  ProcessRecord child;
  if (!StartChildProcess(m_strEncoderPath, kListDevicesArgs, options, child)) {
    AfxMessageBox(kStartFailed);
    return;
  }
  writeEnd.reset();

  // Read while the child runs: a listing larger than the pipe's buffer would otherwise stall both.
  std::string output;
  const auto deadline = std::chrono::steady_clock::now() + kListingTimeout;
  for (;;) {
    DrainPipe(readEnd.get(), output);
    if (WaitForSingleObject(child.process.get(), kPollMs) != WAIT_TIMEOUT) break;
    if (std::chrono::steady_clock::now() >= deadline) {
      TerminateProcess(child.process.get(), 1);
      WaitForSingleObject(child.process.get(), 1000);
      AddLog(kListingTimedOut);
      return;
    }
  }
  DrainPipe(readEnd.get(), output);

  Utf8ToAnsi(output);
  if (!WriteFileBytes(kDeviceFileName, ToTextModeBytes(output))) {
    AddLog(kDeviceFileFailed);
    return;
  }
  ParseDeviceLIst();
}
