#pragma once
#include <string>

// A name for a folder (or a file) that two spellings of the same folder share ("C:\Radio\", "c:\radio"): the
// system's object names are case-sensitive while paths are not. ASCII letters only are folded; a byte
// of a double-byte character is kept as it is, as the file system compares those characters exactly.
// The result is plain hex digits, usable in any kernel object's name.
std::string FolderKey(const std::string& fullPath);
