#include "alerts/AlertMessage.h"

#include "res/Texts.h"
#include "text/AsciiText.h"

#include <cstdio>
#include <cstdlib>

const char* WireName(AlertEvent event) {
  switch (event) {
    case AlertEvent::OnAir: return "on_air";
    case AlertEvent::BackOnAir: return "back_on_air";
    case AlertEvent::Dropped: return "dropped";
    case AlertEvent::LaunchFailed: return "launch_failed";
    case AlertEvent::DeadAir: return "dead_air";
    case AlertEvent::SoundBack: return "sound_back";
    case AlertEvent::NoDataOut: return "no_data_out";
    case AlertEvent::DeviceMissing: return "device_missing";
    case AlertEvent::StartupFailed: return "startup_failed";
    case AlertEvent::EndSession: return "end_session";
    case AlertEvent::OffAir: return "off_air";
    case AlertEvent::Closing: return "closing";
    case AlertEvent::Test: return "test";
    case AlertEvent::RecordingFailed: return "recording_failed";
    case AlertEvent::RecordingBack: return "recording_back";
  }
  return "test";
}

std::string FormatLocalTime(const LocalTime& t) {
  return ZeroPadded(t.year, 4) + "-" + ZeroPadded(t.month, 2) + "-" + ZeroPadded(t.day, 2) + " " +
         ZeroPadded(t.hour, 2) + ":" + ZeroPadded(t.minute, 2) + ":" + ZeroPadded(t.second, 2);
}

std::string FormatIsoTime(const LocalTime& t) {
  std::string text = FormatLocalTime(t);
  text[text.find(' ')] = 'T';
  const int offset = std::abs(t.utcOffsetMinutes);
  return text + (t.utcOffsetMinutes < 0 ? "-" : "+") + ZeroPadded(offset / 60 % 100, 2) + ":" +
         ZeroPadded(offset % 60, 2);
}

std::string HumanText(const AlertMessage& message) {
  std::string text;
  if (!message.station.empty()) text = utf8::kAlertStationOpen + message.station + utf8::kAlertStationClose;
  return text + FormatLocalTime(message.time) + " " + message.text;
}
