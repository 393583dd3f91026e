#pragma once
#include <optional>
#include <string>

// The live status shown in the window, in code page 936:
//   on air:  "直播 0:01:23 | 48 kbit/s | 重启 0 次"  (kbit/s as "--" while no figure is known)
//   off air: "未直播"
// uptimeMs counts from going live; relaunches is how often the encoder was started again since.
std::string FormatLiveStatus(bool onAir, long long uptimeMs, std::optional<double> kbitPerSecond, int relaunches);

// A duration as H:MM:SS, hours without limit; negative durations show as 0:00:00.
std::string FormatUptime(long long ms);
