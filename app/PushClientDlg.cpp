#include "app/PushClientDlg.h"

#include <io.h>

#include "app/AboutDlg.h"
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


namespace {
const char kPipeFailed[] = "Error On CreatePipe()";
const char kStartFailed[] = "Error on CreateProcess()";
}  // namespace

namespace {
std::string Utf8ToAnsiCopy(const std::string& utf8) {
  std::string text = utf8;
  Utf8ToAnsi(text);
  return text;
}
}  // namespace

CPushClientDlg::CPushClientDlg() : CDialog(IDD_MAIN), m_session(m_encoder, Utf8ToAnsiCopy) { m_hIcon = AfxGetApp()->LoadIcon(IDR_MAINFRAME); }

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
      OnMessage(WM_START_IN_TRAY, &CPushClientDlg::OnStartInTray),
      OnMessage(WM_DRAWITEM, &CPushClientDlg::OnDrawItem),
  };
  static const MessageMap map = {CDialog::GetMessageMap(), entries, sizeof(entries) / sizeof(entries[0])};
  return &map;
}

void CPushClientDlg::DoDataExchange(CDataExchange* dx) {
  CDialog::DoDataExchange(dx);
  DDX_Text(dx, IDC_EDIT_SERVER, m_strServer);
}

BOOL CPushClientDlg::OnInitDialog() {
  m_listLog.Attach(GetDlgItem(IDC_LIST_LOG));
  m_comboDevice.Attach(GetDlgItem(IDC_COMBO_DEVICE));
  m_comboBitrate.Attach(GetDlgItem(IDC_COMBO_BITRATE));
  m_meter.Attach(GetDlgItem(IDC_LEVEL_BAR), GetDlgItem(IDC_LEVEL_TEXT));
  CDialog::OnInitDialog();

  AddAboutToSystemMenu();
  SetIcon(m_hIcon, TRUE);
  SetIcon(m_hIcon, FALSE);
  CTrayIcon::AllowTaskbarCreated(m_hWnd);

  // Inserted by position, not added, so the list keeps this order whatever the control's sort style.
  int position = 0;
  for (const char* bitrate : kBitrateTexts) position = m_comboBitrate.InsertString(position, bitrate) + 1;

  m_nDeviceIndex = 0;
  m_nMinimizeToTray = 0;
  m_nBitrateIndex = kDefaultBitrateIndex;
  m_bLive = false;

  FindAppDir();
  if (_access(m_files.encoder.c_str(), 0) != 0) {
    AfxMessageBox(kEncoderMissing);
    return TRUE;
  }

  LoadConfig();
  // The listing runs on while the window shows; the list and its remembered position follow when it ends.
  RefreshDevices();
  // Started unattended (a shortcut in the Startup folder): on air once the devices are known, and out of
  // the way in the tray when the user asked for that.
  m_bGoLiveWhenListed = GoLiveAtStartup(AfxGetApp()->m_strCmdLine);
  if (m_bGoLiveWhenListed && m_nMinimizeToTray > 0) PostMessage(m_hWnd, WM_START_IN_TRAY, 0, 0);

  m_comboBitrate.SetCurSel(m_nBitrateIndex);
  CheckDlgButton(m_hWnd, IDC_CHECK_TRAY, m_nMinimizeToTray > 0 ? BST_CHECKED : BST_UNCHECKED);
  UpdateData(FALSE);
  return TRUE;
}

void CPushClientDlg::FindAppDir() {
  char buffer[kModulePathBufferSize] = {};
  GetModuleFileNameA(nullptr, buffer, sizeof(buffer));
  m_files = LocateFiles(buffer, GetDriveTypeA("C:\\") != DRIVE_NO_ROOT_DIR);
  if (!ClaimStatusFile(m_files)) AddLog(kLogStatusFileMoved + m_files.statusFile);
  m_settings = CSettingsFile(m_files.config);
  m_encoder.Locate(m_files.encoder, m_files.statusFile);
}

// Called when the window's close command arrives (the caption's close box, Alt+F4).
void CPushClientDlg::OnClose() {
  StopStreamingChild();
  m_listing.Cancel();
  // The watchdog timer dies with the window.
  CDialog::OnOK();
}

// Enter or Escape reaching the dialog ends the program just as the close command does: an encoder left
// running would have no window left to stop it.
void CPushClientDlg::OnOK() { OnClose(); }

void CPushClientDlg::OnCancel() {
  StopStreamingChild();
  m_listing.Cancel();
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

void CPushClientDlg::AddAboutToSystemMenu() {
  HMENU menu = GetSystemMenu(FALSE);
  if (!menu) return;
  char text[256] = {};
  if (LoadStringA(AfxGetApp()->m_hInstance, IDS_ABOUTBOX, text, sizeof(text)) <= 0 || text[0] == '\0') return;
  AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(menu, MF_STRING, IDM_ABOUTBOX, text);
}

// Called for system-menu commands and the caption's buttons. The low four bits of the id are the
// system's own.
bool CPushClientDlg::OnSysCommand(UINT nID, LPARAM) {
  if ((nID & 0xFFF0) == IDM_ABOUTBOX) {
    CAboutDlg about;
    about.DoModal();
    return true;
  }
  if ((nID & 0xFFF0) == SC_MINIMIZE && m_nMinimizeToTray != 0) return MinimizeToTray();
  return false;
}

// The icon comes first: a window hidden without one would have no way back, so when the shell refuses
// the icon the window is minimised as usual (false).
bool CPushClientDlg::MinimizeToTray() {
  if (!m_tray.Add(m_hWnd, AfxGetApp()->LoadIcon(IDR_MAINFRAME), WM_TRAYNOTIFY, kTrayTip)) return false;
  ShowWindow(SW_HIDE);
  return true;
}

// Called for mouse events on the tray icon. The message shares its value with DM_SETDEFID: only the
// mouse messages below in lParam do anything.
LRESULT CPushClientDlg::OnTrayNotify(WPARAM, LPARAM lParam) {
  if (lParam == WM_LBUTTONDOWN || lParam == WM_RBUTTONDOWN) {
    ModifyStyleEx(0, WS_EX_TOPMOST);
    ShowWindow(SW_SHOW);
  }
  return 0;
}

// Called when the shell's task bar was (re)created: a restarted shell forgets the icons it had.
LRESULT CPushClientDlg::OnTaskbarCreated(WPARAM, LPARAM) {
  m_tray.OnTaskbarCreated();
  return 0;
}

// Called when "最小化到托盘" is clicked; the choice is saved at once.
void CPushClientDlg::OnBnClickedTrayCheck() {
  m_nMinimizeToTray = static_cast<int>(SendDlgItemMessageA(m_hWnd, IDC_CHECK_TRAY, BM_GETCHECK, 0, 0));
  SaveConfig();
}

// ---- Settings

StoredSettings CPushClientDlg::CurrentSettings() const {
  StoredSettings settings;
  settings.deviceIndex = m_nDeviceIndex;
  settings.server = m_strServer;
  settings.minimizeToTray = m_nMinimizeToTray;
  settings.bitrateIndex = m_nBitrateIndex;
  return settings;
}

void CPushClientDlg::SaveConfig() {
  if (!m_bSettingsLoaded) return;
  if (!m_settings.SaveConfig(CurrentSettings())) AddLog(kSettingsNotSaved);
}

// Always returns false; the device listing runs after it whatever the file held.
bool CPushClientDlg::LoadConfig() {
  StoredSettings settings = CurrentSettings();
  m_settings.LoadConfig(settings);
  m_nDeviceIndex = settings.deviceIndex;
  m_strServer = settings.server;
  m_nMinimizeToTray = settings.minimizeToTray;
  m_nBitrateIndex = settings.bitrateIndex;
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
  switch (result.outcome) {
    case DeviceListingResult::Outcome::PipeFailed:
      AfxMessageBox(kPipeFailed);
      break;
    case DeviceListingResult::Outcome::StartFailed:
      AfxMessageBox(kStartFailed);
      break;
    case DeviceListingResult::Outcome::TimedOut:
      AddLog(kListingTimedOut);
      break;
    case DeviceListingResult::Outcome::DeviceFileFailed:
      AddLog(kDeviceFileFailed);
      break;
    case DeviceListingResult::Outcome::Cancelled:
      break;
    case DeviceListingResult::Outcome::Written: {
      m_listingText = std::move(result.text);
      m_listingLossyLines = std::move(result.lossyLines);
      m_session.LearnEncoder(result.utf8);
      ParseDeviceLIst();
      break;
    }
  }
  UpdateStatusText();
  // Exactly what a click on "开始直播" does now; a refusal is logged and the program stays up, off air.
  if (m_bGoLiveWhenListed && result.outcome != DeviceListingResult::Outcome::Cancelled) {
    m_bGoLiveWhenListed = false;
    if (!m_bLive) OnBnClickedLive();
  }
  return 0;
}

LRESULT CPushClientDlg::OnStartInTray(WPARAM, LPARAM) {
  MinimizeToTray();
  return 0;
}

void CPushClientDlg::ParseDeviceLIst() {
  DeviceListParse parsed;
  std::string fileText;
  if (!ReadDeviceListFile(m_files.deviceList, m_arrDevices, parsed, fileText)) {
    AddLog(kDeviceFileUnreadable);
    return;
  }
  for (const std::string& line : parsed.logLines) AddLog(line);
  // A shown name that lost characters on its way to the ANSI code page names no device: the encoder
  // gets the device's alternative name instead. What the listing knows of its lines holds only if
  // device.txt still holds its text.
  if (parsed.fillCombo)
    m_captureNames = CaptureNames(parsed, LossyLinesOfFile(fileText, m_listingText, m_listingLossyLines));
  m_arrDevices = std::move(parsed.devices);
  if (parsed.fillCombo) FillDeviceCombo();
}

void CPushClientDlg::FillDeviceCombo() {
  m_comboDevice.ResetContent();
  for (const std::string& name : m_arrDevices) m_comboDevice.AddString(name);
  m_nDeviceIndex = ClampDevicePosition(m_nDeviceIndex, static_cast<int>(m_arrDevices.size()));
  m_comboDevice.SetCurSel(m_nDeviceIndex);
  // Device names are often longer than the box is wide.
  m_comboDevice.FitDroppedWidth(m_arrDevices);
}

// Called when the user picks another device.
void CPushClientDlg::OnCbnSelchangeDevice() {
  m_nDeviceIndex = m_comboDevice.GetCurSel();
  m_strDevice = m_comboDevice.GetWindowText();
}

// ---- Going live

// Checks the address and the device, logging what is wrong; the address loses its blanks on the way.
bool CPushClientDlg::ValidateSettings() {
  const ValidationResult result = ValidatePublishSettings(m_strServer, m_strDevice, m_session.EncoderSpeaksTls());
  m_strServer = result.cleanedServer;
  for (const std::string& line : result.logLines) AddLog(line);
  return result.ok;
}

// What the encoder is to capture and where it publishes, as chosen now.
StreamChoice CPushClientDlg::CurrentStreamChoice() const {
  StreamChoice choice;
  // A position from a hand-edited config.db may name no entry: never read outside the list.
  if (m_nBitrateIndex >= 0 && m_nBitrateIndex < m_comboBitrate.GetCount())
    choice.bitrateText = m_comboBitrate.GetLBText(m_nBitrateIndex);
  if (choice.bitrateText.empty()) choice.bitrateText = BitrateTextForIndex(m_nBitrateIndex);
  const auto captureName = m_captureNames.find(m_strDevice);
  choice.device = captureName != m_captureNames.end() ? captureName->second : m_strDevice;
  choice.server = m_strServer;
  return choice;
}

void CPushClientDlg::LaunchStream() {
  AddLogLines(m_session.Start(static_cast<long long>(GetTickCount64()), CurrentStreamChoice()));
}

void CPushClientDlg::AddLogLines(const std::vector<std::string>& lines) {
  for (const std::string& line : lines) AddLog(line);
}

void CPushClientDlg::UpdateStatusText(long long nowMs) {
  if (m_listing.IsRunning()) {
    SetStatusText(kStatusListing);
    return;
  }
  const LiveFigures figures = m_session.Figures(nowMs);
  SetStatusText(FormatLiveStatus(m_bLive, figures));
  m_meter.Show(m_bLive && figures.metered, figures.peakDb);
}

// Dead air beginning or ending is news for someone who is not at the window: with the window in the tray
// it also comes as a balloon of the icon.
void CPushClientDlg::Listen(long long nowMs) {
  for (const std::string& line : m_session.Listen(nowMs)) {
    AddLog(line);
    if (!IsWindowVisible(m_hWnd)) m_tray.ShowBalloon(kTrayTip, line, line == kLogDeadAir);
  }
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
    SaveConfig();
    SetDlgItemTextA(m_hWnd, IDC_BTN_LIVE, kButtonStop);
    SetTimer(ID_TIMER_WATCHDOG, static_cast<UINT>(kWatchdogPeriodMs));
    SetTimer(ID_TIMER_STATUS, kStatusPeriodMs);
    LaunchStream();
  } else {
    const std::vector<std::string> lines = m_session.Stop();
    KillTimer(ID_TIMER_WATCHDOG);
    KillTimer(ID_TIMER_STATUS);
    SetDlgItemTextA(m_hWnd, IDC_BTN_LIVE, kButtonStart);
    AddLogLines(lines);
  }
  UpdateStatusText();
}

// Called every second for the status line and every five seconds for the watchdog while live.
bool CPushClientDlg::OnTimer(UINT_PTR nIDEvent) {
  const long long now = static_cast<long long>(GetTickCount64());
  if (nIDEvent == ID_TIMER_STATUS && m_bLive) {
    Listen(now);
    UpdateStatusText(now);
  }
  if (nIDEvent == ID_TIMER_WATCHDOG && m_bLive) {
    const std::vector<std::string> lines = m_session.Tick(now, CurrentStreamChoice());
    AddLogLines(lines);
    if (!lines.empty()) UpdateStatusText(now);
  }
  return false;
}

// Called when another bitrate is picked; it takes effect at the next launch or relaunch.
void CPushClientDlg::OnCbnSelchangeBitrate() { m_nBitrateIndex = m_comboBitrate.GetCurSel(); }

// Called when "清理日志" is clicked.
void CPushClientDlg::OnBnClickedClearLog() { m_listLog.Clear(); }
