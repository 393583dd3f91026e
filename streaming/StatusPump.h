#pragma once
// Carries the streaming encoder's output from its pipe into the status file, on a thread of its own, the
// file kept within its bound (StatusRecord), and keeps in memory what the session reads of it. The
// window's thread only takes copies, under a lock: it never waits for the pipe or the file.
// The file is opened for each write and closed at once, never held: a user who deletes it deletes it
// (a file held open would linger, on some systems still readable, until it is let go), and a file
// someone holds against writers shows as out of reach.
#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

#include "system/OutputPipe.h"
#include "system/UniqueHandle.h"
#include "streaming/StatusRecord.h"
#include "streaming/Watchdog.h"

// The pipe's buffer: an encoder that writes a burst waits for the reader only beyond this.
constexpr DWORD kStatusPipeBytes = 64 * 1024;

class CStatusPump {
 public:
  CStatusPump();
  ~CStatusPump() { Stop(); }
  CStatusPump(const CStatusPump&) = delete;
  CStatusPump& operator=(const CStatusPump&) = delete;

  // Makes the pipe (named with purpose and serial: each encoder's pump has its own) and starts reading
  // it, before the encoder starts. The file at statusPath is made anew, private, on the pump's thread, and
  // what comes is appended to it; an empty path leaves the output in memory alone. False when the pipe or
  // the thread cannot be made: nothing reads then.
  bool Start(const std::string& statusPath, unsigned long long serial, const std::string& purpose = "EncoderStatus");
  // The end the encoder is to write into.
  HANDLE ChildEnd() const { return m_pipe.ChildEnd(); }
  // Once the encoder has been started (or failed to start), the pipe must end when the encoder does: this
  // process lets go of its end.
  void ChildStarted() { m_pipe.CloseChildEnd(); }

  // Stops reading, after taking what the pipe holds already. What the encoder said stays.
  void Stop();
  // True once the pipe has ended: every writer has closed its end and all it wrote has been taken.
  bool Drained() const { return WaitForSingleObject(m_ended.get(), 0) == WAIT_OBJECT_0; }

  // What the encoder said (StatusRecord::Recent).
  std::string Recent() const;
  // True while the status file cannot be written: the latest attempt failed (it could not be made again,
  // someone holds it against writers, it is read-only). Each later write tries again.
  bool FileFailing() const { return m_failing; }
  // True once a status file it made could not be given its private rights (a disk that keeps none).
  bool FileNotPrivate() const { return m_notPrivate; }

 private:
  void Run();
  void Take(const std::string& output);
  // False when the write did not reach the file, whole. A missing file is made again, private.
  bool Write(const StatusRecord::FileWrite& write);

  COutputPipe m_pipe{kStatusPipeBytes};
  std::string m_path;
  bool m_fileBehind = true;  // the file is to start over at the next write: new, or a write missed it
  std::atomic<bool> m_failing{false};
  std::atomic<bool> m_notPrivate{false};
  UniqueHandle m_stop;
  UniqueHandle m_ended;
  std::thread m_thread;
  mutable std::mutex m_mutex;
  StatusRecord m_record;
};

// What a wait on a process (WaitForSingleObject) tells of it.
WaitOutcome ToWaitOutcome(unsigned long waitResult);

// Whether an encoder whose output this pump reads has ended, without waiting; rawResult is the system's
// own answer. Whoever learns that it has ended reads its last words next: until the pipe has given them
// all, it counts as running a moment longer. endSeenMs: when an earlier call first found it ended (0:
// none has), kept by the caller.
WaitOutcome PollEncoder(HANDLE process, const CStatusPump& pump, unsigned long long& endSeenMs,
                        unsigned long& rawResult);
