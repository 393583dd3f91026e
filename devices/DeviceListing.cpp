#include "devices/DeviceListing.h"

#include <chrono>

#include "text/AnsiTextConversion.h"
#include "encoder/EncoderCommandLine.h"
#include "framework/ChildProcess.h"
#include "framework/ScopeExit.h"
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

// The pipe the listing child writes its output into. Its reading end is overlapped (an anonymous pipe's
// cannot be), so that the worker can sleep until output arrives, the child ends or the listing is
// cancelled, whichever comes first.
class OutputPipe {
 public:
  OutputPipe() = default;
  OutputPipe(const OutputPipe&) = delete;
  OutputPipe& operator=(const OutputPipe&) = delete;
  // A read under way writes into m_buffer and m_overlapped until it has settled.
  ~OutputPipe() {
    if (m_pending) {
      CancelIo(m_readEnd.get());
      DWORD read = 0;
      GetOverlappedResult(m_readEnd.get(), &m_overlapped, &read, TRUE);
    }
  }

  // Makes both ends, the child's inheritable, under a name of this process's listing alone. False when
  // either cannot be made.
  bool Create(WPARAM generation) {
    m_readFinished.reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!m_readFinished) return false;
    m_overlapped.hEvent = m_readFinished.get();
    // Made as the first instance of its name, or not at all: never a pipe someone else made under it.
    const std::string name = "\\\\.\\pipe\\PushClient.DeviceListing." + std::to_string(GetCurrentProcessId()) + "." +
                             std::to_string(generation);
    m_readEnd.reset(CreateNamedPipeA(
        name.c_str(), PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
        PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1, 0, kReadChunk, 0, nullptr));
    if (!m_readEnd) return false;
    SECURITY_ATTRIBUTES inheritable = {sizeof(inheritable), nullptr, TRUE};
    m_childEnd.reset(CreateFileA(name.c_str(), GENERIC_WRITE | FILE_READ_ATTRIBUTES, 0, &inheritable, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    return static_cast<bool>(m_childEnd);
  }

  HANDLE ChildEnd() const { return m_childEnd.get(); }
  // Once the child has started, its copy is the only one: the pipe then ends when the child does.
  void CloseChildEnd() { m_childEnd.reset(); }

  // Signalled when the read under way has finished; null when none is, the pipe having ended.
  HANDLE ReadFinished() const { return m_pending ? m_readFinished.get() : nullptr; }

  // Moves into output the read that has finished, if any, and what has arrived since, then leaves a read
  // waiting for more, unless the pipe has ended.
  void Read(std::string& output) {
    if (m_pending && !Collect(output, FALSE)) return;
    for (;;) {
      if (!ReadFile(m_readEnd.get(), m_buffer, sizeof(m_buffer), nullptr, &m_overlapped)) {
        // Anything else: every copy of the child's end is closed, or the pipe failed.
        m_pending = GetLastError() == ERROR_IO_PENDING;
        return;
      }
      m_pending = true;
      if (!Collect(output, FALSE)) return;
    }
  }

  // After the child has ended: moves into output what is left of its output, without waiting for more.
  // All of it is in the pipe or in the read under way by now; a read that still waits can wait only for
  // a writer other than the child.
  void Drain(std::string& output) {
    while (m_pending) {
      CancelIo(m_readEnd.get());
      // A read that had its bytes keeps them; one that had none ends as cancelled.
      if (!Collect(output, TRUE)) return;
      Read(output);
    }
  }

 private:
  // Takes the bytes of the read under way, which has finished (or is to be waited for); false when it
  // brought none because the pipe has ended, it failed or it was cancelled.
  bool Collect(std::string& output, BOOL wait) {
    m_pending = false;
    DWORD read = 0;
    if (!GetOverlappedResult(m_readEnd.get(), &m_overlapped, &read, wait)) return false;
    output.append(m_buffer, read);
    return true;
  }

  UniqueFile m_readEnd;
  UniqueFile m_childEnd;
  UniqueHandle m_readFinished;
  OVERLAPPED m_overlapped = {};
  char m_buffer[kReadChunk];
  bool m_pending = false;  // a read has been started and its result not yet taken
};
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

  OutputPipe pipe;
  if (!m_cancelEvent || !pipe.Create(generation)) {
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
