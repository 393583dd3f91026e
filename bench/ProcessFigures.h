#pragma once
// What the benchmarks read about another process from outside: kernel handles, windows, GDI objects,
// memory, and how quickly its window answers. Every figure that cannot be had here reads as -1 ("n/a").
#include <windows.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace pushtest {

struct ProcessFigures {
  long long handles = -1;     // kernel handles the process holds (system handle table)
  long long windows = -1;     // USER objects: its top-level windows and all their descendants
  long long gdiObjects = -1;  // live entries of its GDI handle table, stock objects left out
  long long workingSetKiB = -1;
  long long privateKiB = -1;
};

// Kernel handles owned by pid, from the system's handle table (the extended form first, then the old
// one); -1 when neither answers.
long long KernelHandleCount(DWORD pid);
long long WindowCount(DWORD pid);
long long GdiObjectCount(DWORD pid);
ProcessFigures ReadProcessFigures(DWORD pid);

// "n/a" for -1, the number otherwise.
std::string Figure(long long value);

// Sends WM_NULL to a window every 10 ms from a thread of its own and records how long each answer takes:
// what a person clicking at any moment would wait before the window reacts.
class ResponsivenessSampler {
 public:
  struct Summary {
    size_t samples = 0;
    double medianMs = 0;
    double longestMs = 0;
    size_t stalls = 0;     // answers slower than kStallMs
    double slowMs = 0;     // the answer times of all answers slower than kSlowMs, added up
    size_t unanswered = 0; // no answer within the send's timeout
  };
  static constexpr double kStallMs = 50;
  static constexpr double kSlowMs = 10;

  explicit ResponsivenessSampler(HWND window);
  ~ResponsivenessSampler();
  ResponsivenessSampler(const ResponsivenessSampler&) = delete;
  ResponsivenessSampler& operator=(const ResponsivenessSampler&) = delete;
  // Ends the sampling and sums it up.
  Summary Stop();
  // Every answer's time, once stopped: the answers of several samplings are summed up together.
  const std::vector<double>& AnswersMs() const { return m_answersMs; }
  static Summary Summarize(const std::vector<double>& answersMs, size_t unanswered = 0);

 private:
  void Run();
  HWND m_window;
  std::atomic<bool> m_stop{false};
  std::vector<double> m_answersMs;
  size_t m_unanswered = 0;
  std::thread m_thread;
};

// Starts an exe in a folder, inside a kill-on-close job of its own, and times it until its first
// dialog is visible, polling every millisecond. The process ends with the object.
class TimedLaunch {
 public:
  TimedLaunch(const std::string& exe, const std::string& folder);
  ~TimedLaunch();
  TimedLaunch(const TimedLaunch&) = delete;
  TimedLaunch& operator=(const TimedLaunch&) = delete;
  // Milliseconds from CreateProcess to a visible dialog of the process; -1 if none came in time.
  double MillisToVisible() const { return m_ms; }
  DWORD ProcessId() const { return m_pi.dwProcessId; }
  HWND Window() const { return m_window; }

 private:
  PROCESS_INFORMATION m_pi = {};
  HANDLE m_job = nullptr;
  HWND m_window = nullptr;
  double m_ms = -1;
};

double Median(std::vector<double> values);

}  // namespace pushtest
