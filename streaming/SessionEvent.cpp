#include "streaming/SessionEvent.h"

std::vector<std::string> LogLinesOf(const SessionEvents& events) {
  std::vector<std::string> lines;
  for (const SessionEvent& event : events) {
    if (!event.line.empty()) lines.push_back(event.line);
    if (!event.reasonLine.empty()) lines.push_back(event.reasonLine);
  }
  return lines;
}
