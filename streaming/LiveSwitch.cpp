// The broadcast's on/off switch and the watchdog that relaunches an ended encoder.
#include <windows.h>

#include "app/PushClientDlg.h"
#include "res/resource.h"
#include "res/Texts.h"
#include "streaming/PublishValidation.h"
#include "streaming/Watchdog.h"

namespace {
WaitOutcome ToWaitOutcome(DWORD result) {
  switch (result) {
    case WAIT_TIMEOUT:
      return WaitOutcome::Running;
    case WAIT_OBJECT_0:
      return WaitOutcome::Ended;
    case WAIT_FAILED:
      return WaitOutcome::Failed;
    default:
      return WaitOutcome::Other;
  }
}
}  // namespace

// Checks the address and the device, logging what is wrong; the address loses its blanks on the way.
bool CPushClientDlg::ValidateSettings() {
  const ValidationResult result = ValidatePublishSettings(m_strServer, m_strDevice);
  m_strServer = result.cleanedServer;
  for (const std::string& line : result.logLines) AddLog(line);
  return result.ok;
}

void CPushClientDlg::StopStreamingChild() {
  if (m_pi.process) TerminateProcess(m_pi.process.get(), 0);
  m_pi.Reset();
}

// Called when "开始直播" / "停止直播" is clicked.
void CPushClientDlg::OnBnClickedLive() {
  m_bLive = !m_bLive;
  CWnd button;
  button.m_hWnd = GetDlgItem(IDC_BTN_LIVE);
  if (m_bLive) {
    UpdateData(TRUE);
    m_strDevice = m_comboDevice.GetWindowText();
    if (!ValidateSettings()) {
      m_bLive = false;
      return;
    }
    SaveConfig();
    button.SetWindowText(kButtonStop);
    AddLog(kLogOnAir);
    SetTimer(ID_TIMER_WATCHDOG, kWatchdogPeriodMs);
    LaunchStream();
  } else {
    StopStreamingChild();
    KillTimer(ID_TIMER_WATCHDOG);
    button.SetWindowText(kButtonStart);
    AddLog(kLogOffAir);
  }
}

// Called every five seconds while live: notices an ended encoder and relaunches it on a widening schedule.
void CPushClientDlg::OnTimer(UINT_PTR nIDEvent) {
  if (nIDEvent == ID_TIMER_WATCHDOG && m_bLive) {
    DWORD result;
    // With no child but a count above zero, the last relaunch failed to start: that counts as an ended
    // child, so the schedule keeps trying instead of falling silent.
    if (!m_pi.process && m_nRestartCount > 0)
      result = WAIT_OBJECT_0;
    else
      result = WaitForSingleObject(m_pi.process.get(), kWatchdogWaitMs);
    switch (WatchdogTick(ToWaitOutcome(result), m_nRestartCount)) {
      case WatchdogAction::None:
        break;
      case WatchdogAction::LogOnAir:
        AddLog(kLogOnAir);
        break;
      case WatchdogAction::Relaunch:
        AddLog(kLogRelaunch);
        LaunchStream();
        break;
      case WatchdogAction::LogCallFailed:
        AddLog(kLogCallFailed);
        break;
      case WatchdogAction::LogWaitError:
        AddLog(FormatWaitError(result));
        break;
    }
  }
  Default();
}
