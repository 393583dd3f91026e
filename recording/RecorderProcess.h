#pragma once
// The recording's encoder: a child of its own, apart from the broadcast's, its output read through a pipe
// and kept in memory (CStatusPump without a file), its standard input a pipe of ours, so that 'q' can ask
// it to close its file as it should. Driven from the recording's worker thread alone: the start happens
// there, and the end (a wait of up to kRecorderQuitMs, then TerminateProcess) on a thread of its own.
#include <memory>
#include <optional>
#include <string>

#include "recording/RecordingSession.h"
#include "system/WorkQueue.h"

class CRecorderProcess : public RecorderRunner {
 public:
  explicit CRecorderProcess(std::string program);
  // The running encoder is asked to finish and ended behind the owner's back: nothing waits here.
  ~CRecorderProcess() override;
  CRecorderProcess(const CRecorderProcess&) = delete;
  CRecorderProcess& operator=(const CRecorderProcess&) = delete;

  // Starts at once, on the caller's thread: the result is known when this returns.
  void Launch(const std::string& arguments) override;
  std::optional<bool> TakeLaunchResult() override;
  void Stop() override;
  bool HasChild() const override { return m_run != nullptr; }
  // One that has ended counts as ended once its last words have come through the pipe (or a moment after,
  // should they not).
  WaitOutcome Poll(unsigned long& rawResult) override;
  bool ReadOutputTail(std::string& text) override;

 private:
  struct Run;
  static void Retire(Run& run);

  std::string m_program;
  unsigned long long m_launches = 0;
  std::unique_ptr<Run> m_run;  // the running encoder's; none after Stop or a failed start
  std::optional<bool> m_result;
  CWorkQueue m_retirer;  // ends the encoders let go, in order
};
