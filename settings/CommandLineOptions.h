#pragma once
#include <string>

// The program's own command line (WinMain's lpCmdLine: the ANSI text after the program's name) says
// one thing: whether to go live as soon as the window is up, so that a shortcut in the Startup folder
// puts a machine back on air after a restart without anyone at it.

// True when one of the line's arguments is "/live" or "-live", in any case. Arguments are separated by
// blanks and tabs outside double quotes, and the double quotes themselves are dropped, so "/live" in
// quotes counts while a quoted argument that merely holds " /live " (a path, say) does not. Backslashes
// have no special meaning here. Anything else on the line is ignored.
bool GoLiveAtStartup(const std::string& commandLine);
