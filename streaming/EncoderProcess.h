#pragma once
// The streaming child: the encoder capturing, encoding and publishing, its output going to the status
// file.
#include <string>

#include "framework/ChildProcess.h"
#include "streaming/Watchdog.h"

class CEncoderProcess {
 public:
  ~CEncoderProcess() { Stop(); }

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

  // The end of what the running (or last) encoder wrote to its status file, at most maxBytes. False when
  // that file was not opened at the launch or cannot be read now: nothing is to be decided from it then.
  bool ReadStatusTail(std::string& text, size_t maxBytes = kStatusTailBytes) const;
  static constexpr size_t kStatusTailBytes = 16384;

  bool HasChild() const { return static_cast<bool>(m_pi.process); }
  // Whether the child has ended, without waiting.
  WaitOutcome Poll(unsigned long& rawResult) const;

 private:
  ProcessRecord m_pi;
  std::string m_statusPath;  // empty unless the last launch opened it
};
