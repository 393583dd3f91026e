#include "recording/SpaceFloor.h"

#include <algorithm>
#include <tuple>

#include "recording/RecordingNames.h"

SpaceDecision SpaceFloor::Check(unsigned long long freeBytes, int minFreeMb, const std::vector<FileSize>& files,
                                const CalendarDay& today) {
  SpaceDecision decision;
  const unsigned long long floor = static_cast<unsigned long long>(minFreeMb) * kBytesPerMb;
  const unsigned long long target = m_paused ? floor + kSpaceResumeMarginBytes : floor;
  if (freeBytes < target) {
    struct Candidate {
      RecordingName when;
      const FileSize* file;
    };
    std::vector<Candidate> oldestFirst;
    for (const FileSize& file : files) {
      const auto recording = ParseRecordingName(file.name);
      if (recording && DayNumber(DayOfLocalSeconds(recording->start)) < DayNumber(today))
        oldestFirst.push_back({*recording, &file});
    }
    std::sort(oldestFirst.begin(), oldestFirst.end(), [](const Candidate& a, const Candidate& b) {
      return std::tie(a.when.start, a.when.suffix) < std::tie(b.when.start, b.when.suffix);
    });
    for (const Candidate& candidate : oldestFirst) {
      if (freeBytes >= target) break;
      decision.remove.push_back(candidate.file->name);
      freeBytes += candidate.file->bytes;
    }
  }
  if (!m_paused && freeBytes < floor) {
    m_paused = true;
    decision.change = SpaceChange::Paused;
  } else if (m_paused && freeBytes >= floor + kSpaceResumeMarginBytes) {
    m_paused = false;
    decision.change = SpaceChange::Resumed;
  }
  return decision;
}
