#pragma once
// ASCII rules for text of any code page: what the encoder prints, addresses, switches.
#include <string>

inline bool StartsWith(const std::string& text, const char* prefix) {
  return text.compare(0, std::char_traits<char>::length(prefix), prefix) == 0;
}

// 'A'..'Z' to 'a'..'z'; every other byte as it is.
inline char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Every byte through AsciiLower, the second bytes of double-byte characters (AnsiText.h) too: for comparing
// with an ASCII word, never for text kept or shown.
inline std::string AsciiLower(std::string text) {
  for (char& c : text) c = AsciiLower(c);
  return text;
}

// As printf's "%0<width>lld", without printf: a format of floating-point numbers brings the C library's
// whole formatter into the program. The digits, zeros before them up to width, a minus sign counted in it.
inline std::string ZeroPadded(long long value, int width) {
  const bool negative = value < 0;
  // From the unsigned value: the most negative number has no positive one.
  std::string digits = std::to_string(negative ? 0ull - static_cast<unsigned long long>(value)
                                               : static_cast<unsigned long long>(value));
  const int zeros = width - static_cast<int>(digits.size()) - (negative ? 1 : 0);
  if (zeros > 0) digits.insert(0, static_cast<std::size_t>(zeros), '0');
  return negative ? "-" + digits : digits;
}

// As printf's "%0<width>llx".
inline std::string HexPadded(unsigned long long value, int width) {
  std::string digits;
  do {
    digits.insert(digits.begin(), "0123456789abcdef"[value % 16]);
    value /= 16;
  } while (value != 0);
  if (static_cast<int>(digits.size()) < width) digits.insert(0, static_cast<std::size_t>(width) - digits.size(), '0');
  return digits;
}
