#pragma once
#include <cstddef>
#include <optional>
#include <string>

// Reading what the streaming encoder wrote (its stdout and stderr together), as the status file or the
// session's copy of it holds it (StatusRecord::Recent). The text is UTF-8 as the encoder wrote it; turning it into the ANSI code page is left to the caller. The encoder
// prints a progress line about twice a second, ended by '\r' alone so that a console overwrites it:
//   size=     123kB time=00:01:02.34 bitrate=  48.1kbits/s speed=1x
// ("frame=  100 fps= 25 ... size= ..." when it also encodes pictures); its messages end in '\n'. Both
// '\r' and '\n' end a line here. The functions look at the end of the text first, so a long text costs
// only its last lines.

// True for a progress line: after leading blanks it starts with "size=" or "frame=" and holds "time=".
bool IsProgressLine(const std::string& line);

// The last line that says something: not blank, not a progress line, not one of the encoder's closing
// lines that follow every failure ("Conversion failed!", the "video:0kB audio:…" summary), and not a
// line of the level meter (AudioLevels.h), whose report comes after the error.
// Leading and trailing blanks are dropped. Empty when there is none.
std::string LastMeaningfulLine(const std::string& output);

// The figures of the latest progress line. Both are empty when there is no progress line; each is empty
// when that line has none or says N/A (the latest line counts, not an earlier one with a value).
struct EncoderProgress {
  std::optional<long long> timeMs;        // time=HH:MM:SS.xx, in milliseconds
  std::optional<double> kbitPerSecond;    // bitrate=  48.1kbits/s
};
EncoderProgress LatestProgress(const std::string& output);

// True when the server turned the stream away because one of the same name is still being published,
// as after an encoder that was cut off moments ago: the latest line holding "Server error: " reads
//   [rtmp @ 0x…] Server error: Already publishing
// (the encoder then prints "rtmp://host/app/key: Operation not permitted" and ends).
bool ServerSaysAlreadyPublishing(const std::string& output);

// True when the capture device would not start because another program holds it: DirectShow's input says
//   [dshow @ 0x…] Could not run graph (sometimes caused by a device already in use by other application)
// and the encoder ends ("audio=<device>: I/O error"). Some drivers say only "already in use".
bool DeviceSaysInUse(const std::string& output);
