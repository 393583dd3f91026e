#pragma once
// An alert: what happened to the broadcast, told to a person away from the desk through a group chat.
// Its texts are UTF-8, as every chat service wants them; the window's texts are code page 936 and never
// go into an alert unconverted.
#include <string>

// What happened. The wire names (WireName) are what a webhook of our own format receives as "event".
enum class AlertEvent {
  OnAir,          // "on_air"
  BackOnAir,      // "back_on_air"
  Dropped,        // "dropped"
  LaunchFailed,   // "launch_failed"
  DeadAir,        // "dead_air"
  SoundBack,      // "sound_back"
  NoDataOut,      // "no_data_out": an encoder runs, but no data reaches the server
  DeviceMissing,  // "device_missing"
  StartupFailed,  // "startup_failed": started unattended, ffmpeg.exe missing or not running; tried again
  EndSession,     // "end_session": Windows is shutting down or restarting
  OffAir,         // "off_air"
  Closing,        // "closing"
  Test,           // "test"
  // The recording beside the broadcast
  RecordingFailed,  // "recording_failed": its encoder could not start, ended or stood still; tried again
  RecordingBack,    // "recording_back"
};

const char* WireName(AlertEvent event);

// The wall-clock time of the station when the event happened, and its offset from UTC in minutes
// (+480 in China).
struct LocalTime {
  int year = 1970, month = 1, day = 1;
  int hour = 0, minute = 0, second = 0;
  int utcOffsetMinutes = 0;
};

struct AlertMessage {
  AlertEvent event = AlertEvent::Test;
  std::string text;     // UTF-8
  std::string station;  // UTF-8; may be empty
  LocalTime time;
};

// "2026-12-07 14:39:26"
std::string FormatLocalTime(const LocalTime& time);
// "2026-12-07T14:39:26+08:00"
std::string FormatIsoTime(const LocalTime& time);
// What a person reads: "【<station>】2026-12-07 14:39:26 <text>"; without a station, the time and text.
std::string HumanText(const AlertMessage& message);
