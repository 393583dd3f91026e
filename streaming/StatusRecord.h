#pragma once
// What becomes of the streaming encoder's output (stdout and stderr, read from its pipe piece by piece):
// what the status file is to hold, and what the session reads of it. An encoder writes about 28 KB a
// minute when all is well and may write a megabyte a second of warnings when its capture device lags, so
// the file is kept within a bound: when the next piece would take it past kStatusFileMaxBytes, it starts
// over with the newest output, cut at a line start. The latest progress line and the latest level reading
// are remembered apart from the rest, so that neither a cut nor a flood of other lines hides them.
#include <cstddef>
#include <string>

// The most the status file ever holds.
constexpr std::size_t kStatusFileMaxBytes = 1 << 20;
// How much of the newest output a status file that starts over keeps (at most).
constexpr std::size_t kStatusFileKeptBytes = 256 * 1024;
// How much of the newest output the session is handed (at most), after the remembered lines.
constexpr std::size_t kStatusTailBytes = 16384;
// A line longer than this is neither a progress line nor a level reading: it is not remembered.
constexpr std::size_t kLongestRememberedLine = 1024;

class StatusRecord {
 public:
  // What to do to the status file with one piece of output.
  struct FileWrite {
    bool startOver = false;  // write bytes from the file's start and end the file there; else append them
    std::string bytes;
  };

  // Takes the next piece of output, in the order the encoder wrote it.
  FileWrite Take(const std::string& output);
  // The file started over now, as Take does at the bound: for a file that missed writes.
  FileWrite StartOver();

  // The latest progress line and the latest level reading, each unless the newest output holds it
  // already, then the newest output (at most kStatusTailBytes, from a line start): whatever reads the
  // encoder's progress, level, refusal of the meter or last words finds them here, the remembered lines
  // standing before the output they are older than.
  std::string Recent() const;

 private:
  // Keeps the line just ended (m_line, ended by end) if it is one to remember.
  void Remember(char end);
  // The remembered lines that text does not hold, then text.
  std::string WithRemembered(const std::string& text) const;

  // The newest output, the file's end: between kStatusFileKeptBytes and twice that once there is as much
  // (trimmed in steps, so that taking a piece costs what the piece costs).
  std::string m_newest;
  std::size_t m_fileBytes = 0;
  // The line being written, until its end comes; not kept once it is longer than kLongestRememberedLine.
  std::string m_line;
  bool m_lineTooLong = false;
  // With their line ends.
  std::string m_progressLine;
  std::string m_levelLine;
};
