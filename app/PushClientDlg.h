#pragma once
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "framework/ChildProcess.h"
#include "framework/Dialog.h"

// The notification icon's callback message. It has the value of DM_SETDEFID; that is harmless because
// OnTrayNotify acts only on the mouse messages it finds in lParam.
constexpr UINT WM_TRAYNOTIFY = WM_USER + 1;
// The watchdog's timer: every five seconds while live.
constexpr UINT_PTR ID_TIMER_WATCHDOG = 100;
constexpr UINT kWatchdogPeriodMs = 5000;
// How long one watchdog tick waits on the streaming child.
constexpr DWORD kWatchdogWaitMs = 100;

// The main window. It holds all of the program's state for the life of the process.
class CPushClientDlg : public CDialog {
 public:
  CPushClientDlg();
  ~CPushClientDlg() override;

  // Appends one time-stamped line to the activity log.
  void AddLog(std::string message);

 protected:
  const MessageMap* GetMessageMap() const override;
  void DoDataExchange(CDataExchange* dx) override;
  BOOL OnInitDialog() override;
  // Enter and Escape end the dialog; the encoder must not outlive it.
  void OnOK() override;
  void OnCancel() override;

  // Message handlers, in the order of the dispatch table.
  void OnSysCommand(UINT nID, LPARAM lParam);
  void OnPaint();
  HCURSOR OnQueryDragIcon();
  // Also the handler of "刷新音频设备".
  void RefreshDevices();
  void OnCbnSelchangeDevice();
  void OnBnClickedLive();
  void OnClose();
  void OnTimer(UINT_PTR nIDEvent);
  void OnBnClickedClearLog();
  LRESULT OnTrayNotify(WPARAM wParam, LPARAM lParam);
  void OnBnClickedTrayCheck();
  void OnCbnSelchangeBitrate();
  LRESULT OnTaskbarCreated(WPARAM wParam, LPARAM lParam);

 private:
  HICON m_hIcon = nullptr;
  ProcessRecord m_pi;  // the streaming child
  std::string m_strAppDir;
  std::string m_strEncoderPath;
  CListBox m_listLog;
  CComboBox m_comboDevice;
  std::vector<std::string> m_arrDevices;
  int m_nDeviceIndex = 0;
  bool m_bLive = false;
  std::string m_strDevice;
  int m_nRestartCount = 0;
  NOTIFYICONDATAA m_nid;
  int m_nMinimizeToTray = 0;
  std::string m_strServer;
  CComboBox m_comboBitrate;
  int m_nBitrateIndex = 1;

  void AddAboutToSystemMenu();
  void FindAppDir();
  void ParseDeviceLIst();
  void FillDeviceCombo();
  void WidenDeviceDropDown();
  void SaveConfig();
  bool LoadConfig();
  bool ValidateSettings();
  void LaunchStream();
  std::string StatusFilePath() const;
  // Ends the streaming child, if one runs, and releases its handles.
  void StopStreamingChild();
  void MinimizeToTray();
};
