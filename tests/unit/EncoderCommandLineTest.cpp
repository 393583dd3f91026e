#include "encoder/EncoderCommandLine.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "CommandLineSplit.h"

namespace {

using Args = std::vector<std::string>;

// The arguments the encoder is meant to receive for a streaming run.
Args StreamArgv(const std::string& device, const std::string& bitrate, const std::string& server) {
  return {"-f", "dshow", "-i", "audio=" + device, "-y", "-c:a", "libfdk_aac", "-b:a", bitrate + "k",
          "-f", "flv", server};
}

// A position from a hand-edited config.db.
TEST(EncoderCommandLine, APositionThatNamesNoBitrateGivesTheDefault) {
  for (int index : {-1, kBitrateCount, INT_MAX, INT_MIN}) EXPECT_EQ(BitrateTextForIndex(index), "48") << index;
}

// The one exact line: ordinary values stand as they are, a backslash before neither a quote nor the end
// and a second byte 0x5C (乗, 昞) included. The integration tests check the line the encoder receives.
TEST(EncoderCommandLine, OrdinaryValuesGiveTheLineByteForByte) {
  EXPECT_EQ(BuildStreamArgs("乗 Mic a\\b", "48", "rtmp://h/昞/s?key=a\\b"),
            " -f dshow -i audio=\"乗 Mic a\\b\" -y -c:a libfdk_aac -b:a 48k -f flv rtmp://h/昞/s?key=a\\b ");
}

// Values that must each reach the encoder as one argument, unchanged.
const std::string kHostileValues[] = {
    "", " ", "\t", "a b", " leading", "trailing ", "\"", "\"\"", "a \"quoted\" name",
    "\\", "a\\\\\\", "\\\"", "a\\\\\"b", "a\\b", "\\\\server\\share\\", "C:\\Program Files\\",
    "-f flv rtmp://evil/", "\" -i evil \"", "\" -y \\", "%s %d %%", "a\nb",
    "乗", "乗\\", "乗\"", "乗 乗", "昞\\\"", "淺\"\\", "亅|", "乨show", "　full-width　blank　",
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

// A lead byte without a valid second byte would swallow the byte after it when the command line is
// converted; it is written as '?', and the value still stays one argument. A command line is a C string:
// what follows a NUL never reaches the encoder.
TEST(EncoderCommandLine, ValuesTheEncoderCannotReceiveAsTheyAre) {
  const struct {
    std::string value;
    std::string received;
  } cases[] = {
      {"a\x81", "a?"}, {"\x81\"", "?\""}, {"\x81 x", "? x"}, {"\xFE\x7F", "?\x7F"},
      {"\x81\x81\x81", "\x81\x81?"},  // a pair, then a lead byte at the end
      {"\x81\\", "\x81\\"},          // a valid pair (乗): kept
      {std::string("ab\0 cd", 6), "ab"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(SplitCommandLineArgs(BuildStreamArgs(c.value, "48", "rtmp://h/a/s")),
              StreamArgv(c.received, "48", "rtmp://h/a/s"));
    EXPECT_EQ(SplitCommandLineArgs(BuildStreamArgs("d", "48", c.value)), StreamArgv("d", "48", c.received));
  }
}

// The round trips above are only as good as the splitter they read the line with.
TEST(SplitCommandLineArgs, CRuntimeRules) {
  const struct {
    std::string line;
    Args args;
  } cases[] = {
      {" \t ", {}}, {" a\t\tb ", {"a", "b"}}, {"x\"a b\"y z", {"xa by", "z"}}, {"\"\" \"\"", {"", ""}},
      {"\"a b", {"a b"}}, {"\"a\"\"b c\"", {"a\"b c"}},  // inside quotes, "" is one literal quote
      {"a\\\\b", {"a\\\\b"}}, {"\\\\\"a b\"", {"\\a b"}}, {"\\\\\\\"a", {"\\\"a"}}, {"\"a\\\\\" b", {"a\\", "b"}},
      {"乗\" x\"", {"乗 x"}},  // the second byte 0x5C escapes nothing
      {"\x81 a", {"\x81 a"}},  // the C runtime takes the byte after a lead byte, whatever it is
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(SplitCommandLineArgs(c.line), c.args);
  }
}

}  // namespace
