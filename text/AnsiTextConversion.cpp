#include "text/AnsiTextConversion.h"

#include <windows.h>

namespace {

std::wstring Widen(const std::string& text, UINT codePage) {
  if (text.empty()) return std::wstring();
  // Lengths are given explicitly, so a NUL byte in the encoder's output does not cut the rest off.
  const int length = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (length <= 0) return std::wstring();
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), &wide[0], length);
  return wide;
}

std::string Narrow(const std::wstring& wide, UINT codePage) {
  if (wide.empty()) return std::string();
  const int length =
      WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  if (length <= 0) return std::string();
  std::string text(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), &text[0], length, nullptr, nullptr);
  return text;
}

}  // namespace

void Utf8ToAnsi(std::string& text) { text = Narrow(Widen(text, CP_UTF8), CP_ACP); }

std::string AnsiToUtf8(const std::string& ansi) { return Narrow(Widen(ansi, CP_ACP), CP_UTF8); }

AnsiLines Utf8ToAnsiByLine(const std::string& utf8) {
  AnsiLines result;
  size_t start = 0;
  for (;;) {
    const size_t end = utf8.find('\n', start);
    const std::string line = utf8.substr(start, end == std::string::npos ? std::string::npos : end - start);
    const std::wstring wide = Widen(line, CP_UTF8);
    const std::string ansi = Narrow(wide, CP_ACP);
    // A default character or a best-fit look-alike both fail the way back.
    result.lossy.push_back(Widen(ansi, CP_ACP) != wide);
    result.text += ansi;
    if (end == std::string::npos) break;
    result.text += '\n';
    start = end + 1;
  }
  return result;
}
