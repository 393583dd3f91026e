#include "encoder/AacEncoderChoice.h"

#include <algorithm>
#include <cstddef>

#include "encoder/EncoderConfiguration.h"
#include "encoder/OutputLines.h"
#include "text/AsciiText.h"

const char kAacEncoderFdk[] = "libfdk_aac";
const char kAacEncoderNative[] = "aac";

namespace {

const char kProbePresent[] = "Encoder libfdk_aac ";
const char kProbeAbsent[] = "Codec 'libfdk_aac' is not recognized";
const char kFdkAacOption[] = "--enable-libfdk-aac";

}  // namespace

FdkAacSupport FdkAacSupportFromEncoderText(const std::string& text) {
  bool present = false;
  bool absent = false;
  // Each needle is looked for at the start of a line or inside one line only, so the work stays linear in
  // the text.
  output_lines::ForEachLine(text, [&](const std::string& line) {
    if (StartsWith(line, kProbePresent)) {
      present = true;
    } else if (line.find(kProbeAbsent) != std::string::npos) {
      absent = true;
    }
  });
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
