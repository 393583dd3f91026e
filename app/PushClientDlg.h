#pragma once
#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "app/LevelMeter.h"
#include "app/TrayIcon.h"
#include "devices/DeviceListing.h"
#include "files/FileLocations.h"
#include "framework/Dialog.h"
#include "log/ActivityLog.h"
#include "settings/SettingsFile.h"
#include "streaming/EncoderProcess.h"
#include "streaming/LiveSession.h"

// The program's own messages count from WM_APP, a range that no dialog, control or system message uses.
enum : UINT {
  // Posted by the device listing's thread when the listing has ended; wParam is the listing's generation.
  WM_DEVICELIST_READY = WM_APP,
  // Posted at start-up when the window is to go to the tray as soon as it is shown.
  WM_START_IN_TRAY,
};
// The notification icon's callback message is not among them: it keeps the value WM_USER + 1 (0x0401) it
// has always had, because programs outside this one may send it by that number. It shares the value of
// DM_SETDEFID; that is harmless because OnTrayNotify acts only on the mouse messages it finds in lParam.
constexpr UINT WM_TRAYNOTIFY = WM_USER + 1;
// The watchdog's timer: every five seconds while live.
constexpr UINT_PTR ID_TIMER_WATCHDOG = 100;
// The live status line's and level meter's timer: twice a second while live.
constexpr UINT_PTR ID_TIMER_STATUS = 101;
constexpr UINT kStatusPeriodMs = 500;

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

  // Message handlers, in the order of the dispatch table. Those returning bool return false to leave
  // the message to the system's default processing.
  bool OnSysCommand(UINT nID, LPARAM lParam);
  bool OnPaint();
  HCURSOR OnQueryDragIcon();
  // Also the handler of "刷新音频设备".
  void RefreshDevices();
  void OnCbnSelchangeDevice();
  void OnBnClickedLive();
  void OnClose();
  bool OnTimer(UINT_PTR nIDEvent);
  void OnBnClickedClearLog();
  LRESULT OnTrayNotify(WPARAM wParam, LPARAM lParam);
  void OnBnClickedTrayCheck();
  void OnCbnSelchangeBitrate();
  LRESULT OnTaskbarCreated(WPARAM wParam, LPARAM lParam);
  LRESULT OnDeviceListReady(WPARAM wParam, LPARAM lParam);
  LRESULT OnStartInTray(WPARAM wParam, LPARAM lParam);
  LRESULT OnDrawItem(WPARAM wParam, LPARAM lParam);

 private:
  HICON m_hIcon = nullptr;
  FileLocations m_files;  // where ffmpeg.exe, config.db, device.txt and the status file live
  CActivityLog m_listLog;
  CComboBox m_comboDevice;
  std::vector<std::string> m_arrDevices;
  int m_nDeviceIndex = 0;
  bool m_bLive = false;  // the switch; the broadcast itself is m_session
  std::string m_strDevice;
  int m_nMinimizeToTray = 0;
  std::string m_strServer;
  CComboBox m_comboBitrate;
  int m_nBitrateIndex = 1;

  CEncoderProcess m_encoder;  // the streaming child
  LiveSession m_session;      // the broadcast: the watchdog, its counters and figures
  CDeviceListing m_listing;
  CSettingsFile m_settings;
  CTrayIcon m_tray;
  CLevelMeter m_meter;
  // Settings that were never read must never be written over the user's file.
  bool m_bSettingsLoaded = false;
  // Started with /live: go live when the first device listing has ended.
  bool m_bGoLiveWhenListed = false;

  // What the last device listing told: the text it wrote to device.txt and which of its lines lost
  // characters on the way to the ANSI code page, and the name to hand the encoder for each shown name.
  std::string m_listingText;
  std::vector<bool> m_listingLossyLines;
  std::map<std::string, std::string> m_captureNames;

  void AddAboutToSystemMenu();
  void FindAppDir();
  void ParseDeviceLIst();
  void FillDeviceCombo();
  StoredSettings CurrentSettings() const;
  void SaveConfig();
  bool LoadConfig();
  bool ValidateSettings();
  StreamChoice CurrentStreamChoice() const;
  void LaunchStream();
  void StopStreamingChild();
  void AddLogLines(const std::vector<std::string>& lines);
  void Listen(long long nowMs);
  bool MinimizeToTray();
  void SetStatusText(const std::string& text);
  // nowMs: the moment of the timer tick, whose looks at the encoder share one reading of its output.
  void UpdateStatusText(long long nowMs);
  void UpdateStatusText() { UpdateStatusText(static_cast<long long>(GetTickCount64())); }
};
