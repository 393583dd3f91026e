#pragma once
#include <string>

// Converts text in place from UTF-8 to the system ANSI code page. Characters the code page lacks become
// its default character; if a conversion fails the text becomes empty.
void Utf8ToAnsi(std::string& text);
