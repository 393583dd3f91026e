#pragma once
// The streaming child: the encoder capturing, encoding and publishing, its output read through a pipe into
// the status file (CStatusPump).
#include <memory>
#include <string>

#include "system/ChildProcess.h"
#include "streaming/LiveSession.h"
#include "streaming/StatusPump.h"

class CEncoderProcess : public EncoderRunner {
 public:
  ~CEncoderProcess() override { Stop(); }

  // The encoder's path, and the status file its output goes to.
  void Locate(const std::string& program, const std::string& statusPath) {
    m_program = program;
    m_statusPath = statusPath;
  }

  // Starts the encoder with arguments, its output going to a fresh status file. The ended child's
  // handles, if any, are let go first.
  LaunchResult Launch(const std::string& arguments) override;

  // Ends the child, if one runs, waits (bounded) until it has gone, and releases its handles: a new
  // encoder must never meet the old one still holding the stream. The output it wrote is taken to the
  // status file.
  void Stop() override;
  void EndNow() override;

  bool ReadStatusTail(std::string& text) override;
  bool StatusFileFailing() override;
  // True once the running (or last) encoder's status file could not be made private.
  bool StatusFileNotPrivate() const { return m_pump && m_pump->FileNotPrivate(); }

  bool HasChild() const override { return static_cast<bool>(m_pi.process); }
  // The request belongs to the calling thread: the window's, which lives as long as the program.
  void KeepSystemAwake(bool awake) override;
  WaitOutcome Poll(unsigned long& rawResult) override;

 private:
  std::string m_program;
  std::string m_statusPath;
  ProcessRecord m_pi;
  // Of the running (or last) encoder; none when its output could not be read.
  std::unique_ptr<CStatusPump> m_pump;
  unsigned long long m_launches = 0;
};
