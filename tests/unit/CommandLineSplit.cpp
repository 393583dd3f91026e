#include "CommandLineSplit.h"

#include <cstddef>

#include "text/AnsiText.h"

namespace {

bool IsBlankOrTab(char c) {
  return c == ' ' || c == '\t';
}

}  // namespace

std::vector<std::string> SplitCommandLineArgs(const std::string& args) {
  std::vector<std::string> argv;
  std::size_t pos = 0;
  const std::size_t size = args.size();
  for (;;) {
    while (pos < size && IsBlankOrTab(args[pos])) ++pos;
    if (pos >= size) break;

    std::string arg;
    bool inQuotes = false;
    while (pos < size) {
      const char c = args[pos];
      if (!inQuotes && IsBlankOrTab(c)) break;
      if (c == '\\') {
        std::size_t count = 0;
        while (pos < size && args[pos] == '\\') {
          ++count;
          ++pos;
        }
        if (pos < size && args[pos] == '"') {
          arg.append(count / 2, '\\');
          if (count % 2 == 1) {
            arg += '"';
            ++pos;
          }
          // With an even count the quote is left for the next round, where it groups.
        } else {
          arg.append(count, '\\');
        }
      } else if (c == '"') {
        if (inQuotes && pos + 1 < size && args[pos + 1] == '"') {
          arg += '"';
          pos += 2;
        } else {
          inQuotes = !inQuotes;
          ++pos;
        }
      } else {
        const std::size_t length = AnsiCharLength(args, pos);
        arg.append(args, pos, length);
        pos += length;
      }
    }
    argv.push_back(arg);
  }
  return argv;
}
