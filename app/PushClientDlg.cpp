#include "app/PushClientDlg.h"

#include <io.h>

#include "alerts/AlertClock.h"
#include "alerts/WebhookAddress.h"
#include "alerts/WebhookRequest.h"
#include "app/AboutDlg.h"
#include "app/AlertSettingsDlg.h"
#include "app/RecordSettingsDlg.h"
#include "files/FileLocations.h"
#include "files/StatusFileClaim.h"
#include "devices/DeviceListFile.h"
#include "text/AnsiTextConversion.h"
#include "encoder/EncoderCommandLine.h"
#include "encoder/EncoderOutput.h"
#include "streaming/ExitReason.h"
#include "app/LiveStatusText.h"
#include "framework/WinApp.h"
#include "res/Texts.h"
#include "res/resource.h"
#include "settings/CommandLineOptions.h"
#include "streaming/PublishValidation.h"
#include "text/AnsiText.h"


namespace {
const char kPipeFailed[] = "Error On CreatePipe()";
const char kStartFailed[] = "Error on CreateProcess()";

// The program closing while live still tells the group so, within the two seconds closing may take.
constexpr long long kAlertCloseDrainMs = 300;
// Windows ending the session ends the process soon after WM_ENDSESSION returns (an end-task box after
// 5 s): the group's message may take this long of the 3 s the work there is given.
constexpr long long kAlertEndSessionDrainMs = 1500;
// What is left of those 3 s for the settings' writer, which has had the group's time to work already.
constexpr unsigned long kSettingsWriteWaitMs = 500;

std::string ComputerName() {
  char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD length = sizeof(name);
  return GetComputerNameA(name, &length) ? std::string(name, length) : std::string(kAlertDefaultStation);
}

std::string Utf8ToAnsiCopy(const std::string& utf8) {
  std::string text = utf8;
  Utf8ToAnsi(text);
  return text;
}

bool EncoderIsThere(const std::string& path) { return _access(path.c_str(), 0) == 0; }
}  // namespace

CPushClientDlg::CPushClientDlg(COneCopyPerFolder* oneCopy)
    : CDialog(IDD_MAIN), m_session(m_encoder, Utf8ToAnsiCopy), m_pOneCopy(oneCopy) {
  m_hIcon = AfxGetApp()->LoadIcon(IDR_MAINFRAME);
}

const MessageMap* CPushClientDlg::GetMessageMap() const {
  using namespace msgmap;
  static const MessageMapEntry entries[] = {
      OnSysCommandMessage(&CPushClientDlg::OnSysCommand),
      OnMessage(WM_PAINT, &CPushClientDlg::OnPaint),
      OnQueryDragIconMessage(&CPushClientDlg::OnQueryDragIcon),
      OnCommand(BN_CLICKED, IDC_BTN_REFRESH, &CPushClientDlg::RefreshDevices),
      OnCommand(CBN_SELCHANGE, IDC_COMBO_DEVICE, &CPushClientDlg::OnCbnSelchangeDevice),
      OnCommand(BN_CLICKED, IDC_BTN_LIVE, &CPushClientDlg::OnBnClickedLive),
      OnMessage(WM_CLOSE, &CPushClientDlg::OnClose),
      OnTimerMessage(&CPushClientDlg::OnTimer),
      OnCommand(BN_CLICKED, IDC_BTN_CLEARLOG, &CPushClientDlg::OnBnClickedClearLog),
      OnMessage(WM_TRAYNOTIFY, &CPushClientDlg::OnTrayNotify),
      OnCommand(BN_CLICKED, IDC_CHECK_TRAY, &CPushClientDlg::OnBnClickedTrayCheck),
      OnCommand(CBN_SELCHANGE, IDC_COMBO_BITRATE, &CPushClientDlg::OnCbnSelchangeBitrate),
      // The shell announces a new task bar after it restarted: the tray icon must be added again.
      OnMessage(CTrayIcon::TaskbarCreatedMessage(), &CPushClientDlg::OnTaskbarCreated),
      OnMessage(WM_DEVICELIST_READY, &CPushClientDlg::OnDeviceListReady),
      OnMessage(WM_WINDOWPOSCHANGING, &CPushClientDlg::OnWindowPosChanging),
      OnMessage(WM_POSTED_LINES, &CPushClientDlg::OnPostedLines),
      OnMessage(WM_SHOW_LOG, &CPushClientDlg::OnShowLog),
      OnMessage(WM_RECORDING_EVENTS, &CPushClientDlg::OnRecordingEvents),
      // A copy started later in this folder asks this one to show itself.
      OnMessage(COneCopyPerFolder::ShowWindowMessage(), &CPushClientDlg::OnShowFromAnotherCopy),
      OnMessage(WM_DRAWITEM, &CPushClientDlg::OnDrawItem),
      OnMessage(WM_QUERYENDSESSION, &CPushClientDlg::OnQueryEndSession),
      OnMessage(WM_ENDSESSION, &CPushClientDlg::OnEndSession),
  };
  static const MessageMap map = {CDialog::GetMessageMap(), entries, sizeof(entries) / sizeof(entries[0])};
  return &map;
}

void CPushClientDlg::DoDataExchange(CDataExchange* dx) {
  CDialog::DoDataExchange(dx);
  DDX_Text(dx, IDC_EDIT_SERVER, m_config.m_strServer);
}

BOOL CPushClientDlg::OnInitDialog() {
  m_listLog.Attach(GetDlgItem(IDC_LIST_LOG));
  m_comboDevice.Attach(GetDlgItem(IDC_COMBO_DEVICE));
  m_comboBitrate.Attach(GetDlgItem(IDC_COMBO_BITRATE));
  m_meter.Attach(GetDlgItem(IDC_LEVEL_BAR), GetDlgItem(IDC_LEVEL_TEXT));
  CDialog::OnInitDialog();
  if (m_pOneCopy) m_pOneCopy->Publish(m_hWnd);

  AddToSystemMenu();
  SetIcon(m_hIcon, TRUE);
  SetIcon(m_hIcon, FALSE);
  CTrayIcon::AllowTaskbarCreated(m_hWnd);

  // Inserted by position, not added, so the list keeps this order whatever the control's sort style.
  int position = 0;
  for (const char* bitrate : kBitrateTexts) position = m_comboBitrate.InsertString(position, bitrate) + 1;

  m_config = StoredSettings();
  m_config.m_nBitrateIndex = kDefaultBitrateIndex;
  m_bLive = false;

  m_postedLines.Announce(m_hWnd, WM_POSTED_LINES);
  m_listLog.ShowOnTimer(m_hWnd, ID_TIMER_SHOW_LOG);
  FindAppDir();
  SetTimer(ID_TIMER_LOG_DAY, kLogDayPeriodMs);
  // Started unattended (a shortcut in the Startup folder): on air once the devices are known, and out of
  // the way in the tray when the user asked for that.
  m_unattended = UnattendedStart(GoLiveAtStartup(AfxGetApp()->m_strCmdLine));
  // A person at the desk is told at once, and settings never read are never written. Unattended, the
  // settings and the alerts come first, so that the trouble reaches the group.
  if (!m_unattended.Active() && !EncoderIsThere(m_files.encoder)) {
    AfxMessageBox(kEncoderMissing);
    return TRUE;
  }
  LoadConfig();
  StartAlerts();
  // The window is never seen: the dialog box would show it when its queue first runs empty, so that show
  // is refused (OnWindowPosChanging). Without the icon there would be no way back to it: shown then.
  if (m_unattended.Active() && m_config.m_nMinimizeToTray > 0)
    m_bKeepHidden = m_tray.Add(m_hWnd, AfxGetApp()->LoadIcon(IDR_MAINFRAME), WM_TRAYNOTIFY, TrayTip().c_str());
  ContinueStartup();

  m_comboBitrate.SetCurSel(m_config.m_nBitrateIndex);
  CheckDlgButton(m_hWnd, IDC_CHECK_TRAY, m_config.m_nMinimizeToTray > 0 ? BST_CHECKED : BST_UNCHECKED);
  UpdateData(FALSE);
  return TRUE;
}

void CPushClientDlg::FindAppDir() {
  char buffer[kModulePathBufferSize] = {};
  GetModuleFileNameA(nullptr, buffer, sizeof(buffer));
  char current[MAX_PATH] = {};
  const DWORD length = GetCurrentDirectoryA(sizeof(current), current);
  m_files = LocateFiles(buffer, length < sizeof(current) ? std::string(current, length) : std::string(),
                        GetDriveTypeA("C:\\") != DRIVE_NO_ROOT_DIR);
  // Before anything is logged: every line reaches its day file.
  m_listLog.Open(m_files.logFolder);
  if (!ClaimStatusFile(m_files)) AddLog(FillIn(kLogStatusFileMoved, {m_files.statusFile}));
  // Told by whichever thread wrote the file.
  const auto notPrivate = [this](const std::string& path) { m_postedLines.Add(FillIn(kLogFileNotPrivate, {path})); };
  m_settings = CSettingsFile(m_files.config, notPrivate);
  m_profile = CProfileSettings(m_files.profile, notPrivate);
  m_encoder.Locate(m_files.encoder, m_files.statusFile);
  m_recording.Attach(m_hWnd, WM_RECORDING_EVENTS, m_files.encoder);
}

// Called when the window's close command arrives (the caption's close box, Alt+F4).
void CPushClientDlg::OnClose() {
  StopEverything();
  // The watchdog timer dies with the window.
  CDialog::OnOK();
}

void CPushClientDlg::StopEverything() {
  if (m_bLive) m_alerts.Tell(AlertEvent::Closing, kAlertClosing);
  StopStreamingChild();
  m_recording.Abandon();
  m_listing.Cancel();
  m_alerts.Stop(kAlertCloseDrainMs);
}

// Asked whether the session may end: yes, and nothing else. Another program may still cancel the shutdown,
// and then the station must still be on air.
LRESULT CPushClientDlg::OnQueryEndSession(WPARAM, LPARAM) { return TRUE; }

// The session ends (a restart for an update, a shutdown): Windows ends the process soon after this
// returns, so the group hears first, then the day file gets its line, the encoder is ended without the
// usual wait, and the settings are saved. /live at the next log-on brings the broadcast back.
LRESULT CPushClientDlg::OnEndSession(WPARAM wParam, LPARAM) {
  if (!wParam) return 0;
  if (m_bLive) m_alerts.Tell(AlertEvent::EndSession, kLogEndSession);
  AddLog(kLogEndSession);
  // Stop waits for nothing: the encoder is ended at once and let go on the launcher's thread.
  m_session.Abandon();
  m_recording.Abandon();
  m_listing.Cancel();
  SaveConfig();
  m_alerts.Stop(kAlertEndSessionDrainMs);
  m_writer.WaitUntilIdle(kSettingsWriteWaitMs);
  EndDialog(IDOK);
  return 0;
}

// Enter or Escape reaching the dialog ends the program just as the close command does: an encoder left
// running would have no window left to stop it.
void CPushClientDlg::OnOK() { OnClose(); }

void CPushClientDlg::OnCancel() {
  StopEverything();
  CDialog::OnCancel();
}

// Called to paint; a minimised window draws its icon centred, any other is painted by the system.
bool CPushClientDlg::OnPaint() {
  if (!IsIconic()) return false;
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(m_hWnd, &paint);
  SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  RECT client;
  GetClientRect(m_hWnd, &client);
  const int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
  const int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
  DrawIcon(dc, x, y, m_hIcon);
  EndPaint(m_hWnd, &paint);
  return true;
}

// Called for the cursor shown while the minimised window is dragged.
HCURSOR CPushClientDlg::OnQueryDragIcon() { return static_cast<HCURSOR>(m_hIcon); }

void CPushClientDlg::SetStatusText(const std::string& text) { SetDlgItemTextA(m_hWnd, IDC_STATUS, text.c_str()); }

// ---- System menu, About box and tray

void CPushClientDlg::AddToSystemMenu() {
  HMENU menu = GetSystemMenu(FALSE);
  if (!menu) return;
  AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  for (const auto& entry : {std::make_pair(IDS_ALERTS, IDM_ALERTS), std::make_pair(IDS_RECORD, IDM_RECORD),
                            std::make_pair(IDS_ABOUTBOX, IDM_ABOUTBOX)}) {
    char text[256] = {};
    if (LoadStringA(AfxGetApp()->m_hInstance, entry.first, text, sizeof(text)) <= 0 || text[0] == '\0') continue;
    AppendMenuA(menu, MF_STRING, entry.second, text);
  }
}

// Called for system-menu commands and the caption's buttons. The low four bits of the id are the
// system's own.
bool CPushClientDlg::OnSysCommand(UINT nID, LPARAM) {
  if ((nID & 0xFFF0) == IDM_ABOUTBOX) {
    CAboutDlg about;
    about.DoModal();
    return true;
  }
  if ((nID & 0xFFF0) == IDM_ALERTS) {
    const AlertSettings before = m_profile.Alerts();
    CAlertSettingsDlg settings(before, ComputerName());
    if (settings.DoModal() != IDOK) return true;
    const AlertSettings& after = settings.Values();
    if (after.webhook == before.webhook && after.secret == before.secret && after.station == before.station) return true;
    if (!m_profile.SaveAlerts(after)) AddLog(kSettingsNotSaved);
    // What still waits was meant for the old address.
    StartAlerts();
    return true;
  }
  if ((nID & 0xFFF0) == IDM_RECORD) {
    CRecordSettingsDlg settings(m_profile, m_files.appDir);
    if (settings.DoModal() == IDOK) OnRecordSettingsSaved(settings.Values());
    return true;
  }
  if ((nID & 0xFFF0) == SC_MINIMIZE && m_config.m_nMinimizeToTray != 0) return MinimizeToTray();
  return false;
}

// The recording's settings were saved to PushClient.ini. The recording reads them afresh when it is
// switched on; only turning it off acts at once.
void CPushClientDlg::OnRecordSettingsSaved(const RecordSettings& settings) {
  m_recording.RecordSettingsChanged(settings);
  if (m_bLive) UpdateStatusText();
}

// The icon comes first: a window hidden without one would have no way back, so when the shell refuses
// the icon the window is minimised as usual (false).
bool CPushClientDlg::MinimizeToTray() {
  if (!m_tray.Add(m_hWnd, AfxGetApp()->LoadIcon(IDR_MAINFRAME), WM_TRAYNOTIFY, TrayTip().c_str())) return false;
  ShowWindow(SW_HIDE);
  return true;
}

// Called for mouse events on the tray icon. The message shares its value with DM_SETDEFID: only the
// mouse messages below in lParam do anything.
LRESULT CPushClientDlg::OnTrayNotify(WPARAM, LPARAM lParam) {
  if (lParam == WM_LBUTTONDOWN || lParam == WM_RBUTTONDOWN) {
    m_bKeepHidden = false;
    ModifyStyleEx(0, WS_EX_TOPMOST);
    ShowWindow(SW_SHOW);
  }
  return 0;
}

// Called before the window is moved, sized or shown: while it is to stay hidden, it is not shown.
LRESULT CPushClientDlg::OnWindowPosChanging(WPARAM, LPARAM lParam) {
  auto* position = reinterpret_cast<WINDOWPOS*>(lParam);
  if (m_bKeepHidden && position) position->flags &= ~SWP_SHOWWINDOW;
  return 0;
}

LRESULT CPushClientDlg::OnShowFromAnotherCopy(WPARAM, LPARAM) {
  ShowFromTray();
  return 0;
}

void CPushClientDlg::ShowFromTray() {
  m_bKeepHidden = false;
  ShowWindow(SW_SHOW);
  if (IsIconic()) ShowWindow(SW_RESTORE);
  SetForegroundWindow(m_hWnd);
}

// Called when the shell's task bar was (re)created: a restarted shell forgets the icons it had.
LRESULT CPushClientDlg::OnTaskbarCreated(WPARAM, LPARAM) {
  m_tray.OnTaskbarCreated();
  return 0;
}

// Called when "最小化到托盘" is clicked; the choice is saved at once.
void CPushClientDlg::OnBnClickedTrayCheck() {
  m_config.m_nMinimizeToTray = static_cast<int>(SendDlgItemMessageA(m_hWnd, IDC_CHECK_TRAY, BM_GETCHECK, 0, 0));
  SaveConfig();
}

// ---- Settings

// Replacing config.db goes through to the disk, which takes the system milliseconds and at times far more:
// it is done by the settings' writer, in the order of the calls, with the choices as they are now.
void CPushClientDlg::SaveConfig() {
  if (!m_bSettingsLoaded) return;
  m_writer.Queue([this, config = m_config, deviceName = m_strDeviceName] {
    if (!m_settings.SaveConfig(config) || !m_profile.SaveDeviceName(deviceName)) m_postedLines.Add(kSettingsNotSaved);
  });
}

// Always returns false; the device listing runs after it whatever the file held.
bool CPushClientDlg::LoadConfig() {
  m_settings.LoadConfig(m_config);
  m_profile.KeepPrivate();
  m_strDeviceName = m_profile.DeviceName();
  m_bSettingsLoaded = true;
  return false;
}

// ---- Devices

// Called at start-up and when "刷新音频设备" is clicked. One listing at a time; while it runs the button
// rests and the status line says so.
void CPushClientDlg::RefreshDevices() {
  if (!m_listing.Start(m_files.encoder, m_files.deviceList, m_hWnd, WM_DEVICELIST_READY)) return;
  EnableWindow(GetDlgItem(IDC_BTN_REFRESH), FALSE);
  SetStatusText(kStatusListing);
}

// Called when the listing's thread has ended.
LRESULT CPushClientDlg::OnDeviceListReady(WPARAM wParam, LPARAM) {
  std::optional<DeviceListingResult> taken = m_listing.TakeResult(wParam);
  // Not the message of the listing started last (or a second one of it): nothing has ended.
  if (!taken) return 0;
  DeviceListingResult& result = *taken;
  EnableWindow(GetDlgItem(IDC_BTN_REFRESH), TRUE);
  const bool listed = result.outcome != DeviceListingResult::Outcome::PipeFailed &&
                     result.outcome != DeviceListingResult::Outcome::StartFailed;
  if (listed && m_unattended.Over(UnattendedStart::Trouble::ListingFailed)) AddLog(kLogStartupRecovered);
  switch (result.outcome) {
    case DeviceListingResult::Outcome::PipeFailed:
    case DeviceListingResult::Outcome::StartFailed:
      if (m_unattended.Active()) {
        SayUnattendedTrouble(UnattendedStart::Trouble::ListingFailed,
                             FillIn(kLogListingFailedRetry, {std::to_string(kUnattendedRetryMs / 1000)}));
        UpdateStatusText();
        return 0;
      }
      AfxMessageBox(result.outcome == DeviceListingResult::Outcome::PipeFailed ? kPipeFailed : kStartFailed);
      break;
    case DeviceListingResult::Outcome::TimedOut:
      AddLog(ListingTimedOutText());
      break;
    case DeviceListingResult::Outcome::DeviceFileFailed:
      AddLog(kDeviceFileFailed);
      break;
    case DeviceListingResult::Outcome::Cancelled:
      break;
    case DeviceListingResult::Outcome::Written: {
      m_devices.LearnListing(std::move(result.text), std::move(result.lossyLines));
      m_session.LearnEncoder(result.utf8);
      ParseDeviceLIst();
      break;
    }
  }
  UpdateStatusText();
  if (m_unattended.Active() && result.outcome != DeviceListingResult::Outcome::Cancelled)
    GoLiveOrWaitForDevice(result.outcome);
  return 0;
}

// Settings and alerts are read already: what is left of start-up is finding ffmpeg.exe (missing here only
// when started unattended) and listing the devices, which is what a retry does again.
void CPushClientDlg::ContinueStartup() {
  if (!EncoderIsThere(m_files.encoder)) {
    SayUnattendedTrouble(UnattendedStart::Trouble::EncoderMissing,
                         FillIn(kLogEncoderMissingRetry, {m_files.encoder, std::to_string(kUnattendedRetryMs / 1000)}));
    return;
  }
  if (m_unattended.Over(UnattendedStart::Trouble::EncoderMissing)) AddLog(kLogStartupRecovered);
  // The listing runs on while the window shows; the list and its remembered position follow when it ends.
  RefreshDevices();
}

// Said once, to the log and the group, and tried again on the timer until it works.
void CPushClientDlg::SayUnattendedTrouble(UnattendedStart::Trouble trouble, const std::string& line) {
  if (m_unattended.Met(trouble)) {
    AddLog(line);
    m_alerts.Tell(trouble == UnattendedStart::Trouble::DeviceMissing ? AlertEvent::DeviceMissing : AlertEvent::StartupFailed,
                  line);
  }
  SetTimer(ID_TIMER_UNATTENDED_RETRY, kUnattendedRetryMs);
}

// Started unattended: on air once the device chosen last is there, exactly as a click on "开始直播" does
// (a refusal is logged and the program stays up, off air). Never on another device: until it is there,
// the devices are listed again every kDeviceWaitPeriodMs, said once in the log.
void CPushClientDlg::GoLiveOrWaitForDevice(DeviceListingResult::Outcome outcome) {
  const std::size_t count = m_devices.Names().size();
  if (outcome == DeviceListingResult::Outcome::Written && MayGoLiveUnattended(m_deviceSelection, count)) {
    m_unattended.Done();
    KillTimer(ID_TIMER_UNATTENDED_RETRY);
    if (!m_bLive) OnBnClickedLive();
    return;
  }
  const std::string period = std::to_string(kUnattendedRetryMs / 1000);
  SayUnattendedTrouble(UnattendedStart::Trouble::DeviceMissing,
                       m_strDeviceName.empty() ? FillIn(kLogNoDevices, {period})
                                               : FillIn(kLogDeviceMissing, {m_strDeviceName, period}));
}

void CPushClientDlg::ParseDeviceLIst() {
  std::string fileText;
  if (!ReadDeviceListFile(m_files.deviceList, fileText)) {
    AddLog(kDeviceFileUnreadable);
    return;
  }
  bool refill = false;
  for (const std::string& line : m_devices.ReadListing(fileText, refill)) AddLog(line);
  if (refill) FillDeviceCombo();
}

void CPushClientDlg::FillDeviceCombo() {
  m_comboDevice.ResetContent();
  for (const std::string& name : m_devices.Names()) m_comboDevice.AddString(name);
  m_deviceSelection = SelectDevice(m_devices.Names(), m_strDeviceName, m_config.m_nDeviceIndex);
  // The box sorts: a device found by its name is at the position the box gave it.
  if (!m_strDeviceName.empty() && !m_deviceSelection.savedNameMissing)
    m_deviceSelection.position = m_comboDevice.FindStringExact(m_strDeviceName);
  m_config.m_nDeviceIndex = m_deviceSelection.position;
  m_comboDevice.SetCurSel(m_config.m_nDeviceIndex);
  // Device names are often longer than the box is wide.
  m_comboDevice.FitDroppedWidth(m_devices.Names());
}

// Called when the user picks another device.
void CPushClientDlg::OnCbnSelchangeDevice() {
  m_config.m_nDeviceIndex = m_comboDevice.GetCurSel();
  m_strDevice = m_comboDevice.GetWindowText();
  m_strDeviceName = m_strDevice;
}

// ---- Going live

// Checks the address and the device, logging what is wrong; the address loses its blanks on the way.
bool CPushClientDlg::ValidateSettings() {
  const ValidationResult result = ValidatePublishSettings(m_config.m_strServer, m_strDevice, m_session.EncoderSpeaksTls());
  m_config.m_strServer = result.cleanedServer;
  for (const std::string& line : result.logLines) AddLog(line);
  return result.ok;
}

// What the encoder is to capture and where it publishes, as chosen now.
StreamChoice CPushClientDlg::CurrentStreamChoice() const {
  StreamChoice choice;
  // A position from a hand-edited config.db may name no entry: never read outside the list.
  if (m_config.m_nBitrateIndex >= 0 && m_config.m_nBitrateIndex < m_comboBitrate.GetCount())
    choice.bitrateText = m_comboBitrate.GetLBText(m_config.m_nBitrateIndex);
  if (choice.bitrateText.empty()) choice.bitrateText = BitrateTextForIndex(m_config.m_nBitrateIndex);
  choice.device = m_devices.CaptureName(m_strDevice);
  choice.server = m_config.m_strServer;
  return choice;
}

void CPushClientDlg::LaunchStream() {
  HandleSessionEvents(m_session.Start(static_cast<long long>(GetTickCount64()), CurrentStreamChoice()));
}

void CPushClientDlg::HandleSessionEvents(const SessionEvents& events) {
  AddLogs(LogLinesOf(events));
  m_alerts.Tell(events);
  m_recording.BroadcastEvents(events);
}

// ---- Alerts

// From PushClient.ini, at start and after the alert settings changed. A sender already running goes, and
// what it still had to send with it.
void CPushClientDlg::StartAlerts() {
  const std::string refusal =
      m_alerts.Start(m_profile.Alerts(), ComputerName(), [this](std::string line) { m_postedLines.Add(std::move(line)); });
  if (!refusal.empty()) AddLog(refusal);
}

LRESULT CPushClientDlg::OnPostedLines(WPARAM, LPARAM) {
  AddLogs(m_postedLines.Take());
  return 0;
}

LRESULT CPushClientDlg::OnShowLog(WPARAM, LPARAM) {
  m_listLog.ShowPending();
  return 0;
}

// ---- The recording

LRESULT CPushClientDlg::OnRecordingEvents(WPARAM, LPARAM) {
  const CRecordingWiring::Taken taken = m_recording.Take();
  m_listLog.AddLogs(taken.messages, taken.dayFileOnly);
  m_alerts.Tell(taken.events);
  if (m_bLive) UpdateStatusText();
  return 0;
}

std::string CPushClientDlg::TrayTip() {
  return FormatTrayTip(m_bLive, m_session.Figures(static_cast<long long>(GetTickCount64())), m_recording.State());
}

void CPushClientDlg::UpdateStatusText(long long nowMs) {
  if (m_listing.IsRunning()) {
    SetStatusText(kStatusListing);
    return;
  }
  const LiveFigures figures = m_session.Figures(nowMs);
  SetStatusText(FormatLiveStatus(m_bLive, figures, m_recording.State()));
  m_meter.Show(m_bLive && figures.metered, figures.peakDb);
  m_tray.SetTip(FormatTrayTip(m_bLive, figures, m_recording.State()));
}

// Dead air beginning or ending is news for someone who is not at the window: with the window in the tray
// it also comes as a balloon of the icon.
void CPushClientDlg::Listen(long long nowMs) {
  const SessionEvents events = m_session.Listen(nowMs);
  for (const SessionEvent& event : events) {
    const bool deadAir = event.kind == SessionEventKind::DeadAir;
    if ((deadAir || event.kind == SessionEventKind::SoundBack) && !IsWindowVisible(m_hWnd))
      m_tray.ShowBalloon(kTrayTip, event.line, deadAir);
  }
  HandleSessionEvents(events);
}

LRESULT CPushClientDlg::OnDrawItem(WPARAM wParam, LPARAM lParam) {
  if (wParam != IDC_LEVEL_BAR) return FALSE;
  m_meter.Draw(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
  return TRUE;
}

void CPushClientDlg::StopStreamingChild() { m_session.Abandon(); }

// Called when "开始直播" / "停止直播" is clicked.
void CPushClientDlg::OnBnClickedLive() {
  m_bLive = !m_bLive;
  if (m_bLive) {
    UpdateData(TRUE);
    m_strDevice = m_comboDevice.GetWindowText();
    if (!ValidateSettings()) {
      m_bLive = false;
      return;
    }
    // Whoever switches on has chosen: an unattended start no longer waits for its device.
    m_unattended.Done();
    KillTimer(ID_TIMER_UNATTENDED_RETRY);
    m_strDeviceName = m_strDevice;
    SaveConfig();
    SetDlgItemTextA(m_hWnd, IDC_BTN_LIVE, kButtonStop);
    SetTimer(ID_TIMER_WATCHDOG, static_cast<UINT>(kWatchdogPeriodMs));
    SetTimer(ID_TIMER_STATUS, kStatusPeriodMs);
    m_alerts.SwitchedOn();
    LaunchStream();
    // After the broadcast's, which comes first; the settings as they are now.
    const StreamChoice stream = CurrentStreamChoice();
    m_alerts.RecordingSwitchedOn();
    m_recording.SwitchedOn(m_profile.Record(), m_files.appDir,
                           RecordingChoice{stream.device, stream.bitrateText, m_session.AacEncoder()});
  } else {
    const SessionEvents events = m_session.Stop();
    m_recording.SwitchedOff();
    KillTimer(ID_TIMER_WATCHDOG);
    KillTimer(ID_TIMER_STATUS);
    SetDlgItemTextA(m_hWnd, IDC_BTN_LIVE, kButtonStart);
    HandleSessionEvents(events);
  }
  UpdateStatusText();
}

// Called twice a second for the status line and every five seconds for the watchdog while live, once a
// minute for the log's day, and a fifth of a second after a line came for the log's list.
bool CPushClientDlg::OnTimer(UINT_PTR nIDEvent) {
  if (nIDEvent == ID_TIMER_LOG_DAY) m_listLog.CheckDay();
  if (nIDEvent == ID_TIMER_SHOW_LOG) m_listLog.ShowPending();
  const long long now = static_cast<long long>(GetTickCount64());
  if (nIDEvent == ID_TIMER_STATUS && m_bLive) {
    Listen(now);
    UpdateStatusText(now);
  }
  if (nIDEvent == ID_TIMER_UNATTENDED_RETRY && !m_listing.IsRunning()) {
    if (m_unattended.Active()) {
      ContinueStartup();
    } else {
      KillTimer(ID_TIMER_UNATTENDED_RETRY);
    }
  }
  if (nIDEvent == ID_TIMER_WATCHDOG && m_bLive) {
    const SessionEvents events = m_session.Tick(now, CurrentStreamChoice());
    if (!m_bStatusNotPrivateSaid && m_encoder.StatusFileNotPrivate()) {
      m_bStatusNotPrivateSaid = true;
      AddLog(FillIn(kLogFileNotPrivate, {m_files.statusFile}));
    }
    HandleSessionEvents(events);
    if (!events.empty()) UpdateStatusText(now);
  }
  return false;
}

// Called when another bitrate is picked; it takes effect at the next launch or relaunch.
void CPushClientDlg::OnCbnSelchangeBitrate() { m_config.m_nBitrateIndex = m_comboBitrate.GetCurSel(); }

// Called when "清理日志" is clicked.
void CPushClientDlg::OnBnClickedClearLog() { m_listLog.Clear(); }
