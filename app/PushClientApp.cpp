#include "app/PushClientApp.h"

#include <commctrl.h>

#include "app/PushClientDlg.h"

CPushClientApp theApp;

BOOL CPushClientApp::InitInstance() {
  InitCommonControls();
  CWinApp::InitInstance();

  CPushClientDlg dlg;
  m_pMainWnd = &dlg;
  dlg.DoModal();
  m_pMainWnd = nullptr;
  // The dialog was the whole program: no message loop of our own follows.
  return FALSE;
}
