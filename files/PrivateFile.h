#pragma once
// Files that hold what only their user may read (the stream key is in config.db and in the encoder's
// output): full access for the user this process runs as, SYSTEM and the Administrators, and none for
// anyone else (Everyone, Users, Authenticated Users), whatever the folder would hand down.
#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <utility>

#include "system/UniqueHandle.h"

// What CreatePrivateFile opened, and whether the file got the rights above. It may not have: on a volume
// that keeps no rights at all (FAT32, exFAT, which many USB drives and some system disks use), or when they
// could not be made or set; the file is then open to whoever the folder lets in.
struct PrivateFileResult {
  UniqueFile file;
  bool isPrivate = false;
  explicit operator bool() const { return static_cast<bool>(file); }
};

// CreateFileA for a private file: a file it creates gets the rights above, and an existing file it opens
// is given them (MakeFilePrivate). Opened with normal attributes. On failure the file is empty and
// GetLastError() tells why, as after CreateFileA; on success it tells, as there, whether the file existed.
PrivateFileResult CreatePrivateFile(const std::string& path, DWORD access, DWORD share, DWORD disposition);

// Gives an existing file the rights above in place of its own (a file an earlier version made may be
// readable by everyone). False when they could not be set, or its volume keeps none.
bool MakeFilePrivate(const std::string& path);

// The string form ("S-1-5-21-…") of the user this process runs as, elevated or not; empty when it cannot be
// told.
std::string CurrentUserSid();

// Says once, through the function it was given, that a file could not be made private: what fails for a
// file fails again at each save of it, and once is enough for the user to learn it.
class CNotPrivateNotice {
 public:
  using Tell = std::function<void(const std::string& path)>;
  explicit CNotPrivateNotice(Tell tell = Tell()) : m_tell(std::move(tell)) {}
  CNotPrivateNotice(const CNotPrivateNotice& other) : m_tell(other.m_tell), m_told(other.m_told.load()) {}
  CNotPrivateNotice& operator=(const CNotPrivateNotice& other) {
    m_tell = other.m_tell;
    m_told = other.m_told.load();
    return *this;
  }
  // isPrivate: what making the file private reported. The settings' writer and the window's thread may
  // both write a file: told once between them.
  void Note(bool isPrivate, const std::string& path) {
    if (isPrivate || !m_tell || m_told.exchange(true)) return;
    m_tell(path);
  }

 private:
  Tell m_tell;
  std::atomic<bool> m_told{false};
};

// Security attributes for a CreateFileA of one's own. They apply only to a file the call creates.
class CPrivateFileAttributes {
 public:
  CPrivateFileAttributes();
  ~CPrivateFileAttributes();
  CPrivateFileAttributes(const CPrivateFileAttributes&) = delete;
  CPrivateFileAttributes& operator=(const CPrivateFileAttributes&) = delete;

  // For lpSecurityAttributes (the handle not inheritable); null when the rights could not be made, so
  // that the file then gets the folder's as it would without them.
  SECURITY_ATTRIBUTES* get() { return m_descriptor ? &m_attributes : nullptr; }

 private:
  PSECURITY_DESCRIPTOR m_descriptor;
  SECURITY_ATTRIBUTES m_attributes;
};
