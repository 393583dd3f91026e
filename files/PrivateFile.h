#pragma once
// Files that hold what only their user may read (the stream key is in config.db and in the encoder's
// output): full access for the user this process runs as, SYSTEM and the Administrators, and none for
// anyone else (Everyone, Users, Authenticated Users), whatever the folder would hand down.
#include <windows.h>

#include <string>

#include "framework/UniqueHandle.h"

// CreateFileA for a private file: a file it creates gets the rights above, and an existing file it opens
// is given them (MakeFilePrivate). Opened with normal attributes. On failure the file is empty and
// GetLastError() tells why, as after CreateFileA; on success it tells, as there, whether the file existed.
UniqueFile CreatePrivateFile(const std::string& path, DWORD access, DWORD share, DWORD disposition);

// Gives an existing file the rights above in place of its own (a file an earlier version made may be
// readable by everyone). False when they could not be set.
bool MakeFilePrivate(const std::string& path);

// Security attributes for a CreateFileA of one's own. They apply only to a file the call creates.
class PrivateFileAttributes {
 public:
  PrivateFileAttributes();
  ~PrivateFileAttributes();
  PrivateFileAttributes(const PrivateFileAttributes&) = delete;
  PrivateFileAttributes& operator=(const PrivateFileAttributes&) = delete;

  // For lpSecurityAttributes (the handle not inheritable); null when the rights could not be made, so
  // that the file then gets the folder's as it would without them.
  SECURITY_ATTRIBUTES* get() { return m_descriptor ? &m_attributes : nullptr; }

 private:
  PSECURITY_DESCRIPTOR m_descriptor;
  SECURITY_ATTRIBUTES m_attributes;
};
