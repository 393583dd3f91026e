#pragma once
#include "framework/WinApp.h"

class CPushClientApp : public CWinApp {
 public:
  int InitInstance() override;
};
