#include "encoder/EncoderCommandLine.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "CommandLineSplit.h"
#include "encoder/AudioLevels.h"

using Args = std::vector<std::string>;

// A position from a hand-edited config.db.
TEST(EncoderCommandLine, APositionThatNamesNoBitrateGivesTheDefault) {
  for (int index : {-1, kBitrateCount, INT_MAX, INT_MIN}) EXPECT_EQ(BitrateTextForIndex(index), "48") << index;
}

// The one exact line: ordinary values stand as they are, a backslash before neither a quote nor the end
// and a second byte 0x5C (乗, 昞) included.
TEST(EncoderCommandLine, OrdinaryValuesGiveTheLineByteForByte) {
  EXPECT_EQ(BuildStreamArgs("乗 Mic a\\b", "48", "rtmp://h/昞/s?key=a\\b"),
            " -f dshow -i audio=\"乗 Mic a\\b\" -y -c:a libfdk_aac -b:a 48k -f flv rtmp://h/昞/s?key=a\\b ");
}

// The meter's graph and output stand between the input and the output options, each one argument.
TEST(EncoderCommandLine, LevelMeterFollowsTheInput) {
  EXPECT_EQ(SplitCommandLineArgs(BuildStreamArgs("Mic", "48", "rtmp://h/a/s", "aac", true)),
            Args({"-f", "dshow", "-i", "audio=Mic", "-filter_complex", kLevelMeterGraph, "-map", "[enc]", "-y", "-c:a",
                  "aac", "-b:a", "48k", "-f", "flv", "rtmp://h/a/s"}));
}

// Whether any device and address reach the encoder as one argument each is the command_line fuzzer's
// matter (its seeds are the hostile values); it reads the line back with this splitter, which must split
// as the C runtime does.
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
