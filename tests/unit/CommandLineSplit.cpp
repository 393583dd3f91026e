#include "CommandLineSplit.h"

#include "text/AnsiText.h"

std::vector<std::string> SplitCommandLineArgs(const std::string& args) {
  std::vector<std::string> argv;
  std::size_t pos = 0;
  const auto blank = [&] { return args[pos] == ' ' || args[pos] == '\t'; };
  for (;;) {
    while (pos < args.size() && blank()) ++pos;
    if (pos >= args.size()) return argv;
    std::string arg;
    bool inQuotes = false;
    while (pos < args.size() && (inQuotes || !blank())) {
      if (args[pos] == '\\') {
        const std::size_t first = pos;
        while (pos < args.size() && args[pos] == '\\') ++pos;
        const std::size_t count = pos - first;
        const bool quote = pos < args.size() && args[pos] == '"';
        // 2N backslashes before a quote give N and leave the quote to group; 2N+1 give N and a literal quote.
        arg.append(quote ? count / 2 : count, '\\');
        if (quote && count % 2 == 1) arg += args[pos++];
      } else if (args[pos] == '"') {
        if (inQuotes && pos + 1 < args.size() && args[pos + 1] == '"') {
          arg += '"';
          ++pos;
        } else {
          inQuotes = !inQuotes;
        }
        ++pos;
      } else {
        const std::size_t length = AnsiCharLength(args, pos);
        arg.append(args, pos, length);
        pos += length;
      }
    }
    argv.push_back(arg);
  }
}
