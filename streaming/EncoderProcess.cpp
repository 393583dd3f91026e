#include "streaming/EncoderProcess.h"

#include <windows.h>

#include "framework/UniqueHandle.h"

namespace {
// How long a stop waits for the ended encoder to be gone.
constexpr DWORD kStopWaitMs = 3000;

bool IsNtFamily() {
  OSVERSIONINFOA version = {};
  version.dwOSVersionInfoSize = sizeof(version);
#if defined(_MSC_VER)
#pragma warning(suppress : 4996)  // only the platform id is wanted, which the deprecation does not affect
#endif
  return GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

WaitOutcome ToWaitOutcome(DWORD result) {
  switch (result) {
    case WAIT_TIMEOUT:
      return WaitOutcome::Running;
    case WAIT_OBJECT_0:
      return WaitOutcome::Ended;
    case WAIT_FAILED:
      return WaitOutcome::Failed;
    default:
      return WaitOutcome::Other;
  }
}
}  // namespace

EncoderRunner::LaunchResult CEncoderProcess::Launch(const std::string& arguments) {
  // Emptied at each launch, so that what it holds is this run's output alone. Others may read it while
  // the encoder writes. On the NT family the handle is inheritable so that the child's output reaches it.
  UniqueFile status;
  const bool nt = IsNtFamily();
  SECURITY_ATTRIBUTES inheritable = {sizeof(inheritable), nullptr, TRUE};
  status.reset(CreateFileA(m_statusTarget.c_str(), GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | (nt ? FILE_SHARE_DELETE : 0), nt ? &inheritable : nullptr,
                           CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));

  // The ended child's handles go before the new child's come.
  m_pi.Reset();
  ChildStartOptions options;
  options.redirect = true;
  options.output = status ? status.get() : nullptr;
  LaunchResult result;
  result.statusFile = static_cast<bool>(status);
  m_statusPath = result.statusFile ? m_statusTarget : std::string();
  result.started = StartChildProcess(m_program, arguments, options, m_pi);
  return result;
}

void CEncoderProcess::Stop() {
  if (m_pi.process) {
    TerminateProcess(m_pi.process.get(), 0);
    WaitForSingleObject(m_pi.process.get(), kStopWaitMs);
  }
  m_pi.Reset();
}

void CEncoderProcess::KeepSystemAwake(bool awake) {
  SetThreadExecutionState(awake ? ES_CONTINUOUS | ES_SYSTEM_REQUIRED : ES_CONTINUOUS);
}

WaitOutcome CEncoderProcess::Poll(unsigned long& rawResult) {
  rawResult = WaitForSingleObject(m_pi.process.get(), 0);
  return ToWaitOutcome(rawResult);
}

bool CEncoderProcess::ReadStatusTail(std::string& text) {
  const size_t maxBytes = kStatusTailBytes;
  text.clear();
  if (m_statusPath.empty()) return false;
  // The encoder holds the file open for writing; reading beside it needs every sharing right.
  UniqueFile file(CreateFileA(m_statusPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  LARGE_INTEGER size = {};
  if (!GetFileSizeEx(file.get(), &size)) return false;
  const LONGLONG start = size.QuadPart > static_cast<LONGLONG>(maxBytes) ? size.QuadPart - static_cast<LONGLONG>(maxBytes) : 0;
  LARGE_INTEGER offset = {};
  offset.QuadPart = start;
  if (!SetFilePointerEx(file.get(), offset, nullptr, FILE_BEGIN)) return false;
  text.resize(static_cast<size_t>(size.QuadPart - start));
  DWORD read = 0;
  if (!text.empty() && !ReadFile(file.get(), &text[0], static_cast<DWORD>(text.size()), &read, nullptr)) return false;
  text.resize(read);
  return true;
}
