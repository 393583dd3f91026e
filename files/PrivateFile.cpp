#include "files/PrivateFile.h"

#include <sddl.h>

#include <vector>

std::string CurrentUserSid() {
  UniqueHandle token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put())) return std::string();
  DWORD size = 0;
  GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
  std::vector<unsigned char> user(size);
  if (size == 0 || !GetTokenInformation(token.get(), TokenUser, user.data(), size, &size)) return std::string();
  char* text = nullptr;
  if (!ConvertSidToStringSidA(reinterpret_cast<const TOKEN_USER*>(user.data())->User.Sid, &text)) return std::string();
  const std::string sid = text;
  LocalFree(text);
  return sid;
}

namespace {

// Full access (FA) for the user, SYSTEM (SY) and the Administrators (BA); nobody else is named, so nobody
// else gets in. Protected (P): the folder's inheritable entries are not added.
PSECURITY_DESCRIPTOR MakePrivateDescriptor() {
  const std::string user = CurrentUserSid();
  if (user.empty()) return nullptr;
  const std::string sddl = "D:P(A;;FA;;;" + user + ")(A;;FA;;;SY)(A;;FA;;;BA)";
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl.c_str(), SDDL_REVISION_1, &descriptor, nullptr))
    return nullptr;
  return descriptor;
}

// FAT32 and exFAT keep no rights: every file there is open to everyone, whatever a call asked for, and
// setting rights there need not fail. A volume that cannot be asked is taken at its word.
bool VolumeKeepsRights(const std::string& path) {
  char root[MAX_PATH] = {};
  DWORD flags = 0;
  if (!GetVolumePathNameA(path.c_str(), root, sizeof(root)) ||
      !GetVolumeInformationA(root, nullptr, 0, nullptr, nullptr, &flags, nullptr, 0))
    return true;
  return (flags & FILE_PERSISTENT_ACLS) != 0;
}

}  // namespace

CPrivateFileAttributes::CPrivateFileAttributes() : m_descriptor(MakePrivateDescriptor()) {
  m_attributes.nLength = sizeof(m_attributes);
  m_attributes.lpSecurityDescriptor = m_descriptor;
  m_attributes.bInheritHandle = FALSE;
}

CPrivateFileAttributes::~CPrivateFileAttributes() {
  if (m_descriptor) LocalFree(m_descriptor);
}

// SetFileSecurityA rather than SetNamedSecurityInfoA: Wine's SetNamedSecurityInfoA (and SetSecurityInfo)
// report success and leave the file's rights as they were.
bool MakeFilePrivate(const std::string& path) {
  CPrivateFileAttributes attributes;
  const SECURITY_ATTRIBUTES* privateFile = attributes.get();
  return privateFile &&
         SetFileSecurityA(path.c_str(), DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                          privateFile->lpSecurityDescriptor) != FALSE &&
         VolumeKeepsRights(path);
}

PrivateFileResult CreatePrivateFile(const std::string& path, DWORD access, DWORD share, DWORD disposition) {
  CPrivateFileAttributes attributes;
  PrivateFileResult result;
  result.file.reset(
      CreateFileA(path.c_str(), access, share, attributes.get(), disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!result.file) return result;
  // CreateFileA gives the rights only to a file it creates; one it opened keeps its own until told.
  const DWORD opened = GetLastError();
  if (disposition == OPEN_EXISTING || disposition == TRUNCATE_EXISTING || opened == ERROR_ALREADY_EXISTS)
    result.isPrivate = MakeFilePrivate(path);
  else
    result.isPrivate = attributes.get() && VolumeKeepsRights(path);
  SetLastError(opened);
  return result;
}
