#pragma once
// Where the log's list is scrolled to after lines came and the oldest went.
#include <vector>

// The list as it was before: its first visible line, how many lines fit in it, how many it held.
struct LogListView {
  int top = 0;
  int visible = 1;
  int count = 0;
};

// The top line after the lines were added at these positions (each as the sorted list placed it, in turn)
// and then removed from these (in turn), leaving `after.count` lines of which `after.visible` fit (fewer
// once a scroll bar has come). A list that showed its last line shows the new last line; one the user
// scrolled up keeps showing the lines it showed, as far as they remain.
int TopIndexAfterAdding(const LogListView& before, const std::vector<int>& addedAt, const std::vector<int>& droppedAt,
                        const LogListView& after);
