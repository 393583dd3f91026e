#include "settings/CommandLineOptions.h"

namespace {

char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsLiveSwitch(const std::string& argument) {
  std::string lower;
  for (char c : argument) lower += Lower(c);
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
