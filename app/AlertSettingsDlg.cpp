#include "app/AlertSettingsDlg.h"

#include "alerts/AlertClock.h"
#include "alerts/WebhookAddress.h"
#include "alerts/WebhookPost.h"
#include "alerts/WebhookRequest.h"
#include "res/Texts.h"
#include "text/AnsiTextConversion.h"

namespace {
// Posted by the test's thread when the webhook has answered, or not.
constexpr UINT WM_ALERT_TEST_DONE = WM_APP + 16;
}  // namespace

// What the test's thread and the window share: the poster, which the window may cut short, and the
// outcome, which the thread writes before it tells the window.
struct CAlertSettingsDlg::Test {
  WebhookPoster poster;
  std::mutex mutex;
  std::string outcome;  // code page 936
};

CAlertSettingsDlg::CAlertSettingsDlg(AlertSettings values, std::string defaultStation)
    : CDialog(IDD_ALERTS), m_values(std::move(values)), m_defaultStation(std::move(defaultStation)) {}

CAlertSettingsDlg::~CAlertSettingsDlg() { EndTest(); }

const MessageMap* CAlertSettingsDlg::GetMessageMap() const {
  using namespace msgmap;
  static const MessageMapEntry entries[] = {
      OnCommand(BN_CLICKED, IDC_BTN_TEST_ALERT, &CAlertSettingsDlg::OnBnClickedTestAlert),
      OnMessage(WM_ALERT_TEST_DONE, &CAlertSettingsDlg::OnTestDone),
  };
  static const MessageMap map = {CDialog::GetMessageMap(), entries, sizeof(entries) / sizeof(entries[0])};
  return &map;
}

void CAlertSettingsDlg::DoDataExchange(CDataExchange* dx) {
  DDX_Text(dx, IDC_EDIT_WEBHOOK, m_values.webhook);
  DDX_Text(dx, IDC_EDIT_SECRET, m_values.secret);
  DDX_Text(dx, IDC_EDIT_STATION, m_values.station);
}

void CAlertSettingsDlg::OnOK() {
  EndTest();
  CDialog::OnOK();
}

void CAlertSettingsDlg::OnCancel() {
  EndTest();
  CDialog::OnCancel();
}

// Called when "发送测试消息" is clicked: one message to the address as typed, its outcome shown here. It
// goes out from a thread of its own; the window keeps answering.
void CAlertSettingsDlg::OnBnClickedTestAlert() {
  UpdateData(TRUE);
  const WebhookAddressParse parsed = ParseWebhookAddress(m_values.webhook);
  if (parsed.refusal) {
    SetDlgItemTextA(m_hWnd, IDC_ALERT_RESULT, parsed.refusal);
    return;
  }
  EndTest();
  AlertMessage message;
  message.event = AlertEvent::Test;
  message.text = AnsiToUtf8(kAlertTest);
  message.station = AnsiToUtf8(m_values.station.empty() ? m_defaultStation : m_values.station);
  message.time = CurrentLocalTime();
  const WebhookRequest request = BuildWebhookRequest(parsed.address, ChosenFormat(parsed.address, m_values.format),
                                                     m_values.secret, message, EpochMsNow());

  SetDlgItemTextA(m_hWnd, IDC_ALERT_RESULT, kAlertTesting);
  EnableWindow(GetDlgItem(IDC_BTN_TEST_ALERT), FALSE);
  m_test = std::make_shared<Test>();
  m_testThread = std::thread([test = m_test, request, window = m_hWnd] {
    const PostOutcome outcome = test->poster.Post(request);
    {
      std::lock_guard<std::mutex> lock(test->mutex);
      test->outcome = outcome.sent ? std::string(kAlertTestSent) : kAlertTestFailed + outcome.failure;
    }
    PostMessageA(window, WM_ALERT_TEST_DONE, 0, 0);
  });
}

LRESULT CAlertSettingsDlg::OnTestDone(WPARAM, LPARAM) {
  if (!m_test) return 0;
  std::string outcome;
  {
    std::lock_guard<std::mutex> lock(m_test->mutex);
    outcome = m_test->outcome;
  }
  if (outcome.empty()) return 0;
  SetDlgItemTextA(m_hWnd, IDC_ALERT_RESULT, outcome.c_str());
  EnableWindow(GetDlgItem(IDC_BTN_TEST_ALERT), TRUE);
  return 0;
}

// A test under way is cut short: closing the window never waits for a webhook.
void CAlertSettingsDlg::EndTest() {
  if (m_test) m_test->poster.Abort();
  if (m_testThread.joinable()) m_testThread.join();
}
