#include "devices/DeviceListing.h"

#include <chrono>

#include "text/AnsiTextConversion.h"
#include "encoder/EncoderCommandLine.h"
#include "system/ChildProcess.h"
#include "system/OutputPipe.h"
#include "system/ScopeExit.h"
#include "text/FileBytes.h"
#include "text/TextMode.h"

namespace {
// A listing child that has not ended by then is taken as hung.
constexpr DWORD kReadChunk = 4096;
constexpr DWORD kEndedChildWaitMs = 1000;

DWORD MillisecondsUntil(std::chrono::steady_clock::time_point deadline) {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
  return left.count() > 0 ? static_cast<DWORD>(left.count()) : 0;
}
}  // namespace

CDeviceListing::CDeviceListing() : m_cancelEvent(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}

CDeviceListing::~CDeviceListing() { Cancel(); }

bool CDeviceListing::Start(const std::string& encoderPath, const std::string& deviceListPath, HWND window,
                           UINT message) {
  if (m_running) return false;
  // The last listing has handed its result over; its thread is at most returning.
  if (m_thread.joinable()) m_thread.join();
  ResetEvent(m_cancelEvent.get());
  m_running = true;
  ++m_generation;
  m_thread = std::thread(&CDeviceListing::Run, this, encoderPath, deviceListPath, window, message, m_generation);
  return true;
}

void CDeviceListing::Cancel() {
  SetEvent(m_cancelEvent.get());
  if (m_thread.joinable()) m_thread.join();
  m_running = false;
}

bool CDeviceListing::Cancelled() const { return WaitForSingleObject(m_cancelEvent.get(), 0) == WAIT_OBJECT_0; }

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
    if (!Cancelled()) PostMessageA(window, message, generation, 0);
  });

  COutputPipe pipe(kReadChunk);
  if (!m_cancelEvent || !pipe.Create("DeviceListing", generation)) {
    result.outcome = DeviceListingResult::Outcome::PipeFailed;
    return;
  }

  ChildStartOptions options;
  options.redirect = true;
  options.output = pipe.ChildEnd();
  options.inheritParentStartupInfo = true;
  ProcessRecord child;
  if (!StartChildProcess(encoderPath, kListDevicesArgs, options, child)) {
    result.outcome = DeviceListingResult::Outcome::StartFailed;
    return;
  }
  pipe.CloseChildEnd();

  // Read while the child runs: a listing larger than the pipe's buffer would otherwise stall both.
  std::string output;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kListingTimeoutMs);
  pipe.Read(output);
  for (;;) {
    const DWORD remaining = MillisecondsUntil(deadline);
    const HANDLE events[] = {child.process.get(), m_cancelEvent.get(), pipe.ReadFinished()};
    // Past the bound, output still arriving keeps the listing going no longer.
    const DWORD count = remaining > 0 && events[2] ? 3 : 2;
    const DWORD woken = WaitForMultipleObjects(count, events, FALSE, remaining);
    if (woken == WAIT_OBJECT_0 + 2) {
      pipe.Read(output);
      continue;
    }
    if (woken == WAIT_TIMEOUT || woken == WAIT_OBJECT_0 + 1) {
      TerminateProcess(child.process.get(), 1);
      WaitForSingleObject(child.process.get(), kEndedChildWaitMs);
      result.outcome = woken == WAIT_TIMEOUT ? DeviceListingResult::Outcome::TimedOut
                                             : DeviceListingResult::Outcome::Cancelled;
      return;
    }
    break;  // the child has ended, or can no longer be waited for
  }
  pipe.Drain(output);
  if (Cancelled()) return;

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
