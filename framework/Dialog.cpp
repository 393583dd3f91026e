#include "framework/Dialog.h"

#include <type_traits>

#include "framework/WinApp.h"

void DDX_Text(CDataExchange* dx, int controlId, std::string& value) {
  CWnd control;
  control.Attach(GetDlgItem(dx->m_hDialog, controlId));
  if (dx->m_bSaveAndValidate)
    value = control.GetWindowText();
  else
    control.SetWindowText(value);
}

CDialog::CDialog(UINT templateId, CWnd* parent) : m_nTemplateId(templateId), m_pParent(parent) {}

CDialog::~CDialog() = default;

const MessageMap* CDialog::GetMessageMap() const {
  // Enter and Escape reach a dialog as IDOK and IDCANCEL commands.
  static const MessageMapEntry entries[] = {
      msgmap::OnCommand(BN_CLICKED, IDOK, &CDialog::OnOK),
      msgmap::OnCommand(BN_CLICKED, IDCANCEL, &CDialog::OnCancel),
  };
  static const MessageMap map = {nullptr, entries, sizeof(entries) / sizeof(entries[0])};
  return &map;
}

void CDialog::DoDataExchange(CDataExchange*) {}

BOOL CDialog::OnInitDialog() {
  UpdateData(FALSE);
  return TRUE;
}

void CDialog::OnOK() {
  UpdateData(TRUE);
  EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

INT_PTR CDialog::DoModal() {
  CWinApp* app = AfxGetApp();
  HINSTANCE instance = app ? app->m_hInstance : GetModuleHandleA(nullptr);
  HWND owner = m_pParent ? m_pParent->m_hWnd : nullptr;
  // With no parent given, the application's main window owns the dialog and is disabled meanwhile.
  if (!owner && app && app->m_pMainWnd && app->m_pMainWnd != this) owner = app->m_pMainWnd->m_hWnd;
  const INT_PTR result = DialogBoxParamA(instance, MAKEINTRESOURCEA(m_nTemplateId), owner, &CDialog::DialogProc,
                                         reinterpret_cast<LPARAM>(this));
  m_hWnd = nullptr;
  return result;
}

void CDialog::EndDialog(int result) { ::EndDialog(m_hWnd, result); }

BOOL CDialog::UpdateData(BOOL save) {
  CDataExchange dx(m_hWnd, save != FALSE);
  DoDataExchange(&dx);
  return TRUE;
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* self = reinterpret_cast<CDialog*>(lParam);
    SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
    self->m_hWnd = hwnd;
    return self->OnInitDialog();
  }
  // Messages sent before WM_INITDIALOG (WM_SETFONT, ...) find no object yet: the system handles them.
  auto* self = reinterpret_cast<CDialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
  if (!self) return FALSE;
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrA(hwnd, DWLP_USER, 0);
    return FALSE;
  }
  return self->Dispatch(message, wParam, lParam);
}

namespace {
bool Matches(const MessageMapEntry& entry, UINT message, WPARAM wParam) {
  if (entry.message != message) return false;
  if (message != WM_COMMAND) return true;
  return entry.notifyCode == HIWORD(wParam) && entry.controlId == LOWORD(wParam);
}
}  // namespace

INT_PTR CDialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
  for (const MessageMap* map = GetMessageMap(); map; map = map->base) {
    for (std::size_t i = 0; i < map->count; ++i) {
      const MessageMapEntry& entry = map->entries[i];
      if (!Matches(entry, message, wParam)) continue;

      bool handled = true;
      LRESULT result = 0;
      std::visit(
          [&](auto handler) {
            using H = decltype(handler);
            if constexpr (std::is_same_v<H, msgmap::VoidHandler>) {
              (this->*handler)();
            } else if constexpr (std::is_same_v<H, msgmap::BoolHandler>) {
              handled = (this->*handler)();
            } else if constexpr (std::is_same_v<H, msgmap::TimerHandler>) {
              handled = (this->*handler)(static_cast<UINT_PTR>(wParam));
            } else if constexpr (std::is_same_v<H, msgmap::SysCommandHandler>) {
              handled = (this->*handler)(static_cast<UINT>(wParam), lParam);
            } else if constexpr (std::is_same_v<H, msgmap::QueryCursorHandler>) {
              result = reinterpret_cast<LRESULT>((this->*handler)());
            } else {
              result = (this->*handler)(wParam, lParam);
            }
          },
          entry.handler);

      // A few messages return their value straight from the dialog procedure, where zero asks for the
      // system's default; the rest return it through DWLP_MSGRESULT, the procedure's own TRUE meaning
      // "handled" and FALSE letting DefDlgProc process the message.
      if (message == WM_QUERYDRAGICON) return static_cast<INT_PTR>(result);
      if (!handled) return FALSE;
      if (m_hWnd) SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, result);
      return TRUE;
    }
  }
  return FALSE;
}
