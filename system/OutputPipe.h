#pragma once
// The pipe a child writes its output into (stdout and stderr), read by the parent while the child runs.
// Its reading end is overlapped (an anonymous pipe's cannot be), so that the reader can sleep until output
// arrives, the child ends or it is told to stop, whichever comes first.
#include <windows.h>

#include <string>
#include <vector>

#include "system/UniqueHandle.h"

class COutputPipe {
 public:
  // bufferBytes: the pipe's buffer, and the most one read takes. A child writing more than the buffer
  // holds waits until the parent reads.
  explicit COutputPipe(DWORD bufferBytes);
  COutputPipe(const COutputPipe&) = delete;
  COutputPipe& operator=(const COutputPipe&) = delete;
  // A read under way writes into the buffer until it has settled.
  ~COutputPipe();

  // Makes both ends, the child's inheritable, under a name of this process's alone (purpose and serial
  // tell its pipes apart). False when either cannot be made.
  bool Create(const std::string& purpose, unsigned long long serial);

  HANDLE ChildEnd() const { return m_childEnd.get(); }
  // Once the child has started, its copy is the only one: the pipe then ends when the child does.
  void CloseChildEnd() { m_childEnd.reset(); }

  // Signalled when the read under way has finished; null when none is, the pipe having ended.
  HANDLE ReadFinished() const { return m_pending ? m_readFinished.get() : nullptr; }

  // Moves into output the read that has finished, if any, and what has arrived since, then leaves a read
  // waiting for more, unless the pipe has ended.
  void Read(std::string& output);

  // After the child has ended: moves into output what is left of its output, without waiting for more.
  // All of it is in the pipe or in the read under way by now; a read that still waits can wait only for
  // a writer other than the child.
  void Drain(std::string& output);

 private:
  // Takes the bytes of the read under way, which has finished (or is to be waited for); false when it
  // brought none because the pipe has ended, it failed or it was cancelled.
  bool Collect(std::string& output, BOOL wait);

  UniqueFile m_readEnd;
  UniqueFile m_childEnd;
  UniqueHandle m_readFinished;
  OVERLAPPED m_overlapped = {};
  std::vector<char> m_buffer;
  bool m_pending = false;  // a read has been started and its result not yet taken
};
