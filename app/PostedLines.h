#pragma once
// Lines for the log from threads other than the window's (the alert sender, the settings' writer): only the
// window's thread may touch the log, so they wait here under a lock, the window is told with a posted
// message, and takes them on its own thread.
#include <windows.h>

#include <mutex>
#include <string>
#include <utility>
#include <vector>

class CPostedLines {
 public:
  // Before any line comes.
  void Announce(HWND window, UINT message) {
    m_window = window;
    m_message = message;
  }
  // From any thread.
  void Add(std::string line) {
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_lines.push_back(std::move(line));
    }
    PostMessageA(m_window, m_message, 0, 0);
  }
  // On the window's thread: the lines since the last call, in the order they came.
  std::vector<std::string> Take() {
    std::vector<std::string> lines;
    std::lock_guard<std::mutex> lock(m_mutex);
    lines.swap(m_lines);
    return lines;
  }

 private:
  HWND m_window = nullptr;
  UINT m_message = 0;
  std::mutex m_mutex;
  std::vector<std::string> m_lines;
};
