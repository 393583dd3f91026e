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
