#pragma once
// The application object: one global instance, constructed at static initialisation, whose
// InitInstance the program's entry point runs.
#include <windows.h>

#include <string>

class CWnd;

class CWinApp {
 public:
  CWinApp();
  virtual ~CWinApp();
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;

  // Returns FALSE to end the program without a message loop of the application's own.
  virtual BOOL InitInstance();
  // Runs the application's own message loop when InitInstance returned TRUE; returns the exit code.
  virtual int Run();

  HINSTANCE m_hInstance = nullptr;
  // The executable's file name without its extension: the caption of the program's message boxes.
  std::string m_strAppName;
  CWnd* m_pMainWnd = nullptr;

  HICON LoadIcon(UINT resourceId) const;

 private:
  friend int AfxWinMain(HINSTANCE instance);
};

CWinApp* AfxGetApp();
int AfxWinMain(HINSTANCE instance);

// A message box captioned with the application's name, owned by the main window when there is one.
int AfxMessageBox(const std::string& text, UINT type = MB_OK);
