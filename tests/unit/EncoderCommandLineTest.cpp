#include "encoder/EncoderCommandLine.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstddef>
#include <string>
#include <vector>

namespace {

using Args = std::vector<std::string>;

template <std::size_t N>
std::string Bytes(const char (&literal)[N]) {
  return std::string(literal, N - 1);
}

// The arguments the encoder is meant to receive for a streaming run.
Args StreamArgv(const std::string& device, const std::string& bitrate, const std::string& server) {
  return {"-f", "dshow", "-i", "audio=" + device, "-y", "-c:a", "libfdk_aac", "-b:a", bitrate + "k",
          "-f", "flv", server};
}

TEST(EncoderCommandLine, ListingArguments) {
  EXPECT_STREQ(kListDevicesArgs, " -list_devices true -f dshow -i dummy ");
  EXPECT_EQ(SplitCommandLineArgs(kListDevicesArgs), (Args{"-list_devices", "true", "-f", "dshow", "-i", "dummy"}));
}

TEST(EncoderCommandLine, BitrateList) {
  const Args expected = {"32", "48", "64", "96", "128", "192"};
  ASSERT_EQ(kBitrateCount, 6);
  for (int i = 0; i < kBitrateCount; ++i) EXPECT_EQ(kBitrateTexts[i], expected[i]);
  EXPECT_STREQ(kBitrateTexts[kDefaultBitrateIndex], "48");
}

TEST(EncoderCommandLine, BitrateTextForStoredPosition) {
  const struct {
    int index;
    const char* text;
  } cases[] = {
      {0, "32"},  {1, "48"},  {2, "64"},  {3, "96"},       {4, "128"},      {5, "192"},
      {6, "48"},  {-1, "48"}, {100, "48"}, {INT_MAX, "48"}, {INT_MIN, "48"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.index);
    EXPECT_EQ(BitrateTextForIndex(c.index), c.text);
  }
}

TEST(EncoderCommandLine, OrdinaryValuesGiveTheLineByteForByte) {
  const struct {
    std::string device;
    std::string bitrate;
    std::string server;
    std::string line;
  } cases[] = {
      {"Microphone (Realtek High Definition Audio)", "48", "rtmp://1000.push.quorvel.com/app/stream",
       " -f dshow -i audio=\"Microphone (Realtek High Definition Audio)\" -y -c:a libfdk_aac -b:a 48k -f flv "
       "rtmp://1000.push.quorvel.com/app/stream "},
      {"麦克风 (Realtek High Definition Audio)", "128", "rtmp://1000.push.quorvel.com/app/stream",
       " -f dshow -i audio=\"麦克风 (Realtek High Definition Audio)\" -y -c:a libfdk_aac -b:a 128k -f flv "
       "rtmp://1000.push.quorvel.com/app/stream "},
      {"Line In (USB Audio)", "32", "rtmp://host/live/stream?key=abc&sig=x/y",
       " -f dshow -i audio=\"Line In (USB Audio)\" -y -c:a libfdk_aac -b:a 32k -f flv "
       "rtmp://host/live/stream?key=abc&sig=x/y "},
      // Backslashes not before a quote or the end, and second bytes 0x5C, stay as they are.
      {"a\\b\\\\c", "192", "rtmp://h/a\\b/s\\",
       " -f dshow -i audio=\"a\\b\\\\c\" -y -c:a libfdk_aac -b:a 192k -f flv rtmp://h/a\\b/s\\ "},
      {"乗", "64", "rtmp://h/app/乗", " -f dshow -i audio=\"乗\" -y -c:a libfdk_aac -b:a 64k -f flv rtmp://h/app/乗 "},
      {"昞|亅|", "96", "rtmp://h/昞/亅",
       " -f dshow -i audio=\"昞|亅|\" -y -c:a libfdk_aac -b:a 96k -f flv rtmp://h/昞/亅 "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.device);
    EXPECT_EQ(BuildStreamArgs(c.device, c.bitrate, c.server), c.line);
  }
}

// The form chosen for values the C runtime would otherwise split or change.
TEST(EncoderCommandLine, EscapedForms) {
  const std::string prefix = " -f dshow -i audio=\"";
  const std::string middle = "\" -y -c:a libfdk_aac -b:a 48k -f flv ";
  const struct {
    std::string device;
    std::string server;
    std::string deviceText;  // between audio=" and the closing quote
    std::string serverArg;
  } cases[] = {
      {"a\"b", "s", "a\\\"b", "s"},
      {"a\\", "s", "a\\\\", "s"},
      {"a\\\"", "s", "a\\\\\\\"", "s"},
      {"a\\\\\"b", "s", "a\\\\\\\\\\\"b", "s"},
      {"", "", "", "\"\""},
      {"d", "a b", "d", "\"a b\""},
      {"d", "a\tb", "d", "\"a\tb\""},
      {"d", "a\"b", "d", "\"a\\\"b\""},
      {"d", "a\\ b\\", "d", "\"a\\ b\\\\\""},
      {"d", "a\\b", "d", "a\\b"},
      {"乗\"", "s", "乗\\\"", "s"},  // the 0x5C of 乗 is not doubled before the escaped quote
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.device + " | " + c.server);
    EXPECT_EQ(BuildStreamArgs(c.device, "48", c.server), prefix + c.deviceText + middle + c.serverArg + " ");
  }
}

// Values that must each reach the encoder as one argument, unchanged.
const std::string kHostileValues[] = {
    "",
    " ",
    "   ",
    "\t",
    "a b",
    "a\tb",
    " leading",
    "trailing ",
    "\"",
    "\"\"",
    "a\"b",
    "\"quoted\"",
    "a \"quoted\" name",
    "\\",
    "\\\\",
    "a\\",
    "a\\\\",
    "a\\\\\\",
    "\\\"",
    "\\\\\"",
    "a\\\"b",
    "a\\\\\"b",
    "a\\b",
    "\\\\server\\share\\",
    "C:\\Program Files\\",
    "-i",
    "-f flv rtmp://evil/",
    "\" -i evil \"",
    "\" -y \\",
    "%s %d %%",
    "a\nb",
    "乗",
    "乗\\",
    "乗\"",
    "乗 乗",
    "\\乗",
    "\x95\x5C",
    "昞\\\"",
    "淺\"\\",
    "亅|",
    "乨show",
    "麦克风 (Realtek High Definition Audio)",
    "　full-width　blank　",
    "rtmp://1000.push.quorvel.com/app/stream",
    "rtmp://h/app/stream?key=a b&c=\"d\"",
};

TEST(EncoderCommandLine, HostileValuesRoundTrip) {
  for (const std::string& device : kHostileValues) {
    for (const std::string& server : kHostileValues) {
      SCOPED_TRACE("device [" + device + "] server [" + server + "]");
      EXPECT_EQ(SplitCommandLineArgs(BuildStreamArgs(device, "48", server)), StreamArgv(device, "48", server));
    }
  }
}

TEST(EncoderCommandLine, EveryBitrateRoundTrips) {
  for (int i = 0; i < kBitrateCount; ++i) {
    const std::string bitrate = BitrateTextForIndex(i);
    SCOPED_TRACE(bitrate);
    EXPECT_EQ(SplitCommandLineArgs(BuildStreamArgs("Mic (USB)", bitrate, "rtmp://h/a/s")),
              StreamArgv("Mic (USB)", bitrate, "rtmp://h/a/s"));
  }
}

// A lead byte without a valid second byte would swallow the byte after it when the command line is
// converted; it is written as '?', and the value still stays one argument.
TEST(EncoderCommandLine, LeadByteWithoutSecondByteBecomesQuestionMark) {
  const struct {
    std::string value;
    std::string received;
  } cases[] = {
      {"\x81", "?"},
      {"a\x81", "a?"},
      {"\x81\"", "?\""},
      {"\x81 x", "? x"},
      {"\x81\t", "?\t"},
      {"\xFE\x7F", "?\x7F"},
      {"\x81\x81\x81", "\x81\x81?"},  // a pair, then a lead byte at the end
      {"\x81\\", "\x81\\"},          // a valid pair (乗): kept
      {"\xFF", "\xFF"},  // not a lead byte
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(SplitCommandLineArgs(BuildStreamArgs(c.value, "48", "rtmp://h/a/s")),
              StreamArgv(c.received, "48", "rtmp://h/a/s"));
    EXPECT_EQ(SplitCommandLineArgs(BuildStreamArgs("d", "48", c.value)), StreamArgv("d", "48", c.received));
  }
}

// A command line is a C string: what follows a NUL never reaches the encoder.
TEST(EncoderCommandLine, ValuesEndAtNul) {
  EXPECT_EQ(BuildStreamArgs(Bytes("ab\0 cd"), "48", Bytes("rtmp://h/a/s\0 x")),
            " -f dshow -i audio=\"ab\" -y -c:a libfdk_aac -b:a 48k -f flv rtmp://h/a/s ");
}

TEST(EncoderCommandLine, CommandLineLimit) {
  EXPECT_EQ(kMaxCommandLineChars, 32767u);
}

TEST(SplitCommandLineArgs, CRuntimeRules) {
  const struct {
    std::string line;
    Args args;
  } cases[] = {
      // Separators.
      {"", {}},
      {"   ", {}},
      {" \t ", {}},
      {"a", {"a"}},
      {"a b", {"a", "b"}},
      {" a\t\tb ", {"a", "b"}},
      {"a\nb", {"a\nb"}},
      // Quotes group and are dropped.
      {"\"a b\"", {"a b"}},
      {"x\"a b\"y z", {"xa by", "z"}},
      {"\"\"", {""}},
      {"\"\" \"\"", {"", ""}},
      {"a\"\"b", {"ab"}},
      {"\"a b", {"a b"}},
      {"\"", {""}},
      // Inside quotes, "" is one literal quote and quoting goes on.
      {"\"a\"\"b c\"", {"a\"b c"}},
      {"\"\"\"\"", {"\""}},
      // Backslashes.
      {"a\\b", {"a\\b"}},
      {"a\\\\b", {"a\\\\b"}},
      {"a\\", {"a\\"}},
      {"\\\"", {"\""}},
      {"\\\\\"a b\"", {"\\a b"}},
      {"\\\\\\\"a", {"\\\"a"}},
      {"\"a\\\\\" b", {"a\\", "b"}},
      {"\"a\\\" b\"", {"a\" b"}},
      {"a\\\\\\\\\"b c\"", {"a\\\\b c"}},
      // Double-byte characters are copied whole; their second byte is no backslash.
      {"乗\" x\"", {"乗 x"}},
      {"\"乗\" y", {"乗", "y"}},
      {"昞\\\"", {"昞\""}},
      {"亅|", {"亅|"}},
      {"\x81", {"\x81"}},
      {"\x81 a", {"\x81 a"}},  // the C runtime takes the byte after a lead byte, whatever it is
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(SplitCommandLineArgs(c.line), c.args);
  }
}

}  // namespace
