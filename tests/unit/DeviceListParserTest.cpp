#include "devices/DeviceListParser.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace {

using Names = std::vector<std::string>;

// Lines as a text-mode read of device.txt gives them: the encoder's lines ended in "\r\n", which the
// program wrote as "\r\r\n", so each line read still ends in '\r'.
std::string Listing(const std::vector<std::string>& lines, const char* lineEnd = "\r\n") {
  std::string text;
  for (const std::string& line : lines) text += line + lineEnd;
  return text;
}

const std::string kBanner[] = {
    "ffmpeg version 4.4.1 Copyright (c) 2000-2021 the FFmpeg developers",
    "  built with gcc 11.2.0 (Rev1, Built by MSYS2 project)",
    "  libavdevice    58. 13.100 / 58. 13.100",
};

// An older encoder's listing, with section headers.
const std::string kVideoHeader =
    "[dshow @ 000001d2c5f8a540] DirectShow video devices (some may be both video and audio devices)";
const std::string kCamera = "[dshow @ 000001d2c5f8a540]  \"Integrated Camera\"";
const std::string kCameraAlt =
    "[dshow @ 000001d2c5f8a540]     Alternative name "
    "\"@device_pnp_\\\\?\\usb#vid_04f2&pid_b6d9&mi_00#6&1a2b3c4d&0&0000#{65e8773d-8f56-11d0-a3b9-00a0c9223196}"
    "\\global\"";
const std::string kAudioHeader = "[dshow @ 000001d2c5f8a540] DirectShow audio devices";
const std::string kMic = "[dshow @ 000001d2c5f8a540]  \"麦克风 (Realtek High Definition Audio)\"";
const std::string kMicAlt =
    "[dshow @ 000001d2c5f8a540]     Alternative name "
    "\"@device_cm_{33D9A762-90C8-11D0-BD43-00A0C911CE86}\\wave_{6B3A4F2E-1C2D-4E5F-8A9B-0C1D2E3F4A5B}\"";
const std::string kLineIn = "[dshow @ 000001d2c5f8a540]  \"Line In (USB Audio)\"";
const std::string kLineInAlt =
    "[dshow @ 000001d2c5f8a540]     Alternative name "
    "\"@device_cm_{33D9A762-90C8-11D0-BD43-00A0C911CE86}\\wave_{0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0}\"";
const std::string kEnd = "dummy: Immediate exit requested";
const std::string kNoAudio = "[dshow @ 000001d2c5f8a540] Could not enumerate audio only devices (or none found).";

const char kMicName[] = "麦克风 (Realtek High Definition Audio)";
const char kLineInName[] = "Line In (USB Audio)";

struct Case {
  const char* what;
  std::string text;
  Names current;
  Names devices;
  bool fillCombo;
  int searchAgainLines;
};

void Check(const Case& c) {
  SCOPED_TRACE(c.what);
  const DeviceListParse parse = ParseDeviceListing(c.text, c.current);
  EXPECT_EQ(parse.devices, c.devices);
  EXPECT_EQ(parse.fillCombo, c.fillCombo);
  EXPECT_EQ(parse.logLines, Names(c.searchAgainLines, kLogSearchAgain));
}

TEST(DeviceListParser, SectionedListing) {
  const std::string b0 = kBanner[0], b1 = kBanner[1], b2 = kBanner[2];
  const Names old = {"Old Device"};
  const Case cases[] = {
      {"two names and the end line",
       Listing({b0, b1, b2, kVideoHeader, kCamera, kCameraAlt, kAudioHeader, kMic, kMicAlt, kLineIn, kLineInAlt, kEnd}),
       old, {kMicName, kLineInName}, true, 0},
      {"the same with CR CR LF line ends",
       Listing({b0, kVideoHeader, kCamera, kCameraAlt, kAudioHeader, kMic, kMicAlt, kLineIn, kLineInAlt, kEnd}, "\r\r\n"),
       old, {kMicName, kLineInName}, true, 0},
      {"no end line: names read, box not refilled",
       Listing({b0, kVideoHeader, kCamera, kCameraAlt, kAudioHeader, kMic, kMicAlt, kLineIn, kLineInAlt}), old,
       {kMicName, kLineInName}, false, 0},
      {"header, then the end at once: an empty list is shown", Listing({kAudioHeader, kEnd}), old, {}, true, 0},
      {"an empty line ends the section", Listing({kAudioHeader, kMic, "", kLineIn}), old, {kMicName}, true, 0},
      {"video devices only: the array is left", Listing({b0, kVideoHeader, kCamera, kCameraAlt, kEnd}), old, old,
       false, 0},
      {"alternative name before any name is skipped", Listing({kAudioHeader, kMicAlt, kMic, kEnd}), old, {kMicName},
       true, 0},
      // A line without a quoted name before the first name: log and search for the header again.
      {"quote-less line, then a second header",
       Listing({kAudioHeader, kNoAudio, kEnd, kAudioHeader, kLineIn, kEnd}), old, {kLineInName}, true, 1},
      {"each quote-less line before a name logs",
       Listing({kAudioHeader, kNoAudio, kAudioHeader, kNoAudio, kAudioHeader, kMic, kEnd}), old, {kMicName}, true, 2},
      {"one quote only counts as none", Listing({kAudioHeader, "[dshow @ 1]  \"Broken", kEnd}), old, {}, false, 1},
      {"quote-less line after a name is ignored", Listing({kAudioHeader, kMic, kNoAudio, kLineIn, kEnd}), old,
       {kMicName, kLineInName}, true, 0},
      // Names.
      {"inner quotes stay", Listing({kAudioHeader, "[dshow @ 1]  \"My \"Best\" Mic\"", kEnd}), old,
       {"My \"Best\" Mic"}, true, 0},
      {"text after the last quote is dropped", Listing({kAudioHeader, "[dshow @ 1]  \"Mic\" (audio)", kEnd}), old,
       {"Mic"}, true, 0},
      {"Chinese names whose second bytes are 0x5C or 'd'",
       Listing({kAudioHeader, "[dshow @ 1]  \"乗昞\\ 乨show\"", kEnd}), old, {"乗昞\\ 乨show"}, true, 0},
      // Plain substring tests, walked by character.
      {"dshow must be a real one", Listing({kAudioHeader, kMic, "乨show \"Not A Device\"", kLineIn, kEnd}), old,
       {kMicName}, true, 0},
      {"the header is case-sensitive", Listing({"[dshow @ 1] directshow audio devices", kMic, kEnd}), old, old, false,
       0},
  };
  for (const Case& c : cases) Check(c);
}

// A newer encoder's listing: no section headers, a media tag after each name.
const std::string kNewCamera = "[dshow @ 000001f5a3b4c5d0] \"Integrated Camera\" (video)";
const std::string kNewCameraAlt =
    "[dshow @ 000001f5a3b4c5d0]   Alternative name "
    "\"@device_pnp_\\\\?\\usb#vid_04f2&pid_b6d9&mi_00#6&1a2b3c4d&0&0000#{65e8773d-8f56-11d0-a3b9-00a0c9223196}"
    "\\global\"";
const std::string kNewVirtual = "[dshow @ 000001f5a3b4c5d0] \"Virtual Camera\" (none)";
const std::string kNewMic = "[dshow @ 000001f5a3b4c5d0] \"麦克风 (Realtek(R) Audio)\" (audio)";
const std::string kNewMicAlt =
    "[dshow @ 000001f5a3b4c5d0]   Alternative name "
    "\"@device_cm_{33D9A762-90C8-11D0-BD43-00A0C911CE86}\\wave_{6B3A4F2E-1C2D-4E5F-8A9B-0C1D2E3F4A5B}\"";
const std::string kNewCapture = "[dshow @ 000001f5a3b4c5d0] \"HDMI Capture\" (audio, video)";
const std::string kNewCaptureAlt =
    "[dshow @ 000001f5a3b4c5d0]   Alternative name \"@device_pnp_\\\\?\\usb#vid_0fd9&pid_0066#000000\\global\"";

TEST(DeviceListParser, TaggedListing) {
  const std::string b0 = kBanner[0];
  const Names old = {"Old Device"};
  const Case cases[] = {
      {"video devices mixed in",
       Listing({b0, kNewCamera, kNewCameraAlt, kNewVirtual, kNewMic, kNewMicAlt, kNewCapture, kNewCaptureAlt, kEnd}),
       old, {"麦克风 (Realtek(R) Audio)", "HDMI Capture"}, true, 0},
      {"CR CR LF line ends", Listing({kNewCamera, kNewMic, kNewMicAlt, kEnd}, "\r\r\n"), old,
       {"麦克风 (Realtek(R) Audio)"}, true, 0},
      {"no end line still refills", Listing({kNewMic, kNewMicAlt}), old, {"麦克风 (Realtek(R) Audio)"}, true, 0},
      {"only video devices give an empty list", Listing({b0, kNewCamera, kNewCameraAlt, kNewVirtual, kEnd}), old, {},
       true, 0},
      {"another bracket tag",
       Listing({"[in#0 @ 000002a1b2c3d4e0] \"Microphone Array (Smart Sound)\" (audio)",
                "[in#0 @ 000002a1b2c3d4e0]   Alternative name \"@device_cm_{33D9A762}\\wave_{1}\"", kEnd}),
       old, {"Microphone Array (Smart Sound)"}, true, 0},
      {"two bracket tags", Listing({"[in#0 @ 0x1] [dshow @ 0x2] \"Mic\" (audio)", kEnd}), old, {"Mic"}, true, 0},
      {"an empty name", Listing({"[dshow @ 1] \"\" (audio)", kEnd}), old, {""}, true, 0},
      {"Chinese names with second bytes ']' and '\\'",
       Listing({"[dshow @ 1] \"乗昞\" (audio)", "[dshow @ 1] \"\x81]\" (audio)", kEnd}), old, {"乗昞", "\x81]"}, true, 0},
      // Lines that are not device lines of the newer form.
      {"no bracket tag: not a listing", Listing({"\"Mic\" (audio)", kEnd}), old, old, false, 0},
      {"no kind tag: not a listing", Listing({"[dshow @ 1] \"Mic\"", kEnd}), old, old, false, 0},
      {"unknown tag text: not a listing", Listing({"[dshow @ 1] \"Mic\" (Audio Device)", kEnd}), old, old, false, 0},
      {"text before the name: not a listing", Listing({"[dshow @ 1] name \"Mic\" (audio)", kEnd}), old, old, false, 0},
      {"alternative names are no devices",
       Listing({"[dshow @ 1]   Alternative name \"@device_cm_{1}\" (audio)", kNewMic}), old,
       {"麦克风 (Realtek(R) Audio)"}, true, 0},
      // A listing with a section header is read by the older rules only.
      {"header present: older rules",
       Listing({kAudioHeader, "[dshow @ 1] \"Mic\" (audio)", "[dshow @ 1] \"Cam\" (video)"}), old, {"Mic", "Cam"},
       false, 0},
  };
  for (const Case& c : cases) Check(c);
}

TEST(DeviceListParser, ClampDevicePosition) {
  const struct {
    int position;
    int count;
    int result;
  } cases[] = {
      {1, 2, 1}, {2, 2, 0}, {3, 2, 0}, {5, 0, 0}, {-1, 2, -1}, {INT_MIN, 3, INT_MIN}, {INT_MAX, INT_MAX, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.position) + " of " + std::to_string(c.count));
    EXPECT_EQ(ClampDevicePosition(c.position, c.count), c.result);
  }
}

}  // namespace
