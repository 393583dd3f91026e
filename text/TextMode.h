#pragma once
#include <string>

// The program writes and reads its files (config.db, device.txt) through text-mode streams of the
// Windows C runtime. These two functions give the bytes such a stream produces, so that the rules can
// work on plain bytes and the Windows code can use raw file access.

// What a text-mode stream writes for these bytes: every '\n' becomes "\r\n". A "\r\n" already present
// therefore reaches the file as "\r\r\n".
std::string ToTextModeBytes(const std::string& text);

// What a text-mode stream reads from these file bytes: every "\r\n" becomes "\n" (a lone '\r' stays),
// and a Ctrl+Z byte (0x1A) ends the text.
std::string FromTextModeBytes(const std::string& fileBytes);
