// Alerts over HTTPS with the system's own certificate checks. The test script's receiver
// (scripts/webhook-https.sh, PUSHCLIENT_HTTPS_WEBHOOK naming its folder) serves two certificates made at its
// start for localhost: the one this test trusts takes the alert; the other, trusted by nobody, is refused
// before a byte of the alert is sent. Without the receiver the suite reports itself skipped.
#include <gtest/gtest.h>

#include <windows.h>
// After windows.h, which it needs.
#include <wincrypt.h>

#include <algorithm>
#include <cstdlib>

#include "AppUnderTest.h"
#include "WebhookListener.h"
#include "res/Texts.h"

using namespace pushtest;

namespace {

const char kHookPath[] = "/hook?token=x";

// A certificate in the current user's root store for as long as this lives. Wine's registry store writes
// what was added only when it is closed, and a program's chain engine reads the roots once: the
// certificate is therefore added, and its store closed, before PushClient starts. It leaves through the
// registry store itself: Wine keeps a deletion made through the system store only in memory.
class TrustedRoot {
 public:
  explicit TrustedRoot(const std::string& der)
      : m_der(der), m_added(CertAddEncodedCertificateToSystemStoreA("ROOT", Bytes(), Size()) != FALSE) {}
  ~TrustedRoot() {
    if (m_added) EXPECT_TRUE(Remove()) << "the test's certificate stays trusted in the Wine prefix";
  }
  TrustedRoot(const TrustedRoot&) = delete;
  TrustedRoot& operator=(const TrustedRoot&) = delete;
  bool Added() const { return m_added; }

 private:
  const BYTE* Bytes() const { return reinterpret_cast<const BYTE*>(m_der.data()); }
  DWORD Size() const { return static_cast<DWORD>(m_der.size()); }

  bool Remove() const {
    HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_REGISTRY_A, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, "ROOT");
    if (!store) return false;
    bool removed = false;
    if (PCCERT_CONTEXT wanted = CertCreateCertificateContext(X509_ASN_ENCODING, Bytes(), Size())) {
      PCCERT_CONTEXT found = CertFindCertificateInStore(store, X509_ASN_ENCODING, 0, CERT_FIND_EXISTING, wanted, nullptr);
      removed = found && CertDeleteCertificateFromStore(found);  // frees found
      CertFreeCertificateContext(wanted);
    }
    return CertCloseStore(store, 0) && removed;
  }

  std::string m_der;
  bool m_added;
};

AppUnderTest::Options Posting(const WebhookListener& listener) {
  AppUnderTest::Options options = TwoDevices();
  options.files["PushClient.ini"] = "[alert]\r\nwebhook=" + listener.Url("https", kHookPath) + "\r\n";
  return options;
}

std::string LineStarting(const AppUnderTest& app, const std::string& start) {
  for (const std::string& message : app.LogMessages())
    if (message.rfind(start, 0) == 0) return message;
  return "";
}

TEST(AlertsOverHttps, ATrustedCertificateTakesTheAlertAndOneNobodyTrustsIsRefusedBeforeAnythingIsSent) {
  const std::string folder = WebhookReceiverFolder();
  if (folder.empty()) GTEST_SKIP() << "no webhook receiver: PUSHCLIENT_HTTPS_WEBHOOK is unset";
  const WebhookListener trusted(folder, "trusted"), untrusted(folder, "untrusted");
  ASSERT_TRUE(trusted.port > 0 && untrusted.port > 0) << folder;
  const TrustedRoot root(ReadFileBytes(folder + "\\trusted.der"));
  ASSERT_TRUE(root.Added()) << GetLastError();

  {
    AppUnderTest app(Posting(trusted));
    app.GoLive(kGoodAddress);
    EXPECT_TRUE(WaitUntil([&] {
      const std::string posts = trusted.NewPosts();
      return posts.rfind(std::string("POST ") + kHookPath + " ", 0) == 0 &&
             posts.find("\"event\":\"on_air\"") != std::string::npos;
    }, 15s)) << trusted.NewPosts();
    EXPECT_EQ(LineStarting(app, kAlertSendFailed), "");
  }

  AppUnderTest app(Posting(untrusted));
  app.GoLive(kGoodAddress);
  const std::string refused = kAlertSendFailed + untrusted.Url("https", "/****") + " (WinHTTP ";
  std::string line;
  ASSERT_TRUE(WaitUntil([&] { return !(line = LineStarting(app, refused)).empty(); }, 15s));
  // The certificate check's own failure, not a connection that never was: Windows reports 12175
  // (ERROR_WINHTTP_SECURE_FAILURE), Wine 8 12157 (ERROR_WINHTTP_SECURE_CHANNEL_ERROR).
  const std::string code = line.substr(refused.size(), 5);
  EXPECT_TRUE(code == "12175" || code == "12157") << line;
  EXPECT_EQ(untrusted.NewPosts(), "");
}

}  // namespace
