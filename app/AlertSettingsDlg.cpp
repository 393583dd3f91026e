#include "app/AlertSettingsDlg.h"

#include <mutex>
#include <optional>

#include "alerts/AlertClock.h"
#include "alerts/WebhookAddress.h"
#include "alerts/WebhookAnswer.h"
#include "alerts/WebhookRequest.h"
#include "res/Texts.h"
#include "text/AnsiText.h"
#include "text/AnsiTextConversion.h"

namespace {
// Posted by the test's thread when the webhook has answered, or not.
constexpr UINT WM_ALERT_TEST_DONE = WM_APP + 16;

// What the window says of the test: sent only when the chat took it; otherwise why not, in the robot's own
// words when it gave some, and a word about the clock when a signature was refused as too old or too new.
std::string TestOutcome(const Delivery& delivery) {
  if (delivery.verdict == DeliveryVerdict::Sent) return kAlertTestSent;
  std::string text = kAlertTestFailed + delivery.failure;
  std::string robotSaid = delivery.robotMessage;
  Utf8ToAnsi(robotSaid);
  if (!robotSaid.empty()) text += FillIn(kAlertTestRobotSaid, {robotSaid});
  if (delivery.clockSuspect) text += kAlertCheckClock;
  return text;
}
}  // namespace

// What the test's thread and the window share. The thread posts to the window only while window is set;
// the window clears it, under the lock, before it stops waiting for the outcome.
struct CAlertSettingsDlg::Test {
  std::mutex mutex;
  HWND window = nullptr;
  std::optional<Delivery> delivery;  // written before the window is told
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

  // A secret for a chat that signs nothing would be dropped without a word: the outcome says so.
  m_bSecretUnused = !TrimmedSecret(m_values.secret).empty() && !FormatSigns(request.format);
  SetDlgItemTextA(m_hWnd, IDC_ALERT_RESULT, kAlertTesting);
  EnableWindow(GetDlgItem(IDC_BTN_TEST_ALERT), FALSE);
  m_test = std::make_shared<Test>();
  m_test->window = m_hWnd;
  m_testThread = std::make_unique<WebhookThread>([test = m_test, request](CWebhookPoster& poster) {
    const Delivery delivery = JudgeAnswer(request.format, poster.Post(request));
    std::lock_guard<std::mutex> lock(test->mutex);
    if (!test->window) return;
    test->delivery = delivery;
    PostMessageA(test->window, WM_ALERT_TEST_DONE, 0, 0);
  });
}

LRESULT CAlertSettingsDlg::OnTestDone(WPARAM, LPARAM) {
  if (!m_test) return 0;
  std::optional<Delivery> delivery;
  {
    std::lock_guard<std::mutex> lock(m_test->mutex);
    delivery = m_test->delivery;
  }
  if (!delivery) return 0;  // told by a test that has since been replaced
  std::string outcome = TestOutcome(*delivery);
  if (m_bSecretUnused) outcome += std::string("\r\n") + kAlertSecretUnused;
  SetDlgItemTextA(m_hWnd, IDC_ALERT_RESULT, outcome.c_str());
  EnableWindow(GetDlgItem(IDC_BTN_TEST_ALERT), TRUE);
  return 0;
}

// A test under way is cut short and left behind: closing the window never waits for a webhook, nor for
// WinHTTP letting go of one. The test can no longer reach the window.
void CAlertSettingsDlg::EndTest() {
  if (m_test) {
    std::lock_guard<std::mutex> lock(m_test->mutex);
    m_test->window = nullptr;
  }
  if (m_testThread) m_testThread->End(0);
  m_testThread.reset();
  m_test.reset();
}
