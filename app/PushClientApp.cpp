#include "app/PushClientApp.h"

#include <commctrl.h>

#include "app/OneCopyPerFolder.h"
#include "app/PushClientDlg.h"
#include "files/ModuleFolder.h"
#include "system/ChildProcess.h"
#include "settings/CommandLineOptions.h"

CPushClientApp theApp;

namespace {
std::string CurrentFolder() {
  char folder[MAX_PATH] = {};
  const DWORD length = GetCurrentDirectoryA(sizeof(folder), folder);
  return length < sizeof(folder) ? std::string(folder, length) : std::string();
}

// Started unattended, by a Task Scheduler task without "Start in" (which runs in System32) or a shortcut
// whose "Start in" is wrong: config.db, device.txt and the rest are where the user put them, beside the
// program.
void MoveToProgramFolder() {
  char path[kModulePathBufferSize] = {};
  GetModuleFileNameA(nullptr, path, sizeof(path));
  const std::string folder = FolderFromModulePathBuffer(path);
  if (!folder.empty()) SetCurrentDirectoryA(folder.c_str());
}
}  // namespace

int CPushClientApp::InitInstance() {
  if (GoLiveAtStartup(m_strCmdLine)) MoveToProgramFolder();
  // A second copy in this folder only brings the first one's window forward, touching no file.
  COneCopyPerFolder oneCopy;
  if (!oneCopy.Claim(CurrentFolder())) return 0;

  // Before the window can start its first encoder: from here on every child ends with the program,
  // however the program ends, killed from outside included.
  TieChildrenToThisProcess();
  InitCommonControls();

  CPushClientDlg dlg(&oneCopy);
  m_pMainWnd = &dlg;
  dlg.DoModal();
  m_pMainWnd = nullptr;
  return 0;
}
