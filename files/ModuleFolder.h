#pragma once
#include <cstddef>
#include <string>

// The size of the buffer the program reads its own path into.
constexpr std::size_t kModulePathBufferSize = 256;

// The folder part of an executable path read into a fixed, NUL-padded buffer: cut at the last '\'
// found within the buffer. A path longer than the buffer was cut short by the system, so the folder
// taken is the deepest one that fits; a buffer without '\' is taken whole.
// The text is in the ANSI code page 936, whose double-byte characters may carry 0x5C ('\') as their
// second byte: such a byte is part of a character, not a separator.
std::string FolderFromModulePathBuffer(const char (&buffer)[kModulePathBufferSize]);
