#include "recording/FolderFigures.h"

#include "recording/RecordingNames.h"
#include "recording/SpaceFloor.h"

void TallyFile(FolderTally& tally, const std::string& name, unsigned long long bytes) {
  if (!ParseRecordingName(name) && !ParseSegmentName(name)) return;
  tally.bytes += bytes;
  ++tally.files;
}

std::string SizeText(unsigned long long bytes) {
  constexpr unsigned long long kBytesPerGb = kBytesPerMb * 1024;
  constexpr unsigned long long kBytesPerTb = kBytesPerGb * 1024;
  const struct {
    unsigned long long unit;
    const char* name;
  } units[] = {{kBytesPerTb, "TB"}, {kBytesPerGb, "GB"}, {kBytesPerMb, "MB"}};
  for (const auto& u : units) {
    if (bytes < u.unit && u.unit != kBytesPerMb) continue;
    if (u.unit == kBytesPerMb && bytes % kBytesPerMb == 0) return std::to_string(bytes / u.unit) + " " + u.name;
    // In tenths, rounded half up; in two steps, so that no size overflows.
    const unsigned long long tenths = bytes / u.unit * 10 + (bytes % u.unit * 10 + u.unit / 2) / u.unit;
    return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " " + u.name;
  }
  return std::string();
}
