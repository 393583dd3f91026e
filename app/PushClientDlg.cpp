#include "app/PushClientDlg.h"

#include <io.h>

#include "app/ModuleFolder.h"
#include "encoder/EncoderCommandLine.h"
#include "framework/WinApp.h"
#include "res/resource.h"
#include "res/Texts.h"

namespace {
const char kEncoderFileName[] = "\\ffmpeg.exe";
}  // namespace

CPushClientDlg::CPushClientDlg() : CDialog(IDD_MAIN), m_nid() { m_hIcon = AfxGetApp()->LoadIcon(IDR_MAINFRAME); }

CPushClientDlg::~CPushClientDlg() {
  // The record is all zero unless the window went to the tray: then this removes that one icon.
  Shell_NotifyIconA(NIM_DELETE, &m_nid);
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
      OnMessage(RegisterWindowMessageA("TaskbarCreated"), &CPushClientDlg::OnTaskbarCreated),
  };
  static const MessageMap map = {CDialog::GetMessageMap(), entries, sizeof(entries) / sizeof(entries[0])};
  return &map;
}

void CPushClientDlg::DoDataExchange(CDataExchange* dx) {
  CDialog::DoDataExchange(dx);
  DDX_Control(dx, IDC_LIST_LOG, m_listLog);
  DDX_Control(dx, IDC_COMBO_DEVICE, m_comboDevice);
  DDX_Text(dx, IDC_EDIT_SERVER, m_strServer);
  DDX_Control(dx, IDC_COMBO_BITRATE, m_comboBitrate);
}

BOOL CPushClientDlg::OnInitDialog() {
  CDialog::OnInitDialog();

  AddAboutToSystemMenu();
  SetIcon(m_hIcon, TRUE);
  SetIcon(m_hIcon, FALSE);

  // Inserted by position, not added, so the list keeps this order whatever the control's sort style.
  int position = 0;
  for (const char* bitrate : kBitrateTexts) position = m_comboBitrate.InsertString(position, bitrate) + 1;

  m_nRestartCount = 0;
  m_pi.Reset();
  m_nDeviceIndex = 0;
  m_nMinimizeToTray = 0;
  m_nBitrateIndex = kDefaultBitrateIndex;
  m_bLive = false;

  FindAppDir();
  if (_access(m_strEncoderPath.c_str(), 0) != 0) {
    AfxMessageBox(kEncoderMissing);
    return TRUE;
  }

  LoadConfig();
  RefreshDevices();

  m_comboBitrate.SetCurSel(m_nBitrateIndex);
  CheckDlgButton(m_hWnd, IDC_CHECK_TRAY, m_nMinimizeToTray > 0 ? BST_CHECKED : BST_UNCHECKED);
  UpdateData(FALSE);
  return TRUE;
}

void CPushClientDlg::FindAppDir() {
  char buffer[kModulePathBufferSize] = {};
  GetModuleFileNameA(nullptr, buffer, sizeof(buffer));
  m_strAppDir = FolderFromModulePathBuffer(buffer);
  m_strEncoderPath = m_strAppDir + kEncoderFileName;
}

// Called when the window's close command arrives (the caption's close box, Alt+F4).
void CPushClientDlg::OnClose() {
  StopStreamingChild();
  // The watchdog timer dies with the window.
  CDialog::OnOK();
}

// Enter or Escape reaching the dialog ends the program just as the close command does: an encoder left
// running would have no window left to stop it.
void CPushClientDlg::OnOK() { OnClose(); }

void CPushClientDlg::OnCancel() {
  StopStreamingChild();
  CDialog::OnCancel();
}

// Called to paint; a minimised window draws its icon centred.
void CPushClientDlg::OnPaint() {
  if (!IsIconic()) {
    Default();
    return;
  }
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(m_hWnd, &paint);
  SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  RECT client;
  GetClientRect(m_hWnd, &client);
  const int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
  const int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
  DrawIcon(dc, x, y, m_hIcon);
  EndPaint(m_hWnd, &paint);
}

// Called for the cursor shown while the minimised window is dragged.
HCURSOR CPushClientDlg::OnQueryDragIcon() { return static_cast<HCURSOR>(m_hIcon); }
