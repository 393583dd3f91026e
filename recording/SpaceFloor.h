#pragma once
// The free space the recording leaves on its drive: below min_free_mb the oldest recordings go first, never
// today's nor any dated later (the clock was set back: they are the newest), nor a file being written,
// which has no recording's name yet; when that is not enough the recording pauses, and goes on only once
// the space is kSpaceResumeMarginBytes above the floor, so that a drive at the edge does not start and
// stop it by turns. Each change is said once.
#include <string>
#include <vector>

#include "log/Calendar.h"

constexpr unsigned long long kBytesPerMb = 1024ULL * 1024;
constexpr unsigned long long kSpaceResumeMarginBytes = 256 * kBytesPerMb;

struct FileSize {
  std::string name;
  unsigned long long bytes = 0;
};

enum class SpaceChange { None, Paused, Resumed };

struct SpaceDecision {
  std::vector<std::string> remove;  // oldest first
  SpaceChange change = SpaceChange::None;
};

class SpaceFloor {
 public:
  // freeBytes: free on the folder's drive; files: the folder's (only recordings' names count, in any order).
  // While paused, files go until the margin above the floor is reached too, so that the recording can go on.
  SpaceDecision Check(unsigned long long freeBytes, int minFreeMb, const std::vector<FileSize>& files,
                      const CalendarDay& today);
  bool Paused() const { return m_paused; }
  // Switched on afresh: not paused.
  void Reset() { m_paused = false; }

 private:
  bool m_paused = false;
};
