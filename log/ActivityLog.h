#pragma once
// The activity log: the main window's sorted list box of time-stamped lines.
#include <string>

#include "framework/Wnd.h"

class CActivityLog : public CListBox {
 public:
  // Appends one "yyyy-mm-dd hh:mm:ss message" line. The message is text, never a format.
  void AddLog(const std::string& message);
  void Clear();

 private:
  // Lines longer than the box is wide can be scrolled to: the widest line so far, in pixels.
  void FitHorizontalExtent(const std::string& line);
  long m_widest = 0;
};
