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

#include "framework/OutputPipe.h"
#include "framework/UniqueHandle.h"
#include "streaming/StatusRecord.h"

// The pipe's buffer: an encoder that writes a burst waits for the reader only beyond this.
constexpr DWORD kStatusPipeBytes = 64 * 1024;

class CStatusPump {
 public:
  CStatusPump();
  ~CStatusPump() { Stop(); }
  CStatusPump(const CStatusPump&) = delete;
  CStatusPump& operator=(const CStatusPump&) = delete;

  // Makes the pipe (named with serial) and starts reading it, before the encoder starts. What comes is
  // appended to the file at statusPath, which is to exist, empty; an empty path leaves the output in
  // memory alone. False when the pipe or the thread cannot be made: nothing reads then.
  bool Start(const std::string& statusPath, unsigned long long serial);
  // The end the encoder is to write into.
  HANDLE ChildEnd() const { return m_pipe.ChildEnd(); }
  // Once the encoder has been started (or failed to start), the pipe must end when the encoder does: this
  // process lets go of its end.
  void ChildStarted() { m_pipe.CloseChildEnd(); }

  // Stops reading, after taking what the pipe holds already. What the encoder said stays.
  void Stop();
  // Waits, at most waitMs and only the first time, until the pipe has ended: once the encoder has ended,
  // until all it wrote has been taken.
  void AwaitEnd(DWORD waitMs);

  // What the encoder said (StatusRecord::Recent).
  std::string Recent() const;
  // True when the latest write could not open the status file: it is gone, or someone holds it against
  // writers.
  bool FileOutOfReach() const { return m_outOfReach; }

 private:
  void Run();
  void Take(const std::string& output);
  // False when the write did not reach the file, whole.
  bool Write(const StatusRecord::FileWrite& write);

  OutputPipe m_pipe{kStatusPipeBytes};
  std::string m_path;
  bool m_fileBehind = false;  // a write missed the file: it starts over at the next
  std::atomic<bool> m_outOfReach{false};
  UniqueHandle m_stop;
  UniqueHandle m_ended;
  std::thread m_thread;
  bool m_awaited = false;
  mutable std::mutex m_mutex;
  StatusRecord m_record;
};
