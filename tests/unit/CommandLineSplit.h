#pragma once
#include <string>
#include <vector>

// Splits a command line into arguments as the Microsoft C runtime builds argv, so that the tests read
// the encoder's command line as the encoder will (every argument alike: no special rule for a program
// name, as the argument strings have none):
// - blanks and tabs outside quotes separate arguments; a double quote starts or ends quoting and is
//   dropped, so "" gives an empty argument;
// - 2N backslashes followed by a double quote give N backslashes, and the quote works as above;
//   2N+1 backslashes followed by a double quote give N backslashes and a literal double quote;
//   backslashes not followed by a double quote are literal;
// - inside quotes, "" gives one literal double quote and quoting goes on (the rule of the C runtime
//   since Visual C++ 2008 and of the Universal C runtime);
// - a double-byte character (lead byte and the byte after it) is copied whole, never read as ASCII.
std::vector<std::string> SplitCommandLineArgs(const std::string& args);
