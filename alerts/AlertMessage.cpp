#include "alerts/AlertMessage.h"

#include "res/Texts.h"

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
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute,
                t.second);
  return text;
}

std::string FormatIsoTime(const LocalTime& t) {
  std::string text = FormatLocalTime(t);
  text[text.find(' ')] = 'T';
  const int offset = std::abs(t.utcOffsetMinutes);
  char zone[16];
  std::snprintf(zone, sizeof zone, "%c%02d:%02d", t.utcOffsetMinutes < 0 ? '-' : '+', offset / 60 % 100,
                offset % 60);
  return text + zone;
}

std::string HumanText(const AlertMessage& message) {
  std::string text;
  if (!message.station.empty()) text = utf8::kAlertStationOpen + message.station + utf8::kAlertStationClose;
  return text + FormatLocalTime(message.time) + " " + message.text;
}
