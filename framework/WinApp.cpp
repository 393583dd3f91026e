#include "framework/WinApp.h"

#include "framework/Wnd.h"

namespace {
CWinApp* g_app = nullptr;

std::string ExecutableBaseName() {
  // Large enough for any path the system hands out; the name only feeds captions.
  std::string path(32768, '\0');
  const DWORD length = GetModuleFileNameA(nullptr, &path[0], static_cast<DWORD>(path.size()));
  path.resize(length < path.size() ? length : 0);
  const std::string::size_type slash = path.find_last_of("\\/");
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const std::string::size_type dot = name.find_last_of('.');
  if (dot != std::string::npos) name.erase(dot);
  return name;
}
}  // namespace

CWinApp::CWinApp() { g_app = this; }

CWinApp::~CWinApp() {
  if (g_app == this) g_app = nullptr;
}

HICON CWinApp::LoadIcon(UINT resourceId) const {
  return ::LoadIconA(m_hInstance, MAKEINTRESOURCEA(resourceId));
}

CWinApp* AfxGetApp() { return g_app; }

int AfxWinMain(HINSTANCE instance, const char* commandLine) {
  CWinApp* app = AfxGetApp();
  if (!app) return 1;
  app->m_hInstance = instance;
  app->m_strAppName = ExecutableBaseName();
  app->m_strCmdLine = commandLine ? commandLine : "";
  return app->InitInstance();
}

int AfxMessageBox(const std::string& text, UINT type) {
  CWinApp* app = AfxGetApp();
  HWND owner = nullptr;
  if (app && app->m_pMainWnd) owner = app->m_pMainWnd->m_hWnd;
  const char* caption = app ? app->m_strAppName.c_str() : "";
  return MessageBoxA(owner, text.c_str(), caption, type);
}
