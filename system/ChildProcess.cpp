#include "system/ChildProcess.h"

#include <algorithm>
#include <vector>

namespace {

// Whether a child can be handed h by name in its list of inherited handles.
bool CanBeInherited(HANDLE h) {
  if (h == nullptr || h == INVALID_HANDLE_VALUE) return false;
  // Console handles before Windows 8 are not kernel handles (their low two bits are set): a child reaches
  // them through its console, and a list that names them makes the start fail.
  if ((reinterpret_cast<ULONG_PTR>(h) & 3) == 3) return false;
  DWORD flags = 0;
  return GetHandleInformation(h, &flags) && (flags & HANDLE_FLAG_INHERIT) != 0;
}

// The start-up attribute that limits what a child inherits to the handles named in it. Without it a
// child would inherit every inheritable handle of the process at the moment it starts, such as the
// write end of a pipe made for another child, which that pipe's reader would then never see closed.
class CInheritedHandleList {
 public:
  CInheritedHandleList() = default;
  CInheritedHandleList(const CInheritedHandleList&) = delete;
  CInheritedHandleList& operator=(const CInheritedHandleList&) = delete;
  // Keeps the caller's last-error value: it runs after a failed start, before its GetLastError.
  ~CInheritedHandleList() {
    if (!m_list) return;
    const DWORD lastError = GetLastError();
    DeleteProcThreadAttributeList(m_list);
    SetLastError(lastError);
  }

  // Makes the list of the given handles (none may be repeated). False, GetLastError() telling why, when
  // the system cannot make it.
  bool Make(std::vector<HANDLE> handles) {
    m_handles = std::move(handles);
    SIZE_T size = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    m_storage.resize(size);
    auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(m_storage.data());
    if (!InitializeProcThreadAttributeList(list, 1, 0, &size)) return false;
    m_list = list;
    // The list points into m_handles, which must therefore stay as it is until the child has started.
    return UpdateProcThreadAttribute(m_list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, m_handles.data(),
                                     m_handles.size() * sizeof(HANDLE), nullptr, nullptr) != FALSE;
  }

  LPPROC_THREAD_ATTRIBUTE_LIST get() const { return m_list; }

 private:
  std::vector<HANDLE> m_handles;
  std::vector<unsigned char> m_storage;
  LPPROC_THREAD_ATTRIBUTE_LIST m_list = nullptr;
};

}  // namespace

bool StartChildProcess(const std::string& program, const std::string& arguments, const ChildStartOptions& options,
                       ProcessRecord& child) {
  STARTUPINFOEXA startupEx = {};
  STARTUPINFOA& startup = startupEx.StartupInfo;
  if (options.inheritParentStartupInfo) GetStartupInfoA(&startup);
  startup.cb = sizeof(startupEx);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  std::vector<HANDLE> inherited;
  if (options.redirect) {
    startup.dwFlags |= STARTF_USESTDHANDLES;
    startup.hStdOutput = options.output;
    startup.hStdError = options.output;
    if (!options.inheritParentStartupInfo) startup.hStdInput = options.input;
    for (HANDLE h : {startup.hStdInput, startup.hStdOutput, startup.hStdError})
      if (CanBeInherited(h) && std::find(inherited.begin(), inherited.end(), h) == inherited.end())
        inherited.push_back(h);
  }

  // A list may not be empty: a child with nothing to inherit inherits nothing at all.
  const bool inherits = !inherited.empty();
  CInheritedHandleList handleList;
  DWORD flags = 0;
  if (inherits) {
    if (!handleList.Make(std::move(inherited))) return false;
    startupEx.lpAttributeList = handleList.get();
    flags |= EXTENDED_STARTUPINFO_PRESENT;
  }

  // CreateProcess may write into the command line, so it gets a copy of its own.
  std::vector<char> commandLine(arguments.begin(), arguments.end());
  commandLine.push_back('\0');

  PROCESS_INFORMATION info = {};
  if (!CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, inherits, flags, nullptr, nullptr,
                      &startup, &info))
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
