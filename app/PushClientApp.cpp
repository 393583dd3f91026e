#include "app/PushClientApp.h"

#include <commctrl.h>

#include "app/PushClientDlg.h"

CPushClientApp theApp;

int CPushClientApp::InitInstance() {
  InitCommonControls();

  CPushClientDlg dlg;
  m_pMainWnd = &dlg;
  dlg.DoModal();
  m_pMainWnd = nullptr;
  return 0;
}
