#include "encoder/EncoderCommandLine.h"

#include "encoder/AudioLevels.h"
#include "text/AnsiText.h"

const char kListDevicesArgs[] = " -list_devices true -f dshow -i dummy ";

const char* const kBitrateTexts[6] = {"32", "48", "64", "96", "128", "192"};

namespace {

// The value up to its first NUL, with every lead byte that has no valid second byte after it written
// as '?'.
std::string CleanValue(const std::string& value) {
  const std::string text = value.substr(0, value.find('\0'));
  std::string clean;
  clean.reserve(text.size());
  for (std::size_t pos = 0; pos < text.size(); ++pos) {
    const unsigned char byte = static_cast<unsigned char>(text[pos]);
    if (!IsAnsiLeadByte(byte)) {
      clean += text[pos];
    } else if (pos + 1 < text.size() && IsAnsiTrailByte(static_cast<unsigned char>(text[pos + 1]))) {
      clean += text[pos];
      clean += text[++pos];
    } else {
      clean += '?';
    }
  }
  return clean;
}

// The text to put between an opening and a closing double quote so that it reads back as `value`.
std::string EscapeInsideQuotes(const std::string& value) {
  std::string escaped;
  escaped.reserve(value.size() + 8);
  std::size_t backslashes = 0;  // pending backslashes right before the current character
  for (std::size_t pos = 0; pos < value.size();) {
    const std::size_t length = AnsiCharLength(value, pos);
    const char c = value[pos];
    if (length == 1 && c == '\\') {
      ++backslashes;
    } else if (length == 1 && c == '"') {
      escaped.append(2 * backslashes + 1, '\\');
      escaped += '"';
      backslashes = 0;
    } else {
      escaped.append(backslashes, '\\');
      escaped.append(value, pos, length);
      backslashes = 0;
    }
    pos += length;
  }
  // The closing quote follows: backslashes before it must be doubled to stay literal.
  escaped.append(2 * backslashes, '\\');
  return escaped;
}

bool NeedsQuotes(const std::string& value) {
  // Blank, tab and double quote are single bytes below 0x40, never the second byte of a character.
  return value.empty() || value.find_first_of(" \t\"") != std::string::npos;
}

// A whole argument: bare when the C runtime would read it back unchanged, else quoted.
std::string QuoteArgument(const std::string& value) {
  if (!NeedsQuotes(value)) return value;
  return "\"" + EscapeInsideQuotes(value) + "\"";
}

}  // namespace

std::string CommandLineArgument(const std::string& value) { return QuoteArgument(CleanValue(value)); }

std::string DshowAudioInput(const std::string& device) {
  return "audio=\"" + EscapeInsideQuotes(CleanValue(device)) + '"';
}

std::string BitrateTextForIndex(int index) {
  if (index < 0 || index >= kBitrateCount) index = kDefaultBitrateIndex;
  return kBitrateTexts[index];
}

std::string BuildStreamArgs(const std::string& device, const std::string& bitrateText, const std::string& server,
                            const std::string& aacEncoder, bool levelMeter) {
  std::string args = " -f dshow -i ";
  args += DshowAudioInput(device);
  if (levelMeter) {
    args += " -filter_complex ";
    args += CommandLineArgument(kLevelMeterGraph);
    args += " -map ";
    args += CommandLineArgument(kLevelMeterOutput);
  }
  args += " -y -c:a ";
  args += CommandLineArgument(aacEncoder);
  args += " -b:a ";
  args += CommandLineArgument(bitrateText + "k");
  args += " -f flv ";
  args += CommandLineArgument(server);
  args += ' ';
  return args;
}
