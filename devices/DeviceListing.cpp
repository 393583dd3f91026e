#include "devices/DeviceListing.h"

#include <chrono>

#include "text/AnsiTextConversion.h"
#include "encoder/EncoderCommandLine.h"
#include "framework/ChildProcess.h"
#include "framework/ScopeExit.h"
#include "framework/UniqueHandle.h"
#include "text/FileBytes.h"
#include "text/TextMode.h"

namespace {
// A listing child that has not ended by then is taken as hung.
constexpr std::chrono::milliseconds kListingTimeout{15000};
// How often the pipe is looked at while the child runs.
constexpr DWORD kPollMs = 5;
constexpr DWORD kReadChunk = 4096;
constexpr DWORD kEndedChildWaitMs = 1000;

// Moves whatever the pipe holds now into output, without blocking.
void DrainPipe(HANDLE pipe, std::string& output) {
  char buffer[kReadChunk];
  for (;;) {
    DWORD available = 0;
    if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) || available == 0) return;
    DWORD read = 0;
    if (!ReadFile(pipe, buffer, available < kReadChunk ? available : kReadChunk, &read, nullptr) || read == 0) return;
    output.append(buffer, read);
  }
}
}  // namespace

CDeviceListing::~CDeviceListing() { Cancel(); }

bool CDeviceListing::Start(const std::string& encoderPath, const std::string& deviceListPath, HWND window,
                           UINT message) {
  if (m_running) return false;
  // The last listing has handed its result over; its thread is at most returning.
  if (m_thread.joinable()) m_thread.join();
  m_cancel = false;
  m_running = true;
  ++m_generation;
  m_thread = std::thread(&CDeviceListing::Run, this, encoderPath, deviceListPath, window, message, m_generation);
  return true;
}

void CDeviceListing::Cancel() {
  m_cancel = true;
  if (m_thread.joinable()) m_thread.join();
  m_running = false;
}

std::optional<DeviceListingResult> CDeviceListing::TakeResult(WPARAM generation) {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (generation != m_generation || generation != m_resultGeneration || !m_result) return std::nullopt;
  std::optional<DeviceListingResult> result = std::move(m_result);
  m_result.reset();
  return result;
}

void CDeviceListing::Run(std::string encoderPath, std::string deviceListPath, HWND window, UINT message,
                         WPARAM generation) {
  DeviceListingResult result;
  // Every exit from here hands its result over and tells the window.
  const ScopeExit finish([&] {
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_result = std::move(result);
      m_resultGeneration = generation;
    }
    m_running = false;
    if (!m_cancel) PostMessageA(window, message, generation, 0);
  });

  SECURITY_ATTRIBUTES inheritable = {sizeof(inheritable), nullptr, TRUE};
  UniqueHandle readEnd, writeEnd;
  if (!CreatePipe(readEnd.put(), writeEnd.put(), &inheritable, 0)) {
    result.outcome = DeviceListingResult::Outcome::PipeFailed;
    return;
  }
  // Only the write end is the child's; an inherited read end would keep the pipe from ever ending.
  SetHandleInformation(readEnd.get(), HANDLE_FLAG_INHERIT, 0);

  ChildStartOptions options;
  options.redirect = true;
  options.output = writeEnd.get();
  options.inheritParentStartupInfo = true;
  ProcessRecord child;
  if (!StartChildProcess(encoderPath, kListDevicesArgs, options, child)) {
    result.outcome = DeviceListingResult::Outcome::StartFailed;
    return;
  }
  writeEnd.reset();

  // Read while the child runs: a listing larger than the pipe's buffer would otherwise stall both.
  std::string output;
  const auto deadline = std::chrono::steady_clock::now() + kListingTimeout;
  for (;;) {
    DrainPipe(readEnd.get(), output);
    if (WaitForSingleObject(child.process.get(), kPollMs) != WAIT_TIMEOUT) break;
    const bool timedOut = std::chrono::steady_clock::now() >= deadline;
    if (timedOut || m_cancel) {
      TerminateProcess(child.process.get(), 1);
      WaitForSingleObject(child.process.get(), kEndedChildWaitMs);
      result.outcome = timedOut ? DeviceListingResult::Outcome::TimedOut : DeviceListingResult::Outcome::Cancelled;
      return;
    }
  }
  DrainPipe(readEnd.get(), output);
  if (m_cancel) return;

  AnsiLines converted = Utf8ToAnsiByLine(output);
  if (!WriteFileBytes(deviceListPath.c_str(), ToTextModeBytes(converted.text))) {
    result.outcome = DeviceListingResult::Outcome::DeviceFileFailed;
    return;
  }
  result.outcome = DeviceListingResult::Outcome::Written;
  result.text = std::move(converted.text);
  result.lossyLines = std::move(converted.lossy);
  result.utf8 = std::move(output);
}
