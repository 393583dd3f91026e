#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "framework/ChildProcess.h"
#include "framework/Dialog.h"

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

  // Message handlers, in the order of the dispatch table.
  void OnPaint();
  HCURSOR OnQueryDragIcon();
  // Also the handler of "刷新音频设备".
  void RefreshDevices();
  void OnCbnSelchangeDevice();
  void OnClose();
  void OnBnClickedClearLog();

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
  int m_nMinimizeToTray = 0;
  std::string m_strServer;
  CComboBox m_comboBitrate;
  int m_nBitrateIndex = 1;

  void FindAppDir();
  void ParseDeviceLIst();
  void FillDeviceCombo();
  void WidenDeviceDropDown();
  // Ends the streaming child, if one runs, and releases its handles.
  void StopStreamingChild();
};
