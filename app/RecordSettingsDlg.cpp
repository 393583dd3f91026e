#include "app/RecordSettingsDlg.h"

#include <shellapi.h>
#include <shlobj.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

#include "framework/WinApp.h"
#include "recording/FolderFigures.h"
#include "res/Texts.h"
#include "system/ComApartment.h"
#include "text/AnsiText.h"

namespace {
// Posted by the workers when their outcome is ready.
constexpr UINT WM_RECORD_FIGURES_DONE = WM_APP + 17;
constexpr UINT WM_RECORD_OPEN_DONE = WM_APP + 18;

std::string Trimmed(std::string text) {
  const std::size_t begin = text.find_first_not_of(" \t");
  if (begin == std::string::npos) return std::string();
  return text.substr(begin, text.find_last_not_of(" \t") - begin + 1);
}

struct FolderReading {
  enum class Outcome { Read, Missing, Unreadable } outcome = Outcome::Unreadable;
  FolderTally tally;
  std::optional<unsigned long long> freeBytes;
};

// The program's recordings in the folder, and the free space this user has on its drive (its volume's
// root while the folder is not made yet). Stops early, with what it has, once cancelled.
FolderReading ReadFolder(const std::string& folder, const std::atomic<bool>& cancelled) {
  FolderReading reading;
  WIN32_FIND_DATAA found = {};
  HANDLE search = FindFirstFileExA((folder + "\\*").c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr,
                                   FIND_FIRST_EX_LARGE_FETCH);
  if (search == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    reading.outcome = error == ERROR_PATH_NOT_FOUND || error == ERROR_FILE_NOT_FOUND ? FolderReading::Outcome::Missing
                                                                                      : FolderReading::Outcome::Unreadable;
  } else {
    reading.outcome = FolderReading::Outcome::Read;
    do {
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
      TallyFile(reading.tally, found.cFileName,
                (static_cast<unsigned long long>(found.nFileSizeHigh) << 32) | found.nFileSizeLow);
    } while (!cancelled && FindNextFileA(search, &found));
    FindClose(search);
  }
  if (cancelled) return reading;
  ULARGE_INTEGER freeToCaller = {};
  const std::string root = VolumeRootOf(folder);
  if (GetDiskFreeSpaceExA(folder.c_str(), &freeToCaller, nullptr, nullptr) ||
      (!root.empty() && GetDiskFreeSpaceExA(root.c_str(), &freeToCaller, nullptr, nullptr)))
    reading.freeBytes = freeToCaller.QuadPart;
  return reading;
}

// The folder made when missing (and those above it) and shown in Explorer; false when either failed.
bool OpenInExplorer(const std::string& folder) {
  // The shell wants COM on the thread that asks it.
  const CComApartment com;
  const int made = SHCreateDirectoryExA(nullptr, folder.c_str(), nullptr);
  const bool there = made == ERROR_SUCCESS || made == ERROR_ALREADY_EXISTS || made == ERROR_FILE_EXISTS;
  const bool opened =
      there && reinterpret_cast<INT_PTR>(ShellExecuteA(nullptr, "open", folder.c_str(), nullptr, nullptr, SW_SHOWNORMAL)) > 32;
  return opened;
}

// A message box of this window: the application's name as its caption, as AfxMessageBox has.
void Warn(HWND owner, const std::string& text) {
  CWinApp* app = AfxGetApp();
  MessageBoxA(owner, text.c_str(), app ? app->m_strAppName.c_str() : "", MB_OK | MB_ICONWARNING);
}

// The folder picker starts in the folder typed, when it exists.
int CALLBACK BrowseCallback(HWND picker, UINT message, LPARAM, LPARAM data) {
  if (message == BFFM_INITIALIZED) SendMessageA(picker, BFFM_SETSELECTIONA, TRUE, data);
  return 0;
}
}  // namespace

// Work on a thread of its own whose outcome is posted to the window, which takes it on its own thread. The
// thread shares what it uses; Forget puts the window out of its reach (under the lock) and asks it to stop
// early, and nothing ever waits for it: a share that hangs holds only that thread.
template <class Result>
class CRecordSettingsDlg::PostedWork {
 public:
  using Work = std::function<Result(const std::atomic<bool>& cancelled)>;

  // False when no thread could be started.
  bool Start(HWND window, UINT message, Work work) {
    Forget();
    m_shared = std::make_shared<Shared>();
    m_shared->window = window;
    try {
      std::thread([shared = m_shared, message, work = std::move(work)] {
        Result result = work(shared->cancelled);
        std::lock_guard<std::mutex> lock(shared->mutex);
        if (!shared->window) return;
        shared->result = std::move(result);
        PostMessageA(shared->window, message, 0, 0);
      }).detach();
    } catch (const std::system_error&) {
      m_shared.reset();
      return false;
    }
    return true;
  }

  // The outcome, once, when it has come; nothing for a message of work since forgotten.
  std::optional<Result> Take() {
    if (!m_shared) return std::nullopt;
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    std::optional<Result> result = std::move(m_shared->result);
    m_shared->result.reset();
    return result;
  }

  void Forget() {
    if (!m_shared) return;
    m_shared->cancelled = true;
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    m_shared->window = nullptr;
    m_shared.reset();
  }

 private:
  struct Shared {
    std::mutex mutex;
    HWND window = nullptr;
    std::atomic<bool> cancelled{false};
    std::optional<Result> result;
  };
  std::shared_ptr<Shared> m_shared;
};

struct CRecordSettingsDlg::Figures {
  std::string folderSize, freeSpace;
};

CRecordSettingsDlg::CRecordSettingsDlg(const CProfileSettings& profile, std::string programFolder)
    : CDialog(IDD_RECORD),
      m_profile(profile),
      m_programFolder(std::move(programFolder)),
      m_figures(std::make_unique<PostedWork<Figures>>()),
      m_open(std::make_unique<PostedWork<std::string>>()) {}

CRecordSettingsDlg::~CRecordSettingsDlg() { ForgetWork(); }

const MessageMap* CRecordSettingsDlg::GetMessageMap() const {
  using namespace msgmap;
  static const MessageMapEntry entries[] = {
      OnCommand(BN_CLICKED, IDC_BTN_RECORD_BROWSE, &CRecordSettingsDlg::OnBnClickedBrowse),
      OnCommand(BN_CLICKED, IDC_BTN_RECORD_OPEN, &CRecordSettingsDlg::OnBnClickedOpenFolder),
      OnCommand(EN_KILLFOCUS, IDC_EDIT_RECORD_FOLDER, &CRecordSettingsDlg::OnEnKillFocusFolder),
      OnMessage(WM_RECORD_FIGURES_DONE, &CRecordSettingsDlg::OnFiguresDone),
      OnMessage(WM_RECORD_OPEN_DONE, &CRecordSettingsDlg::OnOpenDone),
  };
  static const MessageMap map = {CDialog::GetMessageMap(), entries, sizeof(entries) / sizeof(entries[0])};
  return &map;
}

BOOL CRecordSettingsDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  m_values = m_profile.Record();
  CheckDlgButton(m_hWnd, IDC_CHECK_RECORD, m_values.enabled ? BST_CHECKED : BST_UNCHECKED);
  // The default is shown by its name: the user sees where the recordings go.
  SetDlgItemTextA(m_hWnd, IDC_EDIT_RECORD_FOLDER, m_values.folder.empty() ? kRecordFolderDefault : m_values.folder.c_str());
  SetDlgItemInt(m_hWnd, IDC_EDIT_KEEP_DAYS, static_cast<UINT>(m_values.keepDays), FALSE);
  SetDlgItemInt(m_hWnd, IDC_EDIT_SEGMENT_MINUTES, static_cast<UINT>(m_values.segmentMinutes), FALSE);
  SetDlgItemInt(m_hWnd, IDC_EDIT_MIN_FREE_MB, static_cast<UINT>(m_values.minFreeMb), FALSE);
  MeasureFolder();
  return TRUE;
}

std::string CRecordSettingsDlg::TypedFolder() const {
  CWnd edit;
  edit.Attach(GetDlgItem(IDC_EDIT_RECORD_FOLDER));
  return Trimmed(edit.GetWindowText());
}

void CRecordSettingsDlg::MeasureFolder() {
  const std::string folder = FullFolder();
  if (folder == m_measuredFolder) return;
  m_measuredFolder = folder;
  SetDlgItemTextA(m_hWnd, IDC_RECORD_FOLDER_SIZE, kRecordComputing);
  SetDlgItemTextA(m_hWnd, IDC_RECORD_FREE_SPACE, kRecordComputing);
  const bool started = m_figures->Start(m_hWnd, WM_RECORD_FIGURES_DONE, [folder](const std::atomic<bool>& cancelled) {
    const FolderReading reading = ReadFolder(folder, cancelled);
    Figures figures;
    switch (reading.outcome) {
      case FolderReading::Outcome::Read:
        figures.folderSize =
            FillIn(kRecordFolderSize, {SizeText(reading.tally.bytes), std::to_string(reading.tally.files)});
        break;
      case FolderReading::Outcome::Missing: figures.folderSize = kRecordFolderMissing; break;
      case FolderReading::Outcome::Unreadable: figures.folderSize = kRecordFolderUnreadable; break;
    }
    figures.freeSpace = reading.freeBytes ? SizeText(*reading.freeBytes) : kRecordFreeUnknown;
    return figures;
  });
  if (started) return;
  SetDlgItemTextA(m_hWnd, IDC_RECORD_FOLDER_SIZE, kRecordFolderUnreadable);
  SetDlgItemTextA(m_hWnd, IDC_RECORD_FREE_SPACE, kRecordFreeUnknown);
  m_measuredFolder.clear();
}

LRESULT CRecordSettingsDlg::OnFiguresDone(WPARAM, LPARAM) {
  const std::optional<Figures> figures = m_figures->Take();
  if (!figures) return 0;  // of a folder since replaced
  SetDlgItemTextA(m_hWnd, IDC_RECORD_FOLDER_SIZE, figures->folderSize.c_str());
  SetDlgItemTextA(m_hWnd, IDC_RECORD_FREE_SPACE, figures->freeSpace.c_str());
  return 0;
}

// A folder typed by hand is measured once the user has left the field.
void CRecordSettingsDlg::OnEnKillFocusFolder() { MeasureFolder(); }

// Called when "浏览…" is clicked: the shell's folder picker, which may make a new folder too.
void CRecordSettingsDlg::OnBnClickedBrowse() {
  const CComApartment com;
  const std::string start = FullFolder();
  BROWSEINFOA browse = {};
  browse.hwndOwner = m_hWnd;
  browse.lpszTitle = kRecordBrowseTitle;
  browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
  browse.lpfn = &BrowseCallback;
  browse.lParam = reinterpret_cast<LPARAM>(start.c_str());
  if (LPITEMIDLIST chosen = SHBrowseForFolderA(&browse)) {
    char path[MAX_PATH] = {};
    if (SHGetPathFromIDListA(chosen, path)) {
      SetDlgItemTextA(m_hWnd, IDC_EDIT_RECORD_FOLDER, path);
      MeasureFolder();
    }
    ILFree(chosen);
  }
}

// Called when "打开文件夹" is clicked: the folder as typed, made first when missing. The shell may take
// its time over a share: it is asked from a thread of its own, and only trouble comes back.
void CRecordSettingsDlg::OnBnClickedOpenFolder() {
  const std::string folder = FullFolder();
  const bool started = m_open->Start(m_hWnd, WM_RECORD_OPEN_DONE, [folder](const std::atomic<bool>&) {
    return OpenInExplorer(folder) ? std::string() : folder;
  });
  if (!started) Warn(m_hWnd, FillIn(kMsgRecordFolderNotOpened, {folder}));
}

LRESULT CRecordSettingsDlg::OnOpenDone(WPARAM, LPARAM) {
  const std::optional<std::string> failedFolder = m_open->Take();
  if (failedFolder && !failedFolder->empty())
    Warn(m_hWnd, FillIn(kMsgRecordFolderNotOpened, {*failedFolder}));
  // The folder may be new: what it holds and its drive's space are worth a fresh look.
  m_measuredFolder.clear();
  MeasureFolder();
  return 0;
}

// Saved only when every field is right; otherwise the message names what is wrong, the window stays open
// with that field chosen, and the file keeps what it had.
void CRecordSettingsDlg::OnOK() {
  RecordSettingsText typed;
  typed.folder = TypedFolder();
  const auto text = [this](int id) {
    CWnd edit;
    edit.Attach(GetDlgItem(id));
    return edit.GetWindowText();
  };
  typed.keepDays = text(IDC_EDIT_KEEP_DAYS);
  typed.segmentMinutes = text(IDC_EDIT_SEGMENT_MINUTES);
  typed.minFreeMb = text(IDC_EDIT_MIN_FREE_MB);
  const RecordSettingsCheck check = CheckTypedRecordSettings(IsDlgButtonChecked(m_hWnd, IDC_CHECK_RECORD) == BST_CHECKED, typed);
  if (check.refused != RecordField::None) {
    Warn(m_hWnd, check.message);
    const int field = check.refused == RecordField::Folder       ? IDC_EDIT_RECORD_FOLDER
                      : check.refused == RecordField::KeepDays   ? IDC_EDIT_KEEP_DAYS
                      : check.refused == RecordField::MinFreeMb  ? IDC_EDIT_MIN_FREE_MB
                                                                 : IDC_EDIT_SEGMENT_MINUTES;
    SendMessage(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(field)), TRUE);
    return;
  }
  if (!m_profile.SaveRecord(check.settings)) {
    Warn(m_hWnd, FillIn(kMsgRecordNotSaved, {m_profile.Path()}));
    return;
  }
  m_values = check.settings;
  ForgetWork();
  EndDialog(IDOK);
}

void CRecordSettingsDlg::OnCancel() {
  ForgetWork();
  CDialog::OnCancel();
}

void CRecordSettingsDlg::ForgetWork() {
  m_figures->Forget();
  m_open->Forget();
}
