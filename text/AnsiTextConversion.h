#pragma once
// Conversions between UTF-8 (the encoder's output, the log's files) and the program's ANSI code page (936)
// text.
#include <string>
#include <vector>

// Converts text in place from UTF-8 to the system ANSI code page. Characters the code page lacks become
// its default character; if a conversion fails the text becomes empty.
void Utf8ToAnsi(std::string& text);

// The program's ANSI code page text in UTF-8; empty when the conversion fails.
std::string AnsiToUtf8(const std::string& ansi);

// The same conversion, told line by line: lossy[i] is true when line i (lines split at '\n') did not
// survive the trip, i.e. converting it back does not give the original characters. A device name on such
// a line cannot be handed to the encoder as it is shown.
struct AnsiLines {
  std::string text;
  std::vector<bool> lossy;
};
AnsiLines Utf8ToAnsiByLine(const std::string& utf8);
