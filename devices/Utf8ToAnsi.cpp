#include "devices/Utf8ToAnsi.h"

#include <windows.h>

#include <vector>

void Utf8ToAnsi(std::string& text) {
  if (text.empty()) return;
  // Lengths are given explicitly, so a NUL byte in the encoder's output does not cut the rest off.
  const int utf8Length = static_cast<int>(text.size());
  const int wideLength = MultiByteToWideChar(CP_UTF8, 0, text.data(), utf8Length, nullptr, 0);
  if (wideLength <= 0) {
    text.clear();
    return;
  }
  std::vector<wchar_t> wide(static_cast<size_t>(wideLength) + 1, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), utf8Length, wide.data(), wideLength);

  const int ansiLength = WideCharToMultiByte(CP_ACP, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
  if (ansiLength <= 0) {
    text.clear();
    return;
  }
  std::vector<char> ansi(static_cast<size_t>(ansiLength) + 1, '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), wideLength, ansi.data(), ansiLength, nullptr, nullptr);
  text.assign(ansi.data(), static_cast<size_t>(ansiLength));
}
