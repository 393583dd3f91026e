#include "streaming/EncoderProcess.h"

#include <windows.h>

#include <mutex>
#include <utility>

namespace {
// How long the end of an encoder is waited for before it is let go.
constexpr DWORD kStopWaitMs = 3000;
}  // namespace

// One encoder run, shared by the window's thread and the launcher's. The launcher writes it under the
// lock; the window's thread only looks.
struct CEncoderProcess::Run {
  enum class State { Starting, Started, Failed };
  mutable std::mutex mutex;
  State state = State::Starting;
  bool stopped = false;  // Stop came: a start not yet made is not made
  ProcessRecord pi;
  std::unique_ptr<CStatusPump> pump;
  std::optional<LaunchResult> result;  // until taken
  ULONGLONG endSeenMs = 0;            // when Poll first found the process ended
};

// The program is ending: what was queued is done (every encoder ended and waited for) before it goes.
CEncoderProcess::~CEncoderProcess() {
  Stop();
  m_launcher.WaitUntilIdle();
}

void CEncoderProcess::Launch(const std::string& arguments) {
  Stop();
  m_run = std::make_shared<Run>();
  m_launcher.Queue([run = m_run, program = m_program, arguments, statusPath = m_statusPath, serial = ++m_launches] {
    Start(*run, program, arguments, statusPath, serial);
  });
}

void CEncoderProcess::Start(Run& run, const std::string& program, const std::string& arguments,
                            const std::string& statusPath, unsigned long long serial) {
  {
    std::lock_guard<std::mutex> lock(run.mutex);
    if (run.stopped) return;
  }
  auto pump = std::make_unique<CStatusPump>();
  const bool pumping = pump->Start(statusPath, serial);
  ChildStartOptions options;
  options.redirect = true;
  options.output = pumping ? pump->ChildEnd() : nullptr;
  ProcessRecord pi;
  const bool started = StartChildProcess(program, arguments, options, pi);
  if (pumping) pump->ChildStarted();
  std::lock_guard<std::mutex> lock(run.mutex);
  run.pi = std::move(pi);
  if (pumping) run.pump = std::move(pump);
  run.state = started ? Run::State::Started : Run::State::Failed;
  run.result = LaunchResult{started, pumping};
  // Switched off while it was being started: ended at once, by the retirement queued behind this.
  if (run.stopped && run.pi.process) TerminateProcess(run.pi.process.get(), 0);
}

std::optional<EncoderRunner::LaunchResult> CEncoderProcess::TakeLaunchResult() {
  if (!m_run) return std::nullopt;
  std::lock_guard<std::mutex> lock(m_run->mutex);
  return std::exchange(m_run->result, std::nullopt);
}

void CEncoderProcess::Stop() {
  if (!m_run) return;
  {
    std::lock_guard<std::mutex> lock(m_run->mutex);
    m_run->stopped = true;
    // Ended now, so that it stops publishing at once; waited for and let go behind the window's back.
    if (m_run->pi.process) TerminateProcess(m_run->pi.process.get(), 0);
  }
  m_launcher.Queue([run = std::move(m_run)] { Retire(*run); });
  m_run.reset();
}

void CEncoderProcess::Retire(Run& run) {
  std::unique_ptr<CStatusPump> pump;
  ProcessRecord pi;
  {
    std::lock_guard<std::mutex> lock(run.mutex);
    pi = std::move(run.pi);
    pump = std::move(run.pump);
  }
  if (pi.process) {
    TerminateProcess(pi.process.get(), 0);
    WaitForSingleObject(pi.process.get(), kStopWaitMs);
  }
  pi.Reset();
  // What it wrote is taken to the status file.
  if (pump) pump->Stop();
}

void CEncoderProcess::KeepSystemAwake(bool awake) {
  SetThreadExecutionState(awake ? ES_CONTINUOUS | ES_SYSTEM_REQUIRED : ES_CONTINUOUS);
}

bool CEncoderProcess::HasChild() const {
  if (!m_run) return false;
  std::lock_guard<std::mutex> lock(m_run->mutex);
  return m_run->state != Run::State::Failed;
}

WaitOutcome CEncoderProcess::Poll(unsigned long& rawResult) {
  rawResult = WAIT_FAILED;
  if (!m_run) return WaitOutcome::Failed;
  std::lock_guard<std::mutex> lock(m_run->mutex);
  if (m_run->state == Run::State::Failed) return WaitOutcome::Failed;
  if (m_run->state == Run::State::Starting) {
    rawResult = WAIT_TIMEOUT;
    return WaitOutcome::Running;
  }
  if (!m_run->pump) return ToWaitOutcome(rawResult = WaitForSingleObject(m_run->pi.process.get(), 0));
  return PollEncoder(m_run->pi.process.get(), *m_run->pump, m_run->endSeenMs, rawResult);
}

bool CEncoderProcess::ReadStatusTail(std::string& text) {
  text.clear();
  if (!m_run) return false;
  std::lock_guard<std::mutex> lock(m_run->mutex);
  if (!m_run->pump) return m_run->state == Run::State::Starting;
  text = m_run->pump->Recent();
  return true;
}

bool CEncoderProcess::StatusFileFailing() {
  if (!m_run) return false;
  std::lock_guard<std::mutex> lock(m_run->mutex);
  return m_run->pump && m_run->pump->FileFailing();
}

bool CEncoderProcess::StatusFileNotPrivate() const {
  if (!m_run) return false;
  std::lock_guard<std::mutex> lock(m_run->mutex);
  return m_run->pump && m_run->pump->FileNotPrivate();
}
