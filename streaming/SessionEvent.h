#pragma once
// What happened to a broadcast, as the live session tells it: a kind that says what it means, and the
// lines the log shows for it. Whoever tells others (the group chat, the tray's balloon) reads the kind,
// never the log's wording.
#include <string>
#include <vector>

enum class SessionEventKind {
  Note,          // a line for the log alone
  SwitchedOn,    // the switch went on
  OnAir,         // the first progress since switching on: data goes out
  BackOnAir,     // the first progress after an outage
  Dropped,       // an encoder that had been getting data out ended, or stood still, and is relaunched
  NoDataOut,     // an encoder ended, or was ended, without ever getting data out, and is relaunched
  LaunchFailed,  // the encoder could not be started
  DeadAir,       // on air, but silence
  SoundBack,
  SwitchedOff,
};

struct SessionEvent {
  SessionEventKind kind = SessionEventKind::Note;
  std::string line;  // for the log (code page 936); empty when there is nothing to log
  // Dropped and NoDataOut: why, for the log (code page 936, a line of its own after line) and, where the
  // encoder's own words are the reason, those words as it wrote them (UTF-8, stream keys masked), so that a
  // message need not take them through the log's code page.
  std::string reasonLine;
  std::string reasonUtf8;
  // Dropped and NoDataOut: the encoder said that another program holds the capture device.
  bool deviceInUse = false;
};

using SessionEvents = std::vector<SessionEvent>;

// The log's lines of these events, in order.
std::vector<std::string> LogLinesOf(const SessionEvents& events);
