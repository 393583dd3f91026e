#include "settings/CommandLineOptions.h"

#include "text/AsciiText.h"

namespace {

bool IsLiveSwitch(const std::string& argument) {
  const std::string lower = AsciiLower(argument);
  return lower == "/live" || lower == "-live";
}

}  // namespace

bool GoLiveAtStartup(const std::string& commandLine) {
  // Blank, tab and '"' are below 0x40, so none of them is ever the second byte of a double-byte
  // character: the line can be walked byte by byte.
  std::string argument;
  bool quoted = false;
  for (char c : commandLine) {
    if (c == '"') {
      quoted = !quoted;
    } else if ((c == ' ' || c == '\t') && !quoted) {
      if (IsLiveSwitch(argument)) return true;
      argument.clear();
    } else {
      argument += c;
    }
  }
  return IsLiveSwitch(argument);
}
