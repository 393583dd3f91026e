#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "app/AlertWiring.h"
#include "app/AppMessages.h"
#include "app/LevelMeter.h"
#include "app/OneCopyPerFolder.h"
#include "app/PostedLines.h"
#include "app/RecordingWiring.h"
#include "app/TrayIcon.h"
#include "app/UnattendedStart.h"
#include "devices/DeviceCatalogue.h"
#include "devices/DeviceListing.h"
#include "files/FileLocations.h"
#include "framework/Dialog.h"
#include "log/ActivityLog.h"
#include "settings/ProfileSettings.h"
#include "settings/SettingsFile.h"
#include "streaming/EncoderProcess.h"
#include "streaming/LiveSession.h"
#include "system/WorkQueue.h"

// The watchdog's timer: every five seconds while live.
constexpr UINT_PTR ID_TIMER_WATCHDOG = 100;
// The live status line's and level meter's timer: twice a second while live.
constexpr UINT_PTR ID_TIMER_STATUS = 101;
constexpr UINT kStatusPeriodMs = 500;
// The activity log's look at the date, so that old day files go soon after midnight: once a minute, always.
constexpr UINT_PTR ID_TIMER_LOG_DAY = 102;
constexpr UINT kLogDayPeriodMs = 60 * 1000;
// Started with /live while ffmpeg.exe is missing, its listing fails or the device chosen last is missing:
// start-up is tried again this often (UnattendedStart).
constexpr UINT_PTR ID_TIMER_UNATTENDED_RETRY = 103;
// The log's list takes the lines waiting for it.
constexpr UINT_PTR ID_TIMER_SHOW_LOG = 104;

// The main window: composes the features and hands them the user's choices.
class CPushClientDlg : public CDialog {
 public:
  // oneCopy: this folder's claim, told the window once it exists.
  explicit CPushClientDlg(COneCopyPerFolder* oneCopy = nullptr);
  // The settings' writer finishes what it was given: its work uses this window's objects.
  ~CPushClientDlg() override { m_writer.WaitUntilIdle(); }

  // The recording's settings window saved these to PushClient.ini.
  void OnRecordSettingsSaved(const RecordSettings& settings);

  // Appends one time-stamped line to the activity log.
  void AddLog(const std::string& message) { m_listLog.AddLog(message); }
  // Several lines in their order, shown at once.
  void AddLogs(const std::vector<std::string>& messages) { m_listLog.AddLogs(messages); }

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
  LRESULT OnWindowPosChanging(WPARAM wParam, LPARAM lParam);
  LRESULT OnPostedLines(WPARAM wParam, LPARAM lParam);
  LRESULT OnShowLog(WPARAM wParam, LPARAM lParam);
  LRESULT OnRecordingEvents(WPARAM wParam, LPARAM lParam);
  LRESULT OnShowFromAnotherCopy(WPARAM wParam, LPARAM lParam);
  LRESULT OnDrawItem(WPARAM wParam, LPARAM lParam);
  LRESULT OnQueryEndSession(WPARAM wParam, LPARAM lParam);
  LRESULT OnEndSession(WPARAM wParam, LPARAM lParam);

 private:
  HICON m_hIcon = nullptr;
  FileLocations m_files;  // where ffmpeg.exe, config.db, device.txt and the status file live
  CActivityLog m_listLog;
  CComboBox m_comboDevice;
  DeviceCatalogue m_devices;  // what the last listing found
  // The user's choices, as config.db keeps them: the device and bitrate positions, the address, the tray
  // option. The one copy the window has.
  StoredSettings m_config;
  std::string m_strDeviceName;  // the chosen device by name, kept in PushClient.ini
  bool m_bLive = false;  // the switch; the broadcast itself is m_session
  std::string m_strDevice;
  CComboBox m_comboBitrate;

  CEncoderProcess m_encoder;  // the streaming child
  LiveSession m_session;      // the broadcast: the watchdog, its counters and figures
  CDeviceListing m_listing;
  CSettingsFile m_settings;
  CProfileSettings m_profile;
  CPostedLines m_postedLines;
  COneCopyPerFolder* m_pOneCopy = nullptr;
  CTrayIcon m_tray;
  CLevelMeter m_meter;
  // Settings that were never read must never be written over the user's file.
  bool m_bSettingsLoaded = false;
  // Started with /live: on air once start-up has worked and the chosen device is listed.
  UnattendedStart m_unattended;
  // Started with /live in the tray: the window stays hidden until it is shown on purpose.
  bool m_bKeepHidden = false;
  // The selection the last refill of the device box made.
  DeviceSelection m_deviceSelection;
  bool m_bStatusNotPrivateSaid = false;  // once per run of the program
  // Alerts to a group chat; none without a webhook.
  CAlertWiring m_alerts;
  // The recording beside the broadcast; off unless PushClient.ini enables it.
  CRecordingWiring m_recording;
  // Writes the settings away from the window's thread. Waited for when
  // the window goes: what it was given is written before the files' objects go.
  CWorkQueue m_writer;

  void AddToSystemMenu();
  void StartAlerts();
  std::string TrayTip();
  void StopEverything();
  // What start-up does once the settings are read: ffmpeg.exe is looked for and the devices listed. Started
  // unattended, trouble on the way is said once and tried again.
  void ContinueStartup();
  void SayUnattendedTrouble(UnattendedStart::Trouble trouble, const std::string& line);
  void FindAppDir();
  void ParseDeviceLIst();
  void FillDeviceCombo();
  void GoLiveOrWaitForDevice(DeviceListingResult::Outcome outcome);
  void ShowFromTray();
  void SaveConfig();
  bool LoadConfig();
  bool ValidateSettings();
  StreamChoice CurrentStreamChoice() const;
  void LaunchStream();
  void StopStreamingChild();
  // The session's events: logged, and told where they are news.
  void HandleSessionEvents(const SessionEvents& events);
  void Listen(long long nowMs);
  bool MinimizeToTray();
  void SetStatusText(const std::string& text);
  // nowMs: the moment of the timer tick, whose looks at the encoder share one reading of its output.
  void UpdateStatusText(long long nowMs);
  void UpdateStatusText() { UpdateStatusText(static_cast<long long>(GetTickCount64())); }
};
