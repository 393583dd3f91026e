#include "recording/RecorderProcess.h"

#include <windows.h>

#include <utility>

#include "streaming/StatusPump.h"
#include "system/ChildProcess.h"
#include "system/UniqueHandle.h"

namespace {
// How long an ended encoder is waited for once it has been ended.
constexpr DWORD kEndWaitMs = 3000;
// The exit code of an encoder that had to be ended: not 0, which ffmpeg gives a run that finished as asked.
constexpr UINT kEndedExitCode = 1;
// What asks ffmpeg to finish: it closes its output as it should, then exits.
constexpr char kQuitKey[] = "q";

// The encoder's standard input: its end inheritable, ours not.
bool MakeInputPipe(UniqueHandle& childEnd, UniqueHandle& ourEnd) {
  SECURITY_ATTRIBUTES inheritable = {sizeof(inheritable), nullptr, TRUE};
  HANDLE read = nullptr;
  HANDLE write = nullptr;
  if (!CreatePipe(&read, &write, &inheritable, 0)) return false;
  childEnd.reset(read);
  ourEnd.reset(write);
  return SetHandleInformation(write, HANDLE_FLAG_INHERIT, 0) != FALSE;
}
}  // namespace

struct CRecorderProcess::Run {
  ProcessRecord pi;
  UniqueHandle input;  // our end of its standard input
  std::unique_ptr<CStatusPump> pump;
  ULONGLONG endSeenMs = 0;  // when Poll first found the process ended
};

CRecorderProcess::CRecorderProcess(std::string program) : m_program(std::move(program)) {}

CRecorderProcess::~CRecorderProcess() { Stop(); }

void CRecorderProcess::Launch(const std::string& arguments) {
  Stop();
  auto run = std::make_unique<Run>();
  UniqueHandle childInput;
  auto pump = std::make_unique<CStatusPump>();
  const bool pumping = pump->Start(std::string(), ++m_launches, "RecorderOutput");
  bool started = false;
  if (pumping && MakeInputPipe(childInput, run->input)) {
    ChildStartOptions options;
    options.redirect = true;
    options.output = pump->ChildEnd();
    options.input = childInput.get();
    started = StartChildProcess(m_program, arguments, options, run->pi);
  }
  // Once the child has its copies, ours go: the pipes then end when the child does.
  if (pumping) pump->ChildStarted();
  childInput.reset();
  m_result = started;
  if (!started) return;
  run->pump = std::move(pump);
  m_run = std::move(run);
}

std::optional<bool> CRecorderProcess::TakeLaunchResult() { return std::exchange(m_result, std::nullopt); }

void CRecorderProcess::Stop() {
  if (!m_run) return;
  // Asked now; a child that has ended already cannot read it, which is as good.
  DWORD written = 0;
  WriteFile(m_run->input.get(), kQuitKey, sizeof kQuitKey - 1, &written, nullptr);
  m_retirer.Queue([run = std::shared_ptr<Run>(std::move(m_run))] { Retire(*run); });
}

// Given kRecorderQuitMs to close its file, then ended, waited for (bounded) and let go.
void CRecorderProcess::Retire(Run& run) {
  const HANDLE process = run.pi.process.get();
  if (WaitForSingleObject(process, static_cast<DWORD>(kRecorderQuitMs)) != WAIT_OBJECT_0) {
    TerminateProcess(process, kEndedExitCode);
    WaitForSingleObject(process, kEndWaitMs);
  }
  run.pi.Reset();
  run.input.reset();
  run.pump->Stop();
}

WaitOutcome CRecorderProcess::Poll(unsigned long& rawResult) {
  rawResult = WAIT_FAILED;
  if (!m_run) return WaitOutcome::Failed;
  return PollEncoder(m_run->pi.process.get(), *m_run->pump, m_run->endSeenMs, rawResult);
}

bool CRecorderProcess::ReadOutputTail(std::string& text) {
  text.clear();
  if (!m_run) return false;
  text = m_run->pump->Recent();
  return true;
}
