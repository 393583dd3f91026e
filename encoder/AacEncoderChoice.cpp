#include "encoder/AacEncoderChoice.h"

#include <algorithm>
#include <cstddef>

#include "encoder/EncoderConfiguration.h"

const char kAacEncoderFdk[] = "libfdk_aac";
const char kAacEncoderNative[] = "aac";

namespace {

const char kProbePresent[] = "Encoder libfdk_aac ";
const char kProbeAbsent[] = "Codec 'libfdk_aac' is not recognized";
const char kFdkAacOption[] = "--enable-libfdk-aac";

bool IsBlankByte(char c) {
  return c == ' ' || c == '\t';
}

}  // namespace

FdkAacSupport FdkAacSupportFromEncoderText(const std::string& text) {
  bool present = false;
  bool absent = false;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) end = text.size();
    std::size_t first = start;
    while (first < end && IsBlankByte(text[first])) ++first;
    // Each needle is looked for at the start of a line or inside one line only, so the work stays
    // linear in the text.
    const std::string line = text.substr(first, end - first);
    if (line.compare(0, sizeof kProbePresent - 1, kProbePresent) == 0) {
      present = true;
    } else if (line.find(kProbeAbsent) != std::string::npos) {
      absent = true;
    }
    start = end + 1;
  }
  if (const auto options = ConfigurationOptions(text)) {
    (std::find(options->begin(), options->end(), kFdkAacOption) != options->end() ? present : absent) = true;
  }
  if (present) return FdkAacSupport::Present;
  if (absent) return FdkAacSupport::Absent;
  return FdkAacSupport::Unknown;
}

const char* AacEncoderFor(FdkAacSupport support) {
  return support == FdkAacSupport::Absent ? kAacEncoderNative : kAacEncoderFdk;
}
