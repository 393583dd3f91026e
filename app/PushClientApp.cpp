#include "app/PushClientApp.h"

#include <commctrl.h>

#include "app/PushClientDlg.h"
#include "framework/ChildProcess.h"

CPushClientApp theApp;

BOOL CPushClientApp::InitInstance() {
  // Before the window can start its first encoder: from here on every child ends with the program,
  // however the program ends, killed from outside included.
  TieChildrenToThisProcess();
  InitCommonControls();
  CWinApp::InitInstance();

  CPushClientDlg dlg;
  m_pMainWnd = &dlg;
  dlg.DoModal();
  m_pMainWnd = nullptr;
  // The dialog was the whole program: no message loop of our own follows.
  return FALSE;
}
