#include "log/ActivityLog.h"

#include <time.h>

#include "log/LogLine.h"

void CActivityLog::AddLog(const std::string& message) const {
  const __time64_t now = _time64(nullptr);
  struct tm local = {};
  const bool converted = _localtime64_s(&local, &now) == 0;
  // The list box sorts: the new line lands where its time stamp puts it. It is not scrolled to.
  AddString(FormatLogLine(converted ? &local : nullptr, message));
}
