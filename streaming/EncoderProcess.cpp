#include "streaming/EncoderProcess.h"

#include <windows.h>

#include "system/UniqueHandle.h"

namespace {
// How long a stop waits for the ended encoder to be gone.
constexpr DWORD kStopWaitMs = 3000;
// How long a look at an encoder found ended waits for its last words to come through the pipe (once).
constexpr DWORD kLastWordsWaitMs = 1000;

WaitOutcome ToWaitOutcome(DWORD result) {
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
}  // namespace

EncoderRunner::LaunchResult CEncoderProcess::Launch(const std::string& arguments) {
  // The ended child's handles and its pump go before the new child's come.
  m_pi.Reset();
  m_pump.reset();

  auto pump = std::make_unique<CStatusPump>();
  const bool pumping = pump->Start(m_statusPath, ++m_launches);

  ChildStartOptions options;
  options.redirect = true;
  options.output = pumping ? pump->ChildEnd() : nullptr;
  LaunchResult result;
  result.started = StartChildProcess(m_program, arguments, options, m_pi);
  result.outputRead = pumping;
  if (pumping) {
    pump->ChildStarted();
    m_pump = std::move(pump);
  }
  return result;
}

void CEncoderProcess::Stop() {
  if (m_pi.process) {
    TerminateProcess(m_pi.process.get(), 0);
    WaitForSingleObject(m_pi.process.get(), kStopWaitMs);
  }
  m_pi.Reset();
  if (m_pump) m_pump->Stop();
}

void CEncoderProcess::EndNow() {
  if (m_pi.process) TerminateProcess(m_pi.process.get(), 0);
  m_pi.Reset();
}

void CEncoderProcess::KeepSystemAwake(bool awake) {
  SetThreadExecutionState(awake ? ES_CONTINUOUS | ES_SYSTEM_REQUIRED : ES_CONTINUOUS);
}

WaitOutcome CEncoderProcess::Poll(unsigned long& rawResult) {
  rawResult = WaitForSingleObject(m_pi.process.get(), 0);
  const WaitOutcome outcome = ToWaitOutcome(rawResult);
  // Whoever learns that the encoder has ended reads its last words next: they are taken from the pipe
  // first.
  if (outcome == WaitOutcome::Ended && m_pump) m_pump->AwaitEnd(kLastWordsWaitMs);
  return outcome;
}

bool CEncoderProcess::ReadStatusTail(std::string& text) {
  text.clear();
  if (!m_pump) return false;
  text = m_pump->Recent();
  return true;
}

bool CEncoderProcess::StatusFileFailing() { return m_pump && m_pump->FileFailing(); }
