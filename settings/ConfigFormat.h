#pragma once
#include <string>

// The settings kept in config.db, one per line: device position, publish address, minimise-to-tray
// option, bitrate position. The defaults are those of a first start.
struct StoredSettings {
  int m_nDeviceIndex = 0;
  std::string m_strServer;
  int m_nMinimizeToTray = 0;
  int m_nBitrateIndex = 1;
};

// The four lines as the program means them: "%d\r\n%s\r\n%d\r\n%d\r\n". Written through a text-mode
// stream (ToTextModeBytes), each line ends in "\r\r\n" on disk. The address is a C string to the
// original format, so it ends at a NUL byte, should one be there.
std::string FormatConfig(const StoredSettings& s);

// Reads config.db's bytes, as they lie on disk, into s. The file is read as a text-mode stream reads it
// (a Ctrl+Z byte ends it), in lines split at '\n'; a last line without '\n' counts, an empty file has
// no line. Every ' ', '\r' and '\n' is removed from each line, so "\n", "\r\n" and "\r\r\n" line ends
// read alike and blanks inside the address are lost. Line 1 sets m_nDeviceIndex (empty or not a number:
// 0); line 2 sets m_strServer; line 3 sets m_nMinimizeToTray and line 4 m_nBitrateIndex, each only when not empty.
// Reading stops at the first missing line and leaves the fields after it as they were. Positions are
// not range-checked here.
void ParseConfig(const std::string& fileBytes, StoredSettings& s);

// atoi without undefined behaviour: skips leading white space, takes an optional sign and the digits
// after it; no digits gives 0; a value beyond the range of int gives INT_MAX or INT_MIN, as the Windows
// C runtime's atoi does.
int ParseDecimal(const std::string& text);
