#include "framework/ChildProcess.h"

#include <vector>

bool StartChildProcess(const std::string& program, const std::string& arguments, const ChildStartOptions& options,
                       ProcessRecord& child) {
  STARTUPINFOA startup = {};
  if (options.inheritParentStartupInfo) GetStartupInfoA(&startup);
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  if (options.redirect) {
    startup.dwFlags |= STARTF_USESTDHANDLES;
    startup.hStdOutput = options.output;
    startup.hStdError = options.output;
    if (!options.inheritParentStartupInfo) startup.hStdInput = options.input;
  }

  // CreateProcess may write into the command line, so it gets a copy of its own.
  std::vector<char> commandLine(arguments.begin(), arguments.end());
  commandLine.push_back('\0');

  PROCESS_INFORMATION info = {};
  if (!CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                      &info))
    return false;
  child.process.reset(info.hProcess);
  child.thread.reset(info.hThread);
  child.processId = info.dwProcessId;
  child.threadId = info.dwThreadId;
  return true;
}

void TieChildrenToThisProcess() {
  UniqueHandle job(CreateJobObjectA(nullptr, nullptr));
  if (!job) return;
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  // Where jobs cannot nest (the process already sits in another job on an older system), the children
  // are still ended by the program's own stop and close paths. The job's handle is never closed by us:
  // the system closes it when the process is gone, and that ends the children.
  if (SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits, sizeof(limits)) &&
      AssignProcessToJobObject(job.get(), GetCurrentProcess()))
    job.release();
}

std::unique_lock<std::mutex> LockChildStart() {
  static std::mutex startLock;
  return std::unique_lock<std::mutex>(startLock);
}
