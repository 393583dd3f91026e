#pragma once
// What the recording's settings window shows of its folder: how much the program's recordings take there
// (finished files and the segment being written; whatever else lies in the folder is the user's), and
// sizes as a person reads them.
#include <string>

struct FolderTally {
  unsigned long long bytes = 0;
  int files = 0;
};

// Counts a file of the folder when it is one of the program's recordings.
void TallyFile(FolderTally& tally, const std::string& name, unsigned long long bytes);

// In MB below a GB, in GB below a TB, then in TB; one decimal, none for whole MB: "0 MB", "12.5 MB",
// "1.5 GB", "2.0 TB".
std::string SizeText(unsigned long long bytes);
