#include "recording/FolderFigures.h"

#include <cstdio>

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
  char text[32];
  for (const auto& u : units) {
    if (bytes < u.unit && u.unit != kBytesPerMb) continue;
    const bool whole = u.unit == kBytesPerMb && bytes % kBytesPerMb == 0;
    std::snprintf(text, sizeof text, whole ? "%.0f %s" : "%.1f %s", static_cast<double>(bytes) / u.unit, u.name);
    break;
  }
  return text;
}
