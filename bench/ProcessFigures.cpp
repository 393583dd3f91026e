#include "ProcessFigures.h"

#include <psapi.h>

#include <algorithm>
#include <cstdint>
#include <stdexcept>

namespace pushtest {
namespace {

using Clock = std::chrono::steady_clock;

// Layouts of the system handle table as NtQuerySystemInformation hands them out.
constexpr ULONG kSystemHandleInformation = 16;
constexpr ULONG kSystemExtendedHandleInformation = 64;
constexpr LONG kStatusInfoLengthMismatch = static_cast<LONG>(0xC0000004);

struct HandleEntry {
  USHORT ownerPid;
  USHORT creatorBackTraceIndex;
  UCHAR objectTypeIndex;
  UCHAR attributes;
  USHORT value;
  PVOID object;
  ULONG grantedAccess;
};
struct HandleTable {
  ULONG count;
  HandleEntry entries[1];
};
struct HandleEntryEx {
  PVOID object;
  ULONG_PTR ownerPid;
  ULONG_PTR value;
  ULONG grantedAccess;
  USHORT creatorBackTraceIndex;
  USHORT objectTypeIndex;
  ULONG attributes;
  ULONG reserved;
};
struct HandleTableEx {
  ULONG_PTR count;
  ULONG_PTR reserved;
  HandleEntryEx entries[1];
};

using QuerySystemInformation = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
using QueryInformationProcess = LONG(WINAPI*)(HANDLE, ULONG, PVOID, ULONG, PULONG);

// As a plain pointer, which converts to any function type without a warning.
void* NtdllFunction(const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), name));
}

// The whole table of one information class, or empty when the system will not give it.
std::vector<unsigned char> SystemTable(ULONG infoClass) {
  const auto query = reinterpret_cast<QuerySystemInformation>(NtdllFunction("NtQuerySystemInformation"));
  if (!query) return {};
  std::vector<unsigned char> buffer(1 << 16);
  for (int attempt = 0; attempt < 12; ++attempt) {
    ULONG needed = 0;
    const LONG status = query(infoClass, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
    if (status == kStatusInfoLengthMismatch) {
      // The table may grow between two calls: ask for more than it said.
      buffer.resize(std::max<size_t>(buffer.size() * 2, needed + (1 << 16)));
      continue;
    }
    if (status < 0) return {};
    return buffer;
  }
  return {};
}

// The GDI handle table as the system lays it out in each process (24 bytes an entry on 64-bit).
struct GdiEntry {
  UINT64 object;
  USHORT ownerPid;
  USHORT lock;
  UCHAR extTypeAndStock;  // bit 7: a stock object
  UCHAR generation;
  UCHAR type;             // 0: the entry is free
  UCHAR flags;
  UINT64 userPointer;
};
static_assert(sizeof(GdiEntry) == 24, "GDI handle table entries are 24 bytes");
constexpr size_t kGdiMaxEntries = 0x10000;
// Where the PEB of a 64-bit process keeps the address of its GDI handle table.
constexpr size_t kPebGdiTableOffset = 0xF8;

struct ProcessBasicInformation {
  PVOID exitStatus;
  PVOID pebBaseAddress;
  PVOID affinityMask;
  PVOID basePriority;
  ULONG_PTR uniqueProcessId;
  ULONG_PTR inheritedFromUniqueProcessId;
};

long long CommittedPrivateKiB(HANDLE process) {
  unsigned long long bytes = 0;
  MEMORY_BASIC_INFORMATION region = {};
  const char* address = nullptr;
  while (VirtualQueryEx(process, address, &region, sizeof(region)) == sizeof(region)) {
    if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) bytes += region.RegionSize;
    const char* next = static_cast<const char*>(region.BaseAddress) + region.RegionSize;
    if (next <= address) break;
    address = next;
  }
  return bytes ? static_cast<long long>(bytes / 1024) : -1;
}

}  // namespace

long long KernelHandleCount(DWORD pid) {
  std::vector<unsigned char> table = SystemTable(kSystemExtendedHandleInformation);
  if (!table.empty()) {
    const auto* ex = reinterpret_cast<const HandleTableEx*>(table.data());
    long long count = 0;
    for (ULONG_PTR i = 0; i < ex->count; ++i) count += ex->entries[i].ownerPid == pid;
    if (ex->count > 0) return count;
  }
  // The old form only has room for 16-bit process ids.
  table = SystemTable(kSystemHandleInformation);
  if (table.empty() || pid > 0xFFFF) return -1;
  const auto* old = reinterpret_cast<const HandleTable*>(table.data());
  long long count = 0;
  for (ULONG i = 0; i < old->count; ++i) count += old->entries[i].ownerPid == pid;
  return old->count > 0 ? count : -1;
}

long long WindowCount(DWORD pid) {
  struct Count {
    DWORD pid;
    long long windows;
  } count{pid, 0};
  EnumWindows(
      [](HWND window, LPARAM param) -> BOOL {
        auto* c = reinterpret_cast<Count*>(param);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner != c->pid) return TRUE;
        ++c->windows;
        // EnumChildWindows walks every descendant, not only the direct children.
        EnumChildWindows(
            window, [](HWND, LPARAM p) -> BOOL { return ++*reinterpret_cast<long long*>(p), TRUE; },
            reinterpret_cast<LPARAM>(&c->windows));
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&count));
  return count.windows;
}

long long GdiObjectCount(DWORD pid) {
  const auto query = reinterpret_cast<QueryInformationProcess>(NtdllFunction("NtQueryInformationProcess"));
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
  if (!query || !process) {
    if (process) CloseHandle(process);
    return -1;
  }
  long long count = -1;
  ProcessBasicInformation basic = {};
  UINT64 tableAddress = 0;
  SIZE_T read = 0;
  if (query(process, 0 /* ProcessBasicInformation */, &basic, sizeof(basic), nullptr) >= 0 && basic.pebBaseAddress &&
      ReadProcessMemory(process, static_cast<char*>(basic.pebBaseAddress) + kPebGdiTableOffset, &tableAddress,
                        sizeof(tableAddress), &read) &&
      tableAddress) {
    std::vector<GdiEntry> entries(kGdiMaxEntries);
    if (ReadProcessMemory(process, reinterpret_cast<const void*>(static_cast<uintptr_t>(tableAddress)), entries.data(),
                          entries.size() * sizeof(GdiEntry), &read) ||
        read > 0) {
      count = 0;
      for (size_t i = 0; i < read / sizeof(GdiEntry); ++i)
        count += entries[i].type != 0 && (entries[i].extTypeAndStock & 0x80) == 0;
    }
  }
  CloseHandle(process);
  return count;
}

ProcessFigures ReadProcessFigures(DWORD pid) {
  ProcessFigures figures;
  figures.handles = KernelHandleCount(pid);
  figures.windows = WindowCount(pid);
  figures.gdiObjects = GdiObjectCount(pid);
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
  if (process) {
    PROCESS_MEMORY_COUNTERS_EX memory = {};
    memory.cb = sizeof(memory);
    if (GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof(memory))) {
      figures.workingSetKiB = static_cast<long long>(memory.WorkingSetSize / 1024);
      figures.privateKiB = static_cast<long long>(memory.PrivateUsage / 1024);
    }
    // Wine leaves PrivateUsage at 0 for another process: add up its committed private memory instead,
    // which is what the figure means.
    if (figures.privateKiB <= 0) figures.privateKiB = CommittedPrivateKiB(process);
    CloseHandle(process);
  }
  return figures;
}

std::string Figure(long long value) { return value < 0 ? "n/a" : std::to_string(value); }

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const size_t middle = values.size() / 2;
  return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

ResponsivenessSampler::ResponsivenessSampler(HWND window) : m_window(window) {
  m_answersMs.reserve(1 << 14);
  m_thread = std::thread(&ResponsivenessSampler::Run, this);
}

ResponsivenessSampler::~ResponsivenessSampler() {
  m_stop = true;
  if (m_thread.joinable()) m_thread.join();
}

void ResponsivenessSampler::Run() {
  // Long enough to see a listing's whole 15 s bound as one answer, should the window wait for it.
  const UINT kTimeoutMs = 20000;
  auto next = Clock::now();
  while (!m_stop) {
    const auto sent = Clock::now();
    DWORD_PTR result = 0;
    const LRESULT answered = SendMessageTimeoutA(m_window, WM_NULL, 0, 0, SMTO_NORMAL, kTimeoutMs, &result);
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - sent).count();
    if (answered) m_answersMs.push_back(ms);
    else ++m_unanswered;
    next += std::chrono::milliseconds(10);
    const auto now = Clock::now();
    if (next < now) next = now;  // a slow answer does not make the next ones come in a burst
    std::this_thread::sleep_until(next);
  }
}

ResponsivenessSampler::Summary ResponsivenessSampler::Stop() {
  m_stop = true;
  if (m_thread.joinable()) m_thread.join();
  return Summarize(m_answersMs, m_unanswered);
}

ResponsivenessSampler::Summary ResponsivenessSampler::Summarize(const std::vector<double>& answersMs, size_t unanswered) {
  Summary summary;
  summary.samples = answersMs.size();
  summary.unanswered = unanswered;
  summary.medianMs = Median(answersMs);
  for (double ms : answersMs) {
    summary.longestMs = std::max(summary.longestMs, ms);
    if (ms > kStallMs) ++summary.stalls;
    if (ms > kSlowMs) summary.slowMs += ms;
  }
  return summary;
}

TimedLaunch::TimedLaunch(const std::string& exe, const std::string& folder) {
  m_job = CreateJobObjectA(nullptr, nullptr);
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  SetInformationJobObject(m_job, JobObjectExtendedLimitInformation, &limits, sizeof(limits));
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  std::string commandLine = "\"" + exe + "\"";
  const auto start = Clock::now();
  if (!CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, folder.c_str(),
                      &startup, &m_pi))
    throw std::runtime_error("cannot start " + exe + " in " + folder + ": error " + std::to_string(GetLastError()));
  AssignProcessToJobObject(m_job, m_pi.hProcess);
  ResumeThread(m_pi.hThread);
  struct Search {
    DWORD pid;
    HWND found;
  } search{m_pi.dwProcessId, nullptr};
  const auto deadline = start + std::chrono::seconds(30);
  while (Clock::now() < deadline) {
    EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
          auto* s = reinterpret_cast<Search*>(param);
          DWORD owner = 0;
          GetWindowThreadProcessId(window, &owner);
          char name[16] = {};
          GetClassNameA(window, name, sizeof(name));
          if (owner == s->pid && IsWindowVisible(window) && std::string(name) == "#32770") {
            s->found = window;
            return FALSE;
          }
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    if (search.found) {
      m_ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
      m_window = search.found;
      return;
    }
    Sleep(1);
  }
}

TimedLaunch::~TimedLaunch() {
  if (m_pi.hProcess) {
    TerminateProcess(m_pi.hProcess, 99);
    WaitForSingleObject(m_pi.hProcess, 5000);
    CloseHandle(m_pi.hProcess);
    CloseHandle(m_pi.hThread);
  }
  if (m_job) CloseHandle(m_job);
}

}  // namespace pushtest
