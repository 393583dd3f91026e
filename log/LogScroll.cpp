#include "log/LogScroll.h"

#include <algorithm>

int TopIndexAfterAdding(const LogListView& before, const std::vector<int>& addedAt, const std::vector<int>& droppedAt,
                        const LogListView& after) {
  const bool lastLineShown = before.top + std::max(before.visible, 1) >= before.count;
  if (lastLineShown) return std::max(after.count - std::max(after.visible, 1), 0);
  int top = before.top;
  // A line placed at or above the first one shown pushes it down by one.
  for (int at : addedAt)
    if (at <= top) ++top;
  // One removed above it pulls it up; the first one shown removed, the next takes its place.
  for (int at : droppedAt)
    if (at < top) --top;
  return std::min(std::max(top, 0), std::max(after.count - 1, 0));
}
