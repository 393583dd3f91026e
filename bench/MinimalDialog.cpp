// The least a program with PushClient's window can do: the same manifest, the common controls initialised,
// and a modal dialog from a template holding the same controls, with nothing filled in and nothing read or
// started. The benchmark measures PushClient against it, built by the same compiler and linked the same
// way, so that what the emulator and the system cost is set apart from what PushClient adds.
#include <windows.h>

#include <commctrl.h>

namespace {
const int kDialogId = 1;

INT_PTR CALLBACK MinimalDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) return TRUE;
  if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
    EndDialog(dialog, LOWORD(wParam));
    return TRUE;
  }
  return FALSE;
}
}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  InitCommonControls();
  return static_cast<int>(DialogBoxParamA(instance, MAKEINTRESOURCEA(kDialogId), nullptr, MinimalDialogProc, 0));
}
