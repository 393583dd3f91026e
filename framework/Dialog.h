#pragma once
// A modal dialog run from a template resource, with its dispatch table and data exchange.
#include <windows.h>

#include <string>

#include "framework/MessageMap.h"
#include "framework/Wnd.h"

// Direction and target of one data exchange between a dialog's controls and its fields.
class CDataExchange {
 public:
  CDataExchange(HWND dialog, bool saveAndValidate) : m_hDialog(dialog), m_bSaveAndValidate(saveAndValidate) {}
  HWND m_hDialog;
  bool m_bSaveAndValidate;  // true: controls -> fields; false: fields -> controls
};

// Exchanges a control's window text with a text field.
void DDX_Text(CDataExchange* dx, int controlId, std::string& value);

class CDialog : public CWnd {
 public:
  explicit CDialog(UINT templateId, CWnd* parent = nullptr);
  ~CDialog() override;

  INT_PTR DoModal();
  void EndDialog(int result);
  // save = TRUE pulls the controls' data into the fields; FALSE pushes the fields into the controls.
  BOOL UpdateData(BOOL save = TRUE);

 protected:
  virtual const MessageMap* GetMessageMap() const;
  virtual void DoDataExchange(CDataExchange* dx);
  // Base: pushes the fields into the controls; returns TRUE to let the system set the focus.
  virtual BOOL OnInitDialog();
  // Pulls the data from the controls, then ends the modal loop with IDOK.
  virtual void OnOK();
  // Ends the modal loop with IDCANCEL.
  virtual void OnCancel();

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);

  UINT m_nTemplateId;
  CWnd* m_pParent;
};
