#include "LinuxCommand.h"

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace pushtest {
namespace {

// Wine shows the Linux root as drive Z:.
std::string DosPath(const std::string& unixPath) {
  std::string dos = "Z:" + unixPath;
  for (char& c : dos)
    if (c == '/') c = '\\';
  return dos;
}

void RemoveFolder(const std::string& dir) {
  for (const char* name : {"/cmd.sh", "/out", "/status"}) DeleteFileA(DosPath(dir + name).c_str());
  RemoveDirectoryA(DosPath(dir).c_str());
}

}  // namespace

LinuxResult RunLinux(const std::string& shellCommand, Millis timeout) {
  static std::atomic<int> counter{0};
  char folder[128];
  std::snprintf(folder, sizeof(folder), "/tmp/pushclient-linux-%lu-%lu-%d", GetCurrentProcessId(), GetTickCount(),
                ++counter);
  const std::string dir = folder;
  CreateDirectoryA(DosPath(dir).c_str(), nullptr);
  // Process ids come round again: never read what an earlier run left.
  DeleteFileA(DosPath(dir + "/status").c_str());
  DeleteFileA(DosPath(dir + "/out").c_str());
  WriteFileBytes(DosPath(dir + "/cmd.sh"),
                 "(\n" + shellCommand + "\n) >" + dir + "/out 2>&1 </dev/null\necho $? >" + dir + "/status.tmp\nmv " +
                     dir + "/status.tmp " + dir + "/status\n");

  LinuxResult result;
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  std::string commandLine = "/bin/sh " + dir + "/cmd.sh";
  if (!CreateProcessA("Z:\\bin\\sh", &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
    return result;
  if (info.hProcess) CloseHandle(info.hProcess);
  if (info.hThread) CloseHandle(info.hThread);

  const std::string statusFile = DosPath(dir + "/status");
  result.finished = WaitUntil([&] { return FileExists(statusFile); }, timeout, 20ms);
  result.output = ReadFileBytes(DosPath(dir + "/out"));
  if (result.finished) result.status = std::atoi(ReadFileBytes(statusFile).c_str());
  if (result.finished) RemoveFolder(dir);
  return result;
}

}  // namespace pushtest
