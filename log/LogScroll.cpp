#include "log/LogScroll.h"

#include <algorithm>

int TopIndexAfterAdding(const LogListView& before, const std::vector<int>& addedAt, int dropped,
                        const LogListView& after) {
  const bool lastLineShown = before.top + std::max(before.visible, 1) >= before.count;
  if (lastLineShown) return std::max(after.count - std::max(after.visible, 1), 0);
  int top = before.top;
  // A line placed at or above the first one shown pushes it down by one.
  for (int at : addedAt)
    if (at <= top) ++top;
  return std::min(std::max(top - dropped, 0), std::max(after.count - 1, 0));
}
