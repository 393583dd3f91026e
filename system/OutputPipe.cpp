#include "system/OutputPipe.h"

COutputPipe::COutputPipe(DWORD bufferBytes) : m_buffer(bufferBytes) {}

COutputPipe::~COutputPipe() {
  if (m_pending) {
    CancelIo(m_readEnd.get());
    DWORD read = 0;
    GetOverlappedResult(m_readEnd.get(), &m_overlapped, &read, TRUE);
  }
}

bool COutputPipe::Create(const std::string& purpose, unsigned long long serial) {
  m_readFinished.reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  if (!m_readFinished) return false;
  m_overlapped.hEvent = m_readFinished.get();
  // Made as the first instance of its name, or not at all: never a pipe someone else made under it.
  const std::string name = "\\\\.\\pipe\\PushClient." + purpose + "." + std::to_string(GetCurrentProcessId()) + "." +
                           std::to_string(serial);
  const DWORD size = static_cast<DWORD>(m_buffer.size());
  m_readEnd.reset(CreateNamedPipeA(name.c_str(), PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
                                   PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1, 0,
                                   size, 0, nullptr));
  if (!m_readEnd) return false;
  SECURITY_ATTRIBUTES inheritable = {sizeof(inheritable), nullptr, TRUE};
  m_childEnd.reset(CreateFileA(name.c_str(), GENERIC_WRITE | FILE_READ_ATTRIBUTES, 0, &inheritable, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
  return static_cast<bool>(m_childEnd);
}

void COutputPipe::Read(std::string& output) {
  if (m_pending && !Collect(output, FALSE)) return;
  for (;;) {
    if (!ReadFile(m_readEnd.get(), m_buffer.data(), static_cast<DWORD>(m_buffer.size()), nullptr, &m_overlapped)) {
      // Anything else: every copy of the child's end is closed, or the pipe failed.
      m_pending = GetLastError() == ERROR_IO_PENDING;
      return;
    }
    m_pending = true;
    if (!Collect(output, FALSE)) return;
  }
}

void COutputPipe::Drain(std::string& output) {
  while (m_pending) {
    CancelIo(m_readEnd.get());
    // A read that had its bytes keeps them; one that had none ends as cancelled.
    if (!Collect(output, TRUE)) return;
    Read(output);
  }
}

bool COutputPipe::Collect(std::string& output, BOOL wait) {
  m_pending = false;
  DWORD read = 0;
  if (!GetOverlappedResult(m_readEnd.get(), &m_overlapped, &read, wait)) return false;
  output.append(m_buffer.data(), read);
  return true;
}
