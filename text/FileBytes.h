#pragma once
#include <string>

// Whole-file reads and writes in binary mode; the program's own text-mode rules are applied by the caller
// (text/TextMode.h), so the bytes on disk are exactly the ones tested.
bool ReadFileBytes(const char* path, std::string& bytes);
// Creates or empties the file and writes bytes; false when the file cannot be opened.
bool WriteFileBytes(const char* path, const std::string& bytes);
