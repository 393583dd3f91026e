#pragma once
#include "res/Texts.h"
#include <cstddef>
#include <map>
#include <string>
#include <vector>

// Where a device name of the listing came from, and the other name the encoder knows the device by.
struct DeviceSource {
  std::size_t line = 0;         // index of the listing line holding the name (lines split at '\n', from 0)
  std::string alternativeName;  // the quoted text of the "Alternative name" line that follows; empty if none
};

struct DeviceListParse {
  std::vector<std::string> devices;   // the device array after reading (starts as `current`)
  bool fillCombo = false;             // true when the section ended: the device box is to be refilled
  std::vector<std::string> logLines;  // kLogSearchAgain once per occurrence, in order
  // One entry per name of `devices` that this listing gave, in the same order: sources[i] belongs to
  // devices[i] whenever the two have the same size. Empty when the devices were left as given.
  std::vector<DeviceSource> sources;
};

// Reads the encoder's device listing, as a text-mode read of device.txt gives it: lines split at '\n'
// (a last line without '\n' counts), each of which may still end in '\r'. Text is CP936.
//
// A listing with a "DirectShow audio devices" line is read by two states, with plain case-sensitive
// substring tests:
// - searching: a line containing "DirectShow audio devices" empties the devices and opens the section;
// - in the section: a line without "dshow" ends it (fillCombo, and reading stops); a line with
//   "@device_" (an alternative name) is skipped; a line with two or more double quotes adds the text
//   between its first and its last one (possibly empty, possibly holding quotes); a line with fewer
//   quotes logs kLogSearchAgain and goes back to searching while no name was found yet, and is ignored
//   once one was.
// The end of the text leaves the devices as read but does not set fillCombo.
//
// Newer encoders print no section headers, but one line per device:
//   [dshow @ 000001d2c5f8a540] "Name" (audio)
// where the bracket tag may be another "[... @ ...]" (such as "[in#0 @ ...]") and the trailing tag
// lists the media kinds: (audio), (video), (audio, video), (none). A listing without any
// "DirectShow audio devices" line but with at least one such line gives, in order, the names (between
// the first and the last double quote) of the lines whose tag names audio, skipping the alternative
// names, and sets fillCombo; a listing of video devices only thus gives no devices.
//
// In both forms each device line is followed by its alternative name, a line such as
//   [dshow @ 000001d2c5f8a540]   Alternative name "@device_cm_{33D9A762-...}\wave_{...}"
// which the encoder accepts in place of the name. Such a line right after a device's name line (no other
// device line between them) gives that device's alternativeName, the text between its first and its last
// double quote.
//
// The work is linear in the size of the text, however its lines are made.
DeviceListParse ParseDeviceListing(const std::string& fileText, std::vector<std::string> current);

// The name to hand the encoder for a device. A name that came through the conversion to the ANSI code
// page with characters lost (shown as '?') would name no device; the alternative name, plain ASCII, is
// used instead when the listing gave one.
std::string CaptureNameFor(const std::string& displayName, const std::string& alternativeName,
                           bool convertedLosslessly);

// The name to hand the encoder for each name of a parse, given which listing lines (indices as in
// DeviceSource::line) lost characters on their way to the ANSI code page. Empty when the parse tells
// no sources.
std::map<std::string, std::string> CaptureNames(const DeviceListParse& parse, const std::vector<bool>& lossyLines);

// Where the device box's selection goes after it was refilled with `count` names: a position at or
// beyond the count becomes 0; a negative one stays (and selects nothing).
int ClampDevicePosition(int position, int count);
