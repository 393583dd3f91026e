#pragma once
// A running copy of the program claims its status file for as long as it runs, so that a second copy,
// started from another folder, writes a status file of its own instead of emptying this one's.
#include "files/FileLocations.h"

// Claims files.statusFile for the rest of this process's life (a named mutex, StatusFileClaimName of its
// full path). When another running copy has claimed it, files.statusFile becomes this copy's own
// (ChooseStatusFile), claimed in its turn, and false is returned: the caller says where it went.
bool ClaimStatusFile(FileLocations& files);
