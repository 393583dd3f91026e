#include "devices/DeviceListParser.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "devices/DeviceCatalogue.h"
#include "devices/DeviceListFile.h"
#include "text/TextMode.h"

namespace {

using Names = std::vector<std::string>;

// Lines as a text-mode read of device.txt gives them: the encoder's lines ended in "\r\n", which the
// program wrote as "\r\r\n", so each line read still ends in '\r'.
std::string Listing(const std::vector<std::string>& lines, const char* lineEnd = "\r\n") {
  std::string text;
  for (const std::string& line : lines) text += line + lineEnd;
  return text;
}

const std::string kBanner = "ffmpeg version 4.4.1 Copyright (c) 2000-2021 the FFmpeg developers";
const std::string kEnd = "dummy: Immediate exit requested";

// An older encoder's listing, with section headers.
const std::string kVideoHeader = "[dshow @ 01d2] DirectShow video devices (some may be both video and audio devices)";
const std::string kCamera = "[dshow @ 01d2]  \"Integrated Camera\"";
const std::string kCameraAlt = "[dshow @ 01d2]     Alternative name \"@device_pnp_\\\\?\\usb#vid_04f2\\global\"";
const std::string kAudioHeader = "[dshow @ 01d2] DirectShow audio devices";
const std::string kMic = "[dshow @ 01d2]  \"麦克风 (Realtek High Definition Audio)\"";
const std::string kMicAlt = "[dshow @ 01d2]     Alternative name \"@device_cm_{33D9A762-90C8}\\wave_{6B3A4F2E}\"";
const std::string kLineIn = "[dshow @ 01d2]  \"Line In (USB Audio)\"";
const std::string kLineInAlt = "[dshow @ 01d2]     Alternative name \"@device_cm_{33D9A762-90C8}\\wave_{0F1E2D3C}\"";
const std::string kNoAudio = "[dshow @ 01d2] Could not enumerate audio only devices (or none found).";
const char kMicName[] = "麦克风 (Realtek High Definition Audio)";
const char kLineInName[] = "Line In (USB Audio)";

const char kMicAltName[] = "@device_cm_{33D9A762-90C8}\\wave_{6B3A4F2E}";
const char kLineInAltName[] = "@device_cm_{33D9A762-90C8}\\wave_{0F1E2D3C}";

// Each name's listing line and alternative name.
using Sources = std::vector<std::pair<std::size_t, std::string>>;

struct Case {
  const char* what;
  std::string text;
  Names devices;
  bool fillCombo;
  int searchAgainLines;
  std::optional<Sources> sources = std::nullopt;
};

// Every case starts from a list holding one old name, so a list that is left as it was shows.
const Names kOld = {"Old Device"};

void Check(const Case& c) {
  SCOPED_TRACE(c.what);
  const DeviceListParse parse = ParseDeviceListing(c.text, kOld);
  EXPECT_EQ(parse.devices, c.devices);
  EXPECT_EQ(parse.fillCombo, c.fillCombo);
  EXPECT_EQ(parse.logLines, Names(c.searchAgainLines, kLogSearchAgain));
  if (!c.sources) return;
  Sources sources;
  for (const DeviceSource& s : parse.sources) sources.emplace_back(s.line, s.alternativeName);
  EXPECT_EQ(sources, *c.sources);
}

TEST(DeviceListParser, SectionedListing) {
  const Case cases[] = {
      {"video, then audio, no end line: names read, box not refilled",
       Listing({kVideoHeader, kCamera, kCameraAlt, kAudioHeader, kMic, kMicAlt, kLineIn, kLineInAlt}),
       {kMicName, kLineInName}, false, 0, Sources{{4, kMicAltName}, {6, kLineInAltName}}},
      {"header, then the end at once: an empty list is shown", Listing({kAudioHeader, kEnd}), {}, true, 0},
      {"video devices only: the list is left", Listing({kBanner, kVideoHeader, kCamera, kCameraAlt, kEnd}), kOld,
       false, 0, Sources{}},
      {"an alternative name before any name, or a second one, is skipped",
       Listing({kAudioHeader, kMicAlt, kMic, kMicAlt, kLineInAlt, kEnd}), {kMicName}, true, 0,
       Sources{{2, kMicAltName}}},
      // A line without a quoted name before the first name: log and search for the header again.
      {"each quote-less line before a name logs",
       Listing({kAudioHeader, kNoAudio, kAudioHeader, kNoAudio, kAudioHeader, kLineIn, kLineInAlt, kEnd}),
       {kLineInName}, true, 2, Sources{{5, kLineInAltName}}},
      {"one quote only counts as none", Listing({kAudioHeader, "[dshow @ 1]  \"Broken", kEnd}), {}, false, 1},
      {"quote-less line after a name is ignored; a name without its alternative name",
       Listing({kAudioHeader, kMic, kNoAudio, kLineIn, kLineInAlt, kEnd}), {kMicName, kLineInName}, true, 0,
       Sources{{1, ""}, {3, kLineInAltName}}},
      // Names: between the first and the last quote.
      {"inner quotes stay", Listing({kAudioHeader, "[dshow @ 1]  \"My \"Best\" Mic\" (audio)", kEnd}),
       {"My \"Best\" Mic"}, true, 0},
      // Plain case-sensitive substring tests, walked by character.
      {"dshow must be a real one", Listing({kAudioHeader, kMic, "乨show \"Not A Device\"", kLineIn, kEnd}),
       {kMicName}, true, 0},
      {"the header is case-sensitive", Listing({"[dshow @ 1] directshow audio devices", kMic, kEnd}), kOld, false, 0},
  };
  for (const Case& c : cases) Check(c);
}

// A newer encoder's listing: no section headers, a media tag after each name.
const std::string kNewCamera = "[dshow @ 01f5] \"Integrated Camera\" (video)";
const std::string kNewCameraAlt = "[dshow @ 01f5]   Alternative name \"@device_pnp_\\\\?\\usb#vid_04f2\\global\"";
const std::string kNewVirtual = "[dshow @ 01f5] \"Virtual Camera\" (none)";
const std::string kNewMic = "[dshow @ 01f5] \"麦克风 (Realtek(R) Audio)\" (audio)";
const std::string kNewMicAlt = "[dshow @ 01f5]   Alternative name \"@device_cm_{33D9A762-90C8}\\wave_{6B3A4F2E}\"";
const std::string kNewCapture = "[in#0 @ 01f5] \"HDMI Capture\" (audio, video)";
const std::string kNewCaptureAlt = "[in#0 @ 01f5]   Alternative name \"@device_pnp_\\\\?\\usb#vid_0fd9\\global\"";
const char kNewMicName[] = "麦克风 (Realtek(R) Audio)";

TEST(DeviceListParser, TaggedListing) {
  const Case cases[] = {
      {"CR CR LF line ends; video devices' alternative names skipped",
       Listing({kBanner, kNewCamera, kNewCameraAlt, kNewVirtual, kNewMic, kNewMicAlt, kNewCapture, kNewCaptureAlt, kEnd},
               "\r\r\n"),
       {kNewMicName, "HDMI Capture"}, true, 0,
       Sources{{4, kMicAltName}, {6, "@device_pnp_\\\\?\\usb#vid_0fd9\\global"}}},
      {"no end line still refills; the next device's alternative name is not the audio device's",
       Listing({kNewMic, kNewCamera, kNewCameraAlt}), {kNewMicName}, true, 0, Sources{{0, ""}}},
      {"only video devices give an empty list", Listing({kBanner, kNewCamera, kNewCameraAlt, kNewVirtual, kEnd}), {},
       true, 0},
      {"two bracket tags", Listing({"[in#0 @ 0x1] [dshow @ 0x2] \"Mic\" (audio)", kEnd}), {"Mic"}, true, 0},
      {"an empty name", Listing({"[dshow @ 1] \"\" (audio)", kEnd}), {""}, true, 0},
      // Lines that are not device lines of the newer form.
      {"no bracket tag", Listing({"\"Mic\" (audio)", kEnd}), kOld, false, 0},
      {"no kind tag", Listing({"[dshow @ 1] \"Mic\"", kEnd}), kOld, false, 0},
      {"unknown tag text", Listing({"[dshow @ 1] \"Mic\" (Audio Device)", kEnd}), kOld, false, 0},
      {"text before the name", Listing({"[dshow @ 1] name \"Mic\" (audio)", kEnd}), kOld, false, 0},
      {"alternative names are no devices",
       Listing({"[dshow @ 1]   Alternative name \"@device_cm_{1}\" (audio)", kNewMic}), {kNewMicName}, true, 0},
      // A listing with a section header is read by the older rules only.
      {"header present: older rules",
       Listing({kAudioHeader, "[dshow @ 1] \"Mic\" (audio)", "[dshow @ 1] \"Cam\" (video)"}), {"Mic", "Cam"}, false, 0},
  };
  for (const Case& c : cases) Check(c);
}

TEST(DeviceListParser, CaptureName) {
  EXPECT_EQ(CaptureNameFor("英特尔? Mic", "", false), "英特尔? Mic");

  // Only the device on the line that lost characters goes by its alternative name, and only while
  // device.txt holds the very text whose lines were judged: a file rewritten meanwhile (here with the
  // devices the other way round) gets no alternative names rather than the wrong device's.
  const std::string lineIn = "[dshow @ 1] \"Line In\" (audio)";
  const std::string lineInAlt = "[dshow @ 1]   Alternative name \"@device_cm_{1}\"";
  const std::string mic = "[dshow @ 1] \"英特尔? Mic\" (audio)";
  const std::string micAlt = "[dshow @ 1]   Alternative name \"@device_cm_{2}\"";
  const std::string written = Listing({lineIn, lineInAlt, mic, micAlt, kEnd});
  const std::vector<bool> lossy = {false, false, true, false, false};
  const struct {
    const char* what;
    std::string fileText;
    std::map<std::string, std::string> captureNames;
  } cases[] = {
      {"the text written", FromTextModeBytes(ToTextModeBytes(written)),
       {{"Line In", "Line In"}, {"英特尔? Mic", "@device_cm_{2}"}}},
      {"another text", Listing({mic, micAlt, lineIn, lineInAlt, kEnd}),
       {{"Line In", "Line In"}, {"英特尔? Mic", "英特尔? Mic"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(CaptureNames(ParseDeviceListing(c.fileText, {}), LossyLinesOfFile(c.fileText, written, lossy)),
              c.captureNames);
  }
}

// A line of back-to-back bracket tags once cost time in the square of its length. The window's thread
// reads the list, so a line like this one must cost no more than any other: the quadratic parser took
// some 40 seconds over this test, which now takes milliseconds.
TEST(DeviceListParser, ManyTagsOnOneLine) {
  std::string tags;
  for (int i = 0; i < 20000; ++i) tags += "[in#0 @ 0]";
  EXPECT_EQ(ParseDeviceListing(Listing({tags + " \"Mic\" (audio)", kEnd}), {}).devices, Names{"Mic"});
  EXPECT_EQ(ParseDeviceListing(Listing({tags, kEnd}), {"Old"}).devices, Names{"Old"});
  // A ']' that is the second byte of a character does not close the tag.
  EXPECT_EQ(ParseDeviceListing(Listing({"[乗] [\x81] @ ] \"Mic\" (audio)"}), {"Old"}).devices, Names{"Mic"});
  EXPECT_EQ(ParseDeviceListing(Listing({"[in @ \x81] \"Mic\" (audio)"}), {"Old"}).devices, Names{"Old"});
}

}  // namespace

namespace {

TEST(DeviceSelection, TheSavedNameWinsOverThePositionAndAMissingOneIsNoLicenceToGoLive) {
  const Names shown = {"Line In (USB Audio)", "麦克风 (Realtek Audio)", "USB Mixer"};
  const struct {
    Names shown;
    std::string savedName;
    int savedPosition;
    int position;
    bool missing;
    bool goLive;
  } cases[] = {
      {shown, "USB Mixer", 0, 2, false, true},          // plugged in elsewhere than it was: found by name
      {shown, "", 1, 1, false, true},                   // saved by an earlier version: the position rule
      {shown, "", 7, 0, false, true},                   // beyond the list
      {shown, "", -1, -1, false, false},                // nothing selected
      {shown, "USB Mixer 2", 2, 2, true, false},        // not there: never another device unattended
      {shown, "usb mixer", 0, 0, true, false},          // names are compared exactly
      {{}, "", 0, 0, false, false},                     // no devices at all
  };
  for (const auto& c : cases) {
    const DeviceSelection selection = SelectDevice(c.shown, c.savedName, c.savedPosition);
    EXPECT_EQ(selection.position, c.position) << c.savedName << " / " << c.savedPosition;
    EXPECT_EQ(selection.savedNameMissing, c.missing) << c.savedName;
    EXPECT_EQ(MayGoLiveUnattended(selection, c.shown.size()), c.goLive) << c.savedName << " / " << c.savedPosition;
  }
}

}  // namespace
