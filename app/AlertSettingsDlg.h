#pragma once
// "告警设置…": where alerts go, and a test message to see that they arrive.
#include <memory>
#include <string>

#include "alerts/WebhookThread.h"
#include "framework/Dialog.h"
#include "res/resource.h"
#include "settings/ProfileSettings.h"

class CAlertSettingsDlg : public CDialog {
 public:
  // values: shown at the start; after IDOK, what the user entered. defaultStation: what an empty station
  // name stands for.
  CAlertSettingsDlg(AlertSettings values, std::string defaultStation);
  ~CAlertSettingsDlg() override;

  const AlertSettings& Values() const { return m_values; }

 protected:
  const MessageMap* GetMessageMap() const override;
  void DoDataExchange(CDataExchange* dx) override;
  void OnOK() override;
  void OnCancel() override;

  void OnBnClickedTestAlert();
  LRESULT OnTestDone(WPARAM wParam, LPARAM lParam);

 private:
  struct Test;
  void EndTest();

  AlertSettings m_values;
  bool m_bSecretUnused = false;  // the latest test's secret is for a chat that has no signing
  std::string m_defaultStation;
  std::shared_ptr<Test> m_test;  // the test message under way, if any
  std::unique_ptr<WebhookThread> m_testThread;
};
