#include "streaming/StatusRecord.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "encoder/AudioLevels.h"
#include "encoder/EncoderOutput.h"

namespace {

// The status file as the pump keeps it: each write appended, or the file started over.
struct StatusFile {
  StatusRecord record;
  std::string bytes;
  int startOvers = 0;

  void Write(const std::string& output) {
    const StatusRecord::FileWrite write = record.Take(output);
    if (write.startOver) {
      bytes.clear();
      ++startOvers;
    }
    bytes += write.bytes;
  }
};

std::string Clock(long long ms) {
  char text[32];
  std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld.%02lld", ms / 3600000, ms / 60000 % 60, ms / 1000 % 60,
                ms % 1000 / 10);
  return text;
}

// ffmpeg's progress line at a stream time, its peak reading, and the warning a lagging capture device
// repeats.
std::string Progress(long long ms) {
  return "size=     123kB time=" + Clock(ms) + " bitrate=  48.0kbits/s speed=1x    \r";
}
std::string Level(int db) {
  return "[ametadata@level @ 000001d7c2a3e4c0] frame:1    pts:22050   pts_time:0.5\n"
         "[ametadata@level @ 000001d7c2a3e4c0] lavfi.astats.Overall.Peak_level=" +
         std::to_string(db) + ".000000\n";
}
const char kTooFull[] =
    "[dshow @ 000001d7c2b5f2c0] real-time buffer [Mic] [audio input] too full or near too full (101% of size: "
    "3041280 [rtbufsize parameter])! frame dropped!\r\n";

TEST(StatusRecord, NeverPassesTheBoundAndStartsOverWithTheNewestWholeLines) {
  // Pieces smaller than a line, as large as the pipe's buffer, around the bound and beyond it.
  for (const std::size_t piece :
       {std::size_t{7}, std::size_t{65536}, kStatusFileMaxBytes, kStatusFileMaxBytes + 1, 3 * kStatusFileMaxBytes}) {
    SCOPED_TRACE(piece);
    std::string stream;
    for (int line = 0; stream.size() < 4 * kStatusFileMaxBytes; ++line)
      stream += "line " + std::to_string(line) + (line % 3 ? " of the encoder\n" : " ended by CR LF\r\n");
    StatusFile file;
    for (std::size_t at = 0; at < stream.size(); at += piece) {
      const int startOvers = file.startOvers;
      file.Write(stream.substr(at, piece));
      ASSERT_LE(file.bytes.size(), kStatusFileMaxBytes);
      if (file.startOvers == startOvers) continue;
      // The newest output, from the start of a line, and no less of it than the lines allow.
      const std::size_t written = std::min(stream.size(), at + piece);
      ASSERT_EQ(stream.compare(written - file.bytes.size(), file.bytes.size(), file.bytes), 0);
      EXPECT_EQ(stream[written - file.bytes.size() - 1], '\n');
      EXPECT_GT(file.bytes.size(), kStatusFileKeptBytes - 40);
      EXPECT_LE(file.bytes.size(), kStatusFileKeptBytes);
    }
    EXPECT_GT(file.startOvers, 0);
  }
}

TEST(StatusRecord, AFloodOfWarningsHidesNeitherTheProgressNorTheLevel) {
  // A megabyte a second of warnings; progress twice a second, a level reading four times; read in
  // pieces as large as the pipe's buffer.
  StatusFile file;
  std::string pending;
  long long latestMs = -1;
  int latestDb = 0;
  for (long long ms = 0; ms < 10000; ms += 250) {
    for (int i = 0; i < 250000 / static_cast<int>(sizeof kTooFull); ++i) pending += kTooFull;
    pending += Level(latestDb = -20 - static_cast<int>(ms / 250 % 7));
    if (ms % 500 == 0) pending += Progress(latestMs = ms);
    for (; pending.size() >= 65536; pending.erase(0, 65536)) {
      const int startOvers = file.startOvers;
      file.Write(pending.substr(0, 65536));
      if (file.startOvers != startOvers) {
        EXPECT_TRUE(LatestProgress(file.bytes).timeMs) << "a file started over still tells the progress";
      }
    }
    file.Write(pending);
    pending.clear();
    const std::string recent = file.record.Recent();
    EXPECT_LE(recent.size(), kStatusTailBytes + 2 * kLongestRememberedLine);
    EXPECT_EQ(LatestProgress(recent).timeMs, latestMs) << ms;
    EXPECT_EQ(LatestPeakLevel(recent), latestDb) << ms;
    EXPECT_EQ(LatestProgress(file.bytes).timeMs, latestMs) << ms;
  }
  EXPECT_GT(file.startOvers, 5);
}

TEST(StatusRecord, ALineWrittenInPiecesIsRememberedWhole) {
  StatusRecord record;
  const std::string line = Progress(61230);
  for (char c : line) record.Take(std::string(1, c));
  record.Take(std::string(kStatusTailBytes, 'x') + "\n");
  EXPECT_EQ(LatestProgress(record.Recent()).timeMs, 61230);
  EXPECT_EQ(record.Recent().rfind(line, 0), 0u) << "in front of the newest output";
}

TEST(StatusRecord, AFileThatMissedWritesStartsOverWithWhatItWouldHold) {
  StatusFile file;
  std::string nearlyFull = Progress(500);
  while (nearlyFull.size() < kStatusFileMaxBytes - sizeof kTooFull) nearlyFull += kTooFull;
  file.Write(nearlyFull);
  const StatusRecord::FileWrite again = file.record.StartOver();
  EXPECT_TRUE(again.startOver);
  EXPECT_EQ(LatestProgress(again.bytes).timeMs, 500);
  EXPECT_LE(again.bytes.size(), kStatusFileKeptBytes + kLongestRememberedLine);
  file.Write(std::string(kTooFull) + kTooFull);
  EXPECT_EQ(file.startOvers, 0) << "the file that started over is far from its bound";
}

}  // namespace
