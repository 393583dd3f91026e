#pragma once
#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "app/TrayIcon.h"
#include "devices/DeviceListing.h"
#include "encoder/AacEncoderChoice.h"
#include "files/FileLocations.h"
#include "streaming/StallDetector.h"
#include "framework/Dialog.h"
#include "log/ActivityLog.h"
#include "settings/SettingsFile.h"
#include "streaming/EncoderProcess.h"

// The notification icon's callback message. It has the value of DM_SETDEFID; that is harmless because
// OnTrayNotify acts only on the mouse messages it finds in lParam.
constexpr UINT WM_TRAYNOTIFY = WM_USER + 1;
// Posted by the device listing's thread when the listing has ended; wParam is the listing's generation.
constexpr UINT WM_DEVICELIST_READY = WM_APP + 1;
// The watchdog's timer: every five seconds while live.
constexpr UINT_PTR ID_TIMER_WATCHDOG = 100;
constexpr UINT kWatchdogPeriodMs = 5000;
// The live status line's timer: every second while live.
constexpr UINT_PTR ID_TIMER_STATUS = 101;
constexpr UINT kStatusPeriodMs = 1000;

// The main window: composes the features and hands them the user's choices.
class CPushClientDlg : public CDialog {
 public:
  CPushClientDlg();

  // Appends one time-stamped line to the activity log.
  void AddLog(const std::string& message) { m_listLog.AddLog(message); }

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
  LRESULT OnDeviceListReady(WPARAM wParam, LPARAM lParam);

 private:
  HICON m_hIcon = nullptr;
  FileLocations m_files;  // where ffmpeg.exe, config.db, device.txt and the status file live
  CActivityLog m_listLog;
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

  CEncoderProcess m_encoder;  // the streaming child
  CDeviceListing m_listing;
  CSettingsFile m_settings;
  CTrayIcon m_tray;
  // Settings that were never read must never be written over the user's file.
  bool m_bSettingsLoaded = false;

  // What the last device listing told: the text it wrote to device.txt and which of its lines lost
  // characters on the way to the ANSI code page, the name to hand the encoder for each shown name, and
  // whether the encoder has libfdk_aac.
  std::string m_listingText;
  std::vector<bool> m_listingLossyLines;
  std::map<std::string, std::string> m_captureNames;
  FdkAacSupport m_aacSupport = FdkAacSupport::Unknown;
  bool m_bAacFallbackLogged = false;

  // The current encoder: when it was launched, whether its progress moves, and how often it was launched
  // again since the broadcast was switched on.
  unsigned long long m_launchTick = 0;
  StallDetector m_stall;
  int m_nRelaunches = 0;

  void AddAboutToSystemMenu();
  void FindAppDir();
  void ParseDeviceLIst();
  void FillDeviceCombo();
  StoredSettings CurrentSettings() const;
  void SaveConfig();
  bool LoadConfig();
  bool ValidateSettings();
  void LaunchStream();
  void StopStreamingChild();
  void MinimizeToTray();
  void SetStatusText(const std::string& text);
  void UpdateStatusText();
  void LogEncoderEnd(bool stalled, const std::string& statusTail);
};
