#pragma once
// The streaming child: the encoder capturing, encoding and publishing, its output going to the status
// file.
#include <string>

#include "framework/ChildProcess.h"
#include "streaming/Watchdog.h"

class CEncoderProcess {
 public:
  ~CEncoderProcess() { Stop(); }

  // The status file lies at the root of drive C; a machine without a drive C gets it in appDir.
  static std::string StatusFilePath(const std::string& appDir);

  struct LaunchResult {
    bool started = false;     // the child runs
    bool statusFile = false;  // its output reaches the status file
  };
  // Starts program with arguments, its output written to a fresh status file. The ended child's handles,
  // if any, are released first.
  LaunchResult LaunchStream(const std::string& program, const std::string& arguments, const std::string& statusPath);

  // Ends the child, if one runs, waits (bounded) until it has gone, and releases its handles: a new
  // encoder must never meet the old one still holding the stream.
  void Stop();

  bool HasChild() const { return static_cast<bool>(m_pi.process); }
  // Whether the child has ended, without waiting.
  WaitOutcome Poll(unsigned long& rawResult) const;

 private:
  ProcessRecord m_pi;
};
