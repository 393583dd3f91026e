#pragma once
// The recording's own thread. The recordings' folder may be on a network share, where listing it, renaming
// a file or asking for the free space may take long: the session (RecordingSession), its encoder and its
// folder live on this thread, never the window's. The window hands it commands through a small locked
// queue and takes what happened when the posted message comes. The thread ticks every kWatchdogPeriodMs
// while the recording is on and while its last files are still to be named, and ends when it has nothing
// left to do (a thread's stack is memory held for as long as it lives); the next command starts another.
// It shares what it uses with its owner, so an owner that goes need not wait for it.
#include <windows.h>

#include <memory>
#include <string>

#include "recording/RecordingSession.h"

class CRecordingWorker {
 public:
  // encoderPath: ffmpeg.exe. Events are announced by posting message to window.
  CRecordingWorker(std::string encoderPath, HWND window, UINT message);
  // Abandon, and the thread left to end alone.
  ~CRecordingWorker();
  CRecordingWorker(const CRecordingWorker&) = delete;
  CRecordingWorker& operator=(const CRecordingWorker&) = delete;

  void Start(const RecordSettings& settings, const RecordingChoice& choice);
  void Stop();
  // Stop, said by line in place of the usual words: the recording has given way to the broadcast.
  void GiveWay(const std::string& line);
  // The window is closing: commands not yet done are dropped and the encoder is ended without a word.
  void Abandon();
  // Waits at most waitMs for the thread to have done everything; whether it has. One that has not goes on
  // alone (a share that does not answer): the program's end ends it, and its encoder with it.
  bool WaitUntilIdle(long long waitMs);

  // What happened since the last call, in order (on the window's thread, after the message).
  RecordingEvents TakeEvents();
  // As of the latest command or tick done.
  RecordingState State() const;

 private:
  struct Shared;
  void Queue(int command, RecordSettings settings = {}, RecordingChoice choice = {}, std::string line = {});
  std::shared_ptr<Shared> m_shared;
};
