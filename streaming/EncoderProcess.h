#pragma once
// The streaming child: the encoder capturing, encoding and publishing, its output going to the status
// file.
#include <string>

#include "framework/ChildProcess.h"
#include "streaming/LiveSession.h"

class CEncoderProcess : public EncoderRunner {
 public:
  ~CEncoderProcess() override { Stop(); }

  // The encoder's path, and the file its output goes to.
  void Locate(const std::string& program, const std::string& statusPath) {
    m_program = program;
    m_statusTarget = statusPath;
  }

  // Starts the encoder with arguments, its output written to a fresh status file. The ended child's
  // handles, if any, are released first.
  LaunchResult Launch(const std::string& arguments) override;

  // Ends the child, if one runs, waits (bounded) until it has gone, and releases its handles: a new
  // encoder must never meet the old one still holding the stream.
  void Stop() override;

  // The end of what the running (or last) encoder wrote to its status file, at most kStatusTailBytes.
  // False when that file was not opened at the launch or cannot be read now: nothing is to be decided
  // from it then.
  bool ReadStatusTail(std::string& text) override;
  static constexpr size_t kStatusTailBytes = 16384;

  bool HasChild() const override { return static_cast<bool>(m_pi.process); }
  // The request belongs to the calling thread: the window's, which lives as long as the program.
  void KeepSystemAwake(bool awake) override;
  WaitOutcome Poll(unsigned long& rawResult) override;

 private:
  std::string m_program;
  std::string m_statusTarget;
  ProcessRecord m_pi;
  std::string m_statusPath;  // empty unless the last launch opened it
};
