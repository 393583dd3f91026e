#include "encoder/EncoderOutput.h"
#include "streaming/ExitReason.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "res/Texts.h"

// What the encoder writes to the status file while it publishes: progress lines ended by '\r' alone.
const std::string kStart =
    "ffmpeg version 6.1.1-full_build Copyright (c) 2000-2023 the FFmpeg developers\n"
    "Input #0, dshow, from 'audio=Mic':\n"
    "  Duration: N/A, start: 1234.567000, bitrate: 1411 kb/s\n"
    "Press [q] to stop, [?] for help\n";
const std::string kProgress =
    "size=       0kB time=00:00:00.00 bitrate=N/A speed=N/A    \r"
    "size=       3kB time=00:00:00.50 bitrate=  47.9kbits/s speed=1.01x    \r"
    "size=     123kB time=00:01:02.34 bitrate=  48.1kbits/s speed=   1x    \r";

TEST(EncoderOutput, LastMeaningfulLine) {
  const struct {
    const char* what;
    std::string output;
    std::string line;
  } cases[] = {
      {"CR-separated progress after the error", "audio=Mic: I/O error\n" + kProgress, "audio=Mic: I/O error"},
      {"trailing blank lines and blanks", "Unknown encoder 'libfdk_aac'  \r\n \r\n\t\n\n", "Unknown encoder 'libfdk_aac'"},
      {"the level meter's lines and closing report",
       kStart + "size=       7kB time=00:00:00.97 bitrate=  58.0kbits/s speed=0.968x    \r"
                "av_interleaved_write_frame(): Broken pipe\n"
                "[ametadata@level @ 0x555fa004d740] lavfi.astats.Overall.Peak_level=-18.063656\n"
                "Error writing trailer of rtmp://h/live/key: Broken pipe\n"
                "video:0kB audio:7kB subtitle:0kB other streams:0kB global headers:0kB muxing overhead: 8.514324%\n"
                "[astats@level @ 0x555fa004c980] Peak level dB: -18.063656\n"
                "[aac @ 0x555fa0046a40] Qavg: 1234.567\n"
                "Conversion failed!\n",
       "Error writing trailer of rtmp://h/live/key: Broken pipe"},
      {"no line end at all", "only line", "only line"},
      {"blanks and progress only", " \r\n" + kProgress + "\n\n", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(LastMeaningfulLine(c.output), c.line) << c.what;
}

TEST(EncoderOutput, ExitReasonIsMaskedAndCutAtACharacter) {
  EXPECT_EQ(EncoderExitReason(kProgress + "rtmp://127.0.0.1/live/secretkey?key=1: Connection refused\n"),
            "rtmp://127.0.0.1/live/****: Connection refused");
  const std::string yi = u8"音";  // three bytes
  EXPECT_EQ(EncoderExitReason(std::string(199, 'x') + yi + "tail"), std::string(199, 'x'));
  EXPECT_EQ(EncoderExitReason(std::string(197, 'x') + yi + "z"), std::string(197, 'x') + yi);
}

// The server still holds a stream of this name: the program says so, and that it tries again.
TEST(EncoderOutput, AlreadyPublishingIsExplained) {
  const std::string refused = "[rtmp @ 000001d7c2a3e4c0] Server error: Already publishing\n"
                              "rtmp://h/live/key: Operation not permitted\n";
  const struct {
    const char* what;
    std::string output;
    const char* reason;
  } cases[] = {
      {"more lines after it", kStart + refused + "Error opening output files: Operation not permitted\n",
       kLogAlreadyPublishing},
      {"a later server error decides",
       refused + "[rtmp @ 1] Server error: Access denied\nrtmp://h/live/key: I/O error\n", nullptr},
      {"another ending", kStart + kProgress + "rtmp://h/live/key: Broken pipe\n", nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(ExplainedExitReason(c.output), c.reason);
  }
}

TEST(EncoderOutput, DeviceInUse) {
  const std::string graph =
      "[dshow @ 000001d7c2a3e4c0] Could not run graph (sometimes caused by a device already in use by other "
      "application)\n";
  EXPECT_TRUE(DeviceSaysInUse(kStart + graph + "audio=Mic: I/O error\n"));
  EXPECT_TRUE(DeviceSaysInUse("[dshow @ 1] Device already in use\n"));
  EXPECT_FALSE(DeviceSaysInUse(kStart + kProgress + "audio=Mic: I/O error\n"));
}

TEST(EncoderOutput, LatestProgress) {
  const std::optional<long long> noTime;
  const std::optional<double> noRate;
  const struct {
    const char* what;
    std::string output;
    std::optional<long long> timeMs;
    std::optional<double> kbit;
  } cases[] = {
      {"publishing", kStart + kProgress, 62340, 48.1},
      {"the first line: N/A bitrate", "size=       0kB time=00:00:00.00 bitrate=N/A speed=N/A\r", 0, noRate},
      {"the latest line counts, even with N/A",
       "size= 3kB time=00:00:01.50 bitrate= 47.9kbits/s\rsize=N/A time=N/A bitrate=N/A\r", noTime, noRate},
      {"an error after the progress", kProgress + "rtmp://h/a/k: Broken pipe\n", 62340, 48.1},
      {"hours beyond two digits", "size= 1kB time=123:04:05.6 bitrate=1234.56kbits/s\r", 443045600, 1234.56},
      {"video progress line", "frame=  100 fps= 25 size=  300kB time=00:00:04.00 bitrate= 614.4kbits/s\r", 4000,
       614.4},
      {"a negative time is none", "size= 0kB time=-577014:32:22.77 bitrate=  -0.0kbits/s\r", noTime, noRate},
      {"no progress yet", kStart, noTime, noRate},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const EncoderProgress progress = LatestProgress(c.output);
    EXPECT_EQ(progress.timeMs, c.timeMs);
    EXPECT_EQ(progress.kbitPerSecond, c.kbit);
  }
}
