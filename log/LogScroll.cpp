#include "log/LogScroll.h"

#include <algorithm>

int TopIndexAfterAdding(const LogListView& before, const std::vector<int>& addedAt, int dropped, int countAfter) {
  const int visible = std::max(before.visible, 1);
  if (before.top + visible >= before.count) return std::max(countAfter - visible, 0);
  int top = before.top;
  // A line placed at or above the first one shown pushes it down by one.
  for (int at : addedAt)
    if (at <= top) ++top;
  return std::min(std::max(top - dropped, 0), std::max(countAfter - 1, 0));
}
