#pragma once
#include <string>
#include <vector>

// Splits a command line into arguments as the Microsoft C runtime builds argv (the Universal C runtime's
// rules: inside quotes "" is one literal quote), so that the tests read the encoder's command line as the
// encoder will. Every argument alike: the argument strings have no program name. A double-byte character
// is copied whole, never read as ASCII.
std::vector<std::string> SplitCommandLineArgs(const std::string& args);
