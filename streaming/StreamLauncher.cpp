// Starting the encoder as the streaming child, its output going to the status file.
#include <windows.h>

#include "app/PushClientDlg.h"
#include "encoder/EncoderCommandLine.h"
#include "framework/UniqueHandle.h"

namespace {
const char kStatusFilePath[] = "c://NetStatus.txt";
const char kStatusFileName[] = "\\NetStatus.txt";

bool IsNtFamily() {
  OSVERSIONINFOA version = {};
  version.dwOSVersionInfoSize = sizeof(version);
#if defined(_MSC_VER)
#pragma warning(suppress : 4996)  // only the platform id is wanted, which the deprecation does not affect
#endif
  return GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_NT;
}
}  // namespace

// The status file lies at the root of drive C; a machine without a drive C gets it in the program's folder.
std::string CPushClientDlg::StatusFilePath() const {
  if (GetDriveTypeA("C:\\") == DRIVE_NO_ROOT_DIR) return m_strAppDir + kStatusFileName;
  return kStatusFilePath;
}

void CPushClientDlg::LaunchStream() {
  // A position from a hand-edited config.db may name no entry: never read outside the list.
  std::string bitrate;
  if (m_nBitrateIndex >= 0 && m_nBitrateIndex < m_comboBitrate.GetCount())
    bitrate = m_comboBitrate.GetLBText(m_nBitrateIndex);
  if (bitrate.empty()) bitrate = BitrateTextForIndex(m_nBitrateIndex);
  const std::string arguments = BuildStreamArgs(m_strDevice, bitrate, m_strServer);

  // Opened without truncation: each launch writes from the start over what an earlier run left.
  // On the NT family the handle is inheritable so that the child's output reaches the file.
  UniqueFile status;
  if (IsNtFamily()) {
    SECURITY_ATTRIBUTES inheritable = {sizeof(inheritable), nullptr, TRUE};
    status.reset(CreateFileA(StatusFilePath().c_str(), GENERIC_WRITE,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inheritable, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
  } else {
    status.reset(CreateFileA(StatusFilePath().c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  }

  // The ended child's handles go before the new child's come.
  m_pi.Reset();
  ChildStartOptions options;
  options.redirect = true;
  options.output = status.get();
  // The outcome is not looked at here: the watchdog notices a child that did not start or has ended.
  StartChildProcess(m_strEncoderPath, arguments, options, m_pi);
}

// Called when another bitrate is picked; it takes effect at the next launch or relaunch.
void CPushClientDlg::OnCbnSelchangeBitrate() { m_nBitrateIndex = m_comboBitrate.GetCurSel(); }
