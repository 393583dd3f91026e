#pragma once
// The application object: one global instance, constructed at static initialisation, whose
// InitInstance the program's entry point runs. The program is a modal dialog, and a modal dialog runs
// its own message loop: the application has none.
#include <windows.h>

#include <string>

class CWnd;

class CWinApp {
 public:
  CWinApp();
  virtual ~CWinApp();
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;

  // Runs the whole program; returns the process's exit code.
  virtual int InitInstance() = 0;

  HINSTANCE m_hInstance = nullptr;
  // The executable's file name without its extension: the caption of the program's message boxes.
  std::string m_strAppName;
  // The command line after the program's name, as the system hands it to the entry point.
  std::string m_strCmdLine;
  CWnd* m_pMainWnd = nullptr;

  HICON LoadIcon(UINT resourceId) const;
};

CWinApp* AfxGetApp();
int AfxWinMain(HINSTANCE instance, const char* commandLine);

// A message box captioned with the application's name, owned by the main window when there is one.
int AfxMessageBox(const std::string& text, UINT type = MB_OK);
