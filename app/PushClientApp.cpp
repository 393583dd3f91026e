#include "app/PushClientApp.h"

#include <commctrl.h>

#include "app/PushClientDlg.h"
#include "framework/ChildProcess.h"

CPushClientApp theApp;

int CPushClientApp::InitInstance() {
  // Before the window can start its first encoder: from here on every child ends with the program,
  // however the program ends, killed from outside included.
  TieChildrenToThisProcess();
  InitCommonControls();

  CPushClientDlg dlg;
  m_pMainWnd = &dlg;
  dlg.DoModal();
  m_pMainWnd = nullptr;
  return 0;
}
