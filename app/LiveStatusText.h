#pragma once
#include <string>

#include "recording/RecordingSession.h"
#include "streaming/LiveSession.h"

// The live status shown in the window, in code page 936:
//   on air:  "直播 0:01:23 | 48 kbit/s | 重启 0 次"  (kbit/s as "--" while no figure is known)
//            "直播 0:00:00 | 重启 2 次 | 9 秒后重连"  while the watchdog waits to relaunch
//            "直播 0:12:00 | 静音 | 48 kbit/s | 重启 0 次"  while what it sends is dead air
//   off air: "未直播"
// and, on air, the recording's state at the end: " | 录音" while it records, " | 录音暂停" while it waits for
// space on its drive.
std::string FormatLiveStatus(bool onAir, const LiveFigures& figures, RecordingState recording = RecordingState::Off);

// The tray icon's tip: the program's name, whether the broadcast gets data out (switched on, an encoder
// that is connecting or waits to be relaunched is not on air) and whether it records.
std::string FormatTrayTip(bool switchedOn, const LiveFigures& figures, RecordingState recording);

// A duration as H:MM:SS, hours without limit; negative durations show as 0:00:00.
std::string FormatUptime(long long ms);
