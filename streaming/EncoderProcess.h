#pragma once
// The streaming child: the encoder capturing, encoding and publishing, its output read through a pipe into
// the status file (CStatusPump). Starting a process and waiting for one to be gone take the system tens of
// milliseconds, at times far more: both happen on a thread of this object's own, in order, so that a new
// encoder never meets the old one still holding the stream, and the window's thread never waits for them.
#include <memory>
#include <string>

#include "streaming/LiveSession.h"
#include "streaming/StatusPump.h"
#include "system/ChildProcess.h"
#include "system/WorkQueue.h"

class CEncoderProcess : public EncoderRunner {
 public:
  CEncoderProcess() = default;
  // Every encoder it started is ended, and waited for (bounded), before it returns.
  ~CEncoderProcess() override;
  CEncoderProcess(const CEncoderProcess&) = delete;
  CEncoderProcess& operator=(const CEncoderProcess&) = delete;

  // The encoder's path, and the status file its output goes to.
  void Locate(const std::string& program, const std::string& statusPath) {
    m_program = program;
    m_statusPath = statusPath;
  }

  // Starts the encoder with arguments on the launcher's thread, after the ended child (if any) has gone.
  void Launch(const std::string& arguments) override;
  std::optional<LaunchResult> TakeLaunchResult() override;

  // Ends the child, if one runs or is being started: it is ended, waited for (bounded) and let go on the
  // launcher's thread, and a start not yet made is not made. Its output is taken to the status file.
  void Stop() override;

  bool ReadStatusTail(std::string& text) override;
  bool StatusFileFailing() override;
  // True once the running (or last) encoder's status file could not be made private.
  bool StatusFileNotPrivate() const;

  // A child being started counts as one.
  bool HasChild() const override;
  // The request belongs to the calling thread: the window's, which lives as long as the program.
  void KeepSystemAwake(bool awake) override;
  // An encoder being started runs; one that has ended counts as ended once its last words have come
  // through the pipe (or a moment after, should they not).
  WaitOutcome Poll(unsigned long& rawResult) override;

 private:
  struct Run;
  static void Start(Run& run, const std::string& program, const std::string& arguments,
                    const std::string& statusPath, unsigned long long serial);
  static void Retire(Run& run);

  std::string m_program;
  std::string m_statusPath;
  unsigned long long m_launches = 0;
  std::shared_ptr<Run> m_run;  // the current encoder's; none after Stop
  // The launcher: the starts and ends of encoders, in order.
  CWorkQueue m_launcher;
};
