#pragma once
// The recording beside the broadcast, as the window drives it: switched on with the broadcast when
// PushClient.ini's [record] enables it, off with it, abandoned when the window closes, and stopped for the
// rest of a switch-on when the broadcast's encoder finds the device held (the broadcast comes first). The
// recording itself runs on its own thread (CRecordingWorker): nothing here touches its folder, nor waits,
// but for a bounded wait at closing. What it has for the log comes by a posted message.
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "recording/RecordingWorker.h"
#include "settings/RecordSettings.h"
#include "streaming/SessionEvent.h"

// How long closing waits for the recording's thread to abandon its encoder; one held up by a network
// share goes on alone, and the program's end ends its encoder.
constexpr long long kRecordingCloseWaitMs = 500;

class CRecordingWiring {
 public:
  // window, message: where the recording's events are announced; encoderPath: ffmpeg.exe.
  void Attach(HWND window, UINT message, const std::string& encoderPath);

  // The broadcast was switched on: the recording too, when settings (read now) enable it. programFolder:
  // where a folder that is no full path lies.
  void SwitchedOn(RecordSettings settings, const std::string& programFolder, const RecordingChoice& choice);
  void SwitchedOff();
  // The window is closing, or Windows ends the session.
  void Abandon();
  // The recording's settings were changed: while live, turning it off stops it at once; any other change
  // applies at the next switch-on.
  void RecordSettingsChanged(const RecordSettings& settings);
  // The broadcast's events: an encoder that ended because the capture device is held has the recording
  // give way, said once.
  void BroadcastEvents(const SessionEvents& events);

  // The recording's events since the last call, and their lines for the log, in order; a saved file's
  // line goes to the day file alone (too many of them for the list).
  struct Taken {
    RecordingEvents events;
    std::vector<std::string> messages;
    std::vector<bool> dayFileOnly;
  };
  Taken Take();
  RecordingState State() const;

 private:
  std::unique_ptr<CRecordingWorker> m_worker;
  bool m_on = false;  // on for this switch-on: enabled, and not stopped since
};
