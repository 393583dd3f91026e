#include "app/OneCopyPerFolder.h"

#include <cstdint>

#include "files/FolderKey.h"

namespace {
const char kMutexPrefix[] = "Local\\PushClient.Folder.";
const char kMappingPrefix[] = "Local\\PushClient.Window.";
// The running copy publishes its window only once the window exists; a copy started in that moment waits.
constexpr int kWindowWaitSteps = 50;
constexpr DWORD kWindowWaitStepMs = 100;

HWND PublishedWindow(HANDLE mapping) {
  const void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, sizeof(std::uint64_t));
  if (!view) return nullptr;
  const std::uint64_t value = *static_cast<const volatile std::uint64_t*>(view);
  UnmapViewOfFile(view);
  return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(value));
}

void BringForward(const std::string& key) {
  const std::string name = kMappingPrefix + key;
  for (int step = 0; step < kWindowWaitSteps; ++step) {
    UniqueHandle mapping(OpenFileMappingA(FILE_MAP_READ, FALSE, name.c_str()));
    const HWND window = mapping ? PublishedWindow(mapping.get()) : nullptr;
    if (window && IsWindow(window)) {
      DWORD pid = 0;
      GetWindowThreadProcessId(window, &pid);
      // The copy that was just started is the foreground process and may hand that on.
      AllowSetForegroundWindow(pid);
      PostMessageA(window, COneCopyPerFolder::ShowWindowMessage(), 0, 0);
      return;
    }
    Sleep(kWindowWaitStepMs);
  }
}
}  // namespace

UINT COneCopyPerFolder::ShowWindowMessage() {
  static const UINT message = RegisterWindowMessageA("PushClient.ShowWindow");
  return message;
}

bool COneCopyPerFolder::Claim(const std::string& folder) {
  const std::string key = FolderKey(folder);
  m_mutex.reset(CreateMutexA(nullptr, FALSE, (kMutexPrefix + key).c_str()));
  if (m_mutex && GetLastError() == ERROR_ALREADY_EXISTS) {
    m_mutex.reset();
    BringForward(key);
    return false;
  }
  // Without a mutex (the system refused it) the program runs as it always did, unguarded.
  m_mapping.reset(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(std::uint64_t),
                                     (kMappingPrefix + key).c_str()));
  return true;
}

void COneCopyPerFolder::Publish(HWND window) {
  if (!m_mapping) return;
  void* view = MapViewOfFile(m_mapping.get(), FILE_MAP_WRITE, 0, 0, sizeof(std::uint64_t));
  if (!view) return;
  *static_cast<volatile std::uint64_t*>(view) = reinterpret_cast<std::uintptr_t>(window);
  UnmapViewOfFile(view);
}
