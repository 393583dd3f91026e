#pragma once
// Runs a shell command of the Linux machine underneath Wine and collects its output. A Linux program
// started from a Windows one gets no usable process handle and cannot write into a pipe, so the command
// writes its output and its exit status into files that are polled.
#include <string>

#include "AppUnderTest.h"

namespace pushtest {

struct LinuxResult {
  bool finished = false;  // false: still running when the timeout came
  int status = -1;
  std::string output;     // stdout and stderr together
};

LinuxResult RunLinux(const std::string& shellCommand, Millis timeout = 30s);

}  // namespace pushtest
