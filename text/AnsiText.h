#pragma once
#include <cstddef>
#include <vector>
#include <string>

// Text strings of the program are bytes in the ANSI code page 936. A byte from 0x81 to 0xFE starts a
// double-byte character and the byte after it belongs to that character, whatever its value: the second
// byte of a valid character lies in 0x40..0xFE (but not 0x7F) and so may be '\\', '|', '@' or a letter.
// Such a byte must never be read as the ASCII character of the same value.

// True for the first byte of a double-byte character.
bool IsAnsiLeadByte(unsigned char byte);

// True for a byte that may stand second in a valid double-byte character.
bool IsAnsiTrailByte(unsigned char byte);

// The length in bytes (1 or 2) of the character that starts at text[pos]. A lead byte takes the byte
// after it, as the C runtime and the code-page conversion do; a lead byte at the very end stands alone.
std::size_t AnsiCharLength(const std::string& text, std::size_t pos);

// Where needle first occurs in text at or after `from`, starting on a character boundary, or npos.
// A match that would begin on the second byte of a double-byte character does not count.
std::size_t FindAnsiText(const std::string& text, const std::string& needle, std::size_t from = 0);

inline bool ContainsAnsiText(const std::string& text, const std::string& needle) {
  return FindAnsiText(text, needle) != std::string::npos;
}

// A text of the program with its figures put in: each "{}" of pattern, in order, is replaced by the next
// value; a "{}" without a value is left as it is. Only a "{}" that starts on a character boundary counts:
// '{' and '}' may be the second byte of a double-byte character.
std::string FillIn(const std::string& pattern, const std::vector<std::string>& values);
