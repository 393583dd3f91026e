#pragma once
#include "framework/Dialog.h"
#include "res/resource.h"

// The About box, reached from the window's system menu.
class CAboutDlg : public CDialog {
 public:
  CAboutDlg() : CDialog(IDD_ABOUTBOX) {}
};
