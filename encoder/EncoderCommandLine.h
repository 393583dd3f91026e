#pragma once
#include <cstddef>
#include <string>

// The encoder is started with its path as the program and one of these argument strings as the command
// line. Each string begins with a blank, standing where the program name would stand, so that the
// encoder reads its first option as its first argument; each also ends with a blank.

// The device listing run.
extern const char kListDevicesArgs[];  // " -list_devices true -f dshow -i dummy "

// The bitrate list, in kilobits per second, in the order the bitrate box shows it.
extern const char* const kBitrateTexts[6];
constexpr int kBitrateCount = 6;
constexpr int kDefaultBitrateIndex = 1;  // "48"

// The bitrate text for a stored position. A position that names no entry (a hand-edited config.db)
// gives the default, "48".
std::string BitrateTextForIndex(int index);

// The streaming run:
//   " -f dshow -i audio=\"<device>\" -y -c:a <aacEncoder> -b:a <bitrate>k -f flv <server> "
// where <aacEncoder> is libfdk_aac (kAacEncoderFdk) or, for an encoder built without it, aac
// (kAacEncoderNative); see AacEncoderChoice.h. Without aacEncoder the line is the libfdk_aac one.
// With levelMeter, the meter's graph (AudioLevels.h) follows the input:
//   " -f dshow -i audio=\"<device>\" -filter_complex <kLevelMeterGraph> -map [enc] -y -c:a …"
// The device and the server each reach the encoder as exactly one argument, whatever they hold, by the
// rules by which the Microsoft C runtime builds argv: blanks and tabs outside double quotes separate
// arguments; 2N backslashes before a double quote give N backslashes and the quote opens or closes
// quoting; 2N+1 give N backslashes and a literal double quote; other backslashes are literal. The device
// always stands inside audio="..."; the server stays bare unless it is empty or holds a blank, tab or
// double quote, in which case it is quoted. Inside quotes, a double quote is written as \" and the
// backslashes right before a double quote or before the closing quote are doubled; all other backslashes
// stay as they are. So a value without blank, tab and double quote, and without a backslash at its end
// (for the device) gives the line above byte for byte.
// The values are walked by character, so the second byte of a double-byte character (0x5C is one) is
// never escaped. A lead byte not followed by a valid second byte would swallow the byte after it (the
// closing quote, say) when the command line is converted, so it is written as '?', as that conversion
// shows it. A command line is a C string: each value ends at a NUL byte, should it hold one.
std::string BuildStreamArgs(const std::string& device, const std::string& bitrateText, const std::string& server,
                            const std::string& aacEncoder = "libfdk_aac", bool levelMeter = false);

// One argument as the encoder is to read it back, by the rules above: the value up to its first NUL, a lead
// byte without its second byte written as '?', bare or quoted as the server is.
std::string CommandLineArgument(const std::string& value);
// The capture of a DirectShow audio device, as one argument: audio="<device>", by the rules above.
std::string DshowAudioInput(const std::string& device);

// CreateProcessA's limit for its command line: 32767 characters including the terminating NUL.
constexpr std::size_t kMaxCommandLineChars = 32767;
