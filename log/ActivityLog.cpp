// The activity log: the dialog's sorted list box of time-stamped lines.
#include <time.h>

#include "app/PushClientDlg.h"
#include "log/LogLine.h"

void CPushClientDlg::AddLog(std::string message) {
  const __time64_t now = _time64(nullptr);
  struct tm local = {};
  const bool converted = _localtime64_s(&local, &now) == 0;
  // The list box sorts: the new line lands where its time stamp puts it. It is not scrolled to.
  m_listLog.AddString(FormatLogLine(converted ? &local : nullptr, message));
}

// Called when "清理日志" is clicked.
void CPushClientDlg::OnBnClickedClearLog() { m_listLog.ResetContent(); }
