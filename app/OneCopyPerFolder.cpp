#include "app/OneCopyPerFolder.h"

#include <sddl.h>

#include <cstdint>

#include "files/FolderKey.h"
#include "files/PrivateFile.h"

namespace {
const char kMutexPrefix[] = "Local\\PushClient.Folder.";
const char kMappingPrefix[] = "Local\\PushClient.Window.";
// The running copy publishes its window only once the window exists; a copy started in that moment waits.
constexpr int kWindowWaitSteps = 50;
constexpr DWORD kWindowWaitStepMs = 100;

// The folder's mutex and mapping as every copy of this user may open them, elevated or not: all access for
// the user, SYSTEM and the Administrators, and a medium label. Made by an elevated copy (the guide's
// autostart) they would otherwise carry its high label and its default access list, and a copy started
// later without elevation could not open them.
class FolderObjectSecurity {
 public:
  FolderObjectSecurity() {
    const std::string user = CurrentUserSid();
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (user.empty() || !ConvertStringSecurityDescriptorToSecurityDescriptorA(
                            ("D:(A;;GA;;;" + user + ")(A;;GA;;;SY)(A;;GA;;;BA)S:(ML;;NW;;;ME)").c_str(),
                            SDDL_REVISION_1, &descriptor, nullptr))
      return;
    m_descriptor.reset(descriptor);
    m_attributes.lpSecurityDescriptor = descriptor;
  }
  // Null when the descriptor could not be made: the objects then get the system's defaults.
  SECURITY_ATTRIBUTES* get() { return m_descriptor ? &m_attributes : nullptr; }

 private:
  UniqueLocalMemory m_descriptor;
  SECURITY_ATTRIBUTES m_attributes = {sizeof(SECURITY_ATTRIBUTES), nullptr, FALSE};
};

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
    // Made by a copy this process may not look into: waiting will not change that.
    if (!mapping && GetLastError() == ERROR_ACCESS_DENIED) return;
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

// What a create call of a named object found: made by someone else already, or there and not to be opened
// by this process (a copy started elevated by an earlier version, or by another user), the name is taken.
bool TakenByAnother(bool created, DWORD error) {
  return created ? error == ERROR_ALREADY_EXISTS : error == ERROR_ACCESS_DENIED;
}
}  // namespace

UINT COneCopyPerFolder::ShowWindowMessage() {
  static const UINT message = RegisterWindowMessageA("PushClient.ShowWindow");
  return message;
}

bool COneCopyPerFolder::Claim(const std::string& folder) {
  const std::string key = FolderKey(folder);
  FolderObjectSecurity security;
  m_mutex.reset(CreateMutexA(security.get(), FALSE, (kMutexPrefix + key).c_str()));
  bool taken = TakenByAnother(static_cast<bool>(m_mutex), GetLastError());
  // Without a mutex for any other reason (the system refused it) the program runs as it always did,
  // unguarded.
  if (!taken) {
    m_mapping.reset(CreateFileMappingA(INVALID_HANDLE_VALUE, security.get(), PAGE_READWRITE, 0,
                                       sizeof(std::uint64_t), (kMappingPrefix + key).c_str()));
    taken = !m_mapping && GetLastError() == ERROR_ACCESS_DENIED;
  }
  if (!taken) return true;
  m_mutex.reset();
  BringForward(key);
  return false;
}

void COneCopyPerFolder::Publish(HWND window) {
  // The later copy may run without elevation where this one runs elevated: its message must pass the
  // filter that keeps lower processes' messages from higher windows.
  ChangeWindowMessageFilterEx(window, ShowWindowMessage(), MSGFLT_ALLOW, nullptr);
  if (!m_mapping) return;
  void* view = MapViewOfFile(m_mapping.get(), FILE_MAP_WRITE, 0, 0, sizeof(std::uint64_t));
  if (!view) return;
  *static_cast<volatile std::uint64_t*>(view) = reinterpret_cast<std::uintptr_t>(window);
  UnmapViewOfFile(view);
}
