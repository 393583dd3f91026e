#include "streaming/StatusPump.h"

#include <system_error>

#include "files/PrivateFile.h"

CStatusPump::CStatusPump()
    : m_stop(CreateEventA(nullptr, TRUE, FALSE, nullptr)), m_ended(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}

bool CStatusPump::Start(const std::string& statusPath, unsigned long long serial, const std::string& purpose) {
  if (!m_stop || !m_ended || !m_pipe.Create(purpose, serial)) return false;
  m_path = statusPath;
  try {
    m_thread = std::thread(&CStatusPump::Run, this);
  } catch (const std::system_error&) {
    return false;
  }
  return true;
}

void CStatusPump::Stop() {
  if (m_stop) SetEvent(m_stop.get());
  if (m_thread.joinable()) m_thread.join();
}

std::string CStatusPump::Recent() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_record.Recent();
}

void CStatusPump::Run() {
  // The run's file, empty, before the encoder has said anything: what it holds is this run's alone.
  if (!m_path.empty()) m_failing = m_fileBehind = !Write({true, std::string()});
  std::string output;
  m_pipe.Read(output);
  for (;;) {
    Take(output);
    output.clear();
    const HANDLE events[] = {m_pipe.ReadFinished(), m_stop.get()};
    // No read under way: every writer has closed its end.
    if (!events[0]) break;
    if (WaitForMultipleObjects(2, events, FALSE, INFINITE) != WAIT_OBJECT_0) {
      m_pipe.Drain(output);
      Take(output);
      break;
    }
    m_pipe.Read(output);
  }
  SetEvent(m_ended.get());
}

void CStatusPump::Take(const std::string& output) {
  if (output.empty()) return;
  StatusRecord::FileWrite write;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    write = m_record.Take(output);
    if (m_fileBehind) write = m_record.StartOver();
  }
  if (!m_path.empty()) m_failing = m_fileBehind = !Write(write);
}

// Opened for each write and closed at once. A file that is new, missed a write or is gone is made (again),
// private: the encoder names the publish address, stream key included.
bool CStatusPump::Write(const StatusRecord::FileWrite& write) {
  constexpr DWORD kShare = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  UniqueFile file;
  if (!m_fileBehind) file.reset(CreateFileA(m_path.c_str(), GENERIC_WRITE, kShare, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    PrivateFileResult made = CreatePrivateFile(m_path, GENERIC_WRITE, kShare, OPEN_ALWAYS);
    if (!made) return false;
    if (!made.isPrivate) m_notPrivate = true;
    file = std::move(made.file);
  }
  const LARGE_INTEGER start = {};
  if (!SetFilePointerEx(file.get(), start, nullptr, write.startOver ? FILE_BEGIN : FILE_END)) return false;
  for (std::size_t done = 0; done < write.bytes.size();) {
    DWORD written = 0;
    if (!WriteFile(file.get(), write.bytes.data() + done, static_cast<DWORD>(write.bytes.size() - done), &written,
                   nullptr) ||
        written == 0)
      return false;
    done += written;
  }
  return !write.startOver || SetEndOfFile(file.get());
}

namespace {

// How long an ended encoder's last words may take to come through the pipe before it counts as ended
// all the same (a grandchild holding the pipe's end open).
constexpr ULONGLONG kLastWordsWaitMs = 1000;

}  // namespace

WaitOutcome ToWaitOutcome(unsigned long result) {
  switch (result) {
    case WAIT_TIMEOUT:
      return WaitOutcome::Running;
    case WAIT_OBJECT_0:
      return WaitOutcome::Ended;
    case WAIT_FAILED:
      return WaitOutcome::Failed;
    default:
      return WaitOutcome::Other;
  }
}

WaitOutcome PollEncoder(HANDLE process, const CStatusPump& pump, unsigned long long& endSeenMs,
                        unsigned long& rawResult) {
  rawResult = WaitForSingleObject(process, 0);
  const WaitOutcome outcome = ToWaitOutcome(rawResult);
  if (outcome != WaitOutcome::Ended) return outcome;
  const ULONGLONG nowMs = GetTickCount64();
  if (!endSeenMs) endSeenMs = nowMs;
  if (!pump.Drained() && nowMs - endSeenMs < kLastWordsWaitMs) {
    rawResult = WAIT_TIMEOUT;
    return WaitOutcome::Running;
  }
  return outcome;
}
