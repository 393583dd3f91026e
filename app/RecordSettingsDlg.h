#pragma once
// "录音设置…": the recording's [record] settings, what its folder holds and the free space on its drive,
// and a way to the folder in Explorer. The figures are worked out off the window's thread (the folder may
// lie on a network share); the window shows "计算中…" until they come and never waits for them.
#include <memory>
#include <string>

#include "framework/Dialog.h"
#include "res/resource.h"
#include "settings/ProfileSettings.h"

class CRecordSettingsDlg : public CDialog {
 public:
  // profile: where the settings are read from and, on OK, saved to. programFolder: where a folder that is
  // no full path lies.
  CRecordSettingsDlg(const CProfileSettings& profile, std::string programFolder);
  ~CRecordSettingsDlg() override;

  // After IDOK: what was saved.
  const RecordSettings& Values() const { return m_values; }

 protected:
  const MessageMap* GetMessageMap() const override;
  BOOL OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;

  void OnBnClickedBrowse();
  void OnBnClickedOpenFolder();
  void OnEnKillFocusFolder();
  LRESULT OnFiguresDone(WPARAM wParam, LPARAM lParam);
  LRESULT OnOpenDone(WPARAM wParam, LPARAM lParam);

 private:
  template <class Result>
  class PostedWork;
  struct Figures;

  std::string TypedFolder() const;  // as typed, blanks at its ends dropped
  std::string FullFolder() const { return RecordFolderPath(TypedFolder(), m_programFolder); }
  // Works the figures out again for the folder as typed, unless they are of that folder already.
  void MeasureFolder();
  void ForgetWork();

  const CProfileSettings& m_profile;
  std::string m_programFolder;
  RecordSettings m_values;
  std::string m_measuredFolder;  // the full path the figures shown or coming are of
  std::unique_ptr<PostedWork<Figures>> m_figures;
  std::unique_ptr<PostedWork<std::string>> m_open;  // "打开文件夹": empty when it worked, else the folder
};
