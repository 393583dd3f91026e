#include "alerts/WebhookPost.h"

#include "alerts/WebhookAddress.h"

#include <string>

namespace {

constexpr wchar_t kUserAgent[] = L"PushClient";
constexpr DWORD kFirstSuccessStatus = 200;
constexpr DWORD kLastSuccessStatus = 299;

// The address and the URL built from it are ASCII (ParseWebhookAddress refuses anything else).
std::wstring Widen(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

PostOutcome Failed(DWORD error) { return {false, "WinHTTP " + std::to_string(error)}; }

}  // namespace

bool WebhookPoster::OpenSession() {
  if (session_) return true;
  // The proxy the system would use for this address, found per request (WPAD, a PAC script, the
  // settings); WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY exists from Windows 8.1 on. Before that the proxy set
  // with netsh is the one WinHTTP knows.
  session_.reset(WinHttpOpen(kUserAgent, WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY, WINHTTP_NO_PROXY_NAME,
                             WINHTTP_NO_PROXY_BYPASS, 0));
  if (!session_) {
    session_.reset(WinHttpOpen(kUserAgent, WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                               WINHTTP_NO_PROXY_BYPASS, 0));
  }
  if (!session_) return false;
  WinHttpSetTimeouts(session_.get(), kWebhookResolveTimeoutMs, kWebhookConnectTimeoutMs, kWebhookSendTimeoutMs,
                     kWebhookReceiveTimeoutMs);
  return true;
}

PostOutcome WebhookPoster::Post(const WebhookRequest& request) {
  const WebhookAddress address = ParseWebhookAddress(request.url).address;
  const std::wstring headers = L"Content-Type: " + Widen(request.contentType);
  HINTERNET handle = nullptr;
  {
    // Opening a connection and a request does no network work yet: done under the lock, so Abort never
    // closes a handle while it is being made.
    std::lock_guard<std::mutex> lock(mutex_);
    if (aborted_) return Failed(ERROR_WINHTTP_OPERATION_CANCELLED);
    if (!OpenSession()) return Failed(GetLastError());
    connection_.reset(WinHttpConnect(session_.get(), Widen(address.host).c_str(),
                                     static_cast<INTERNET_PORT>(address.port), 0));
    if (!connection_) return Failed(GetLastError());
    // No option here weakens HTTPS: the system checks the server's certificate and name as it always does.
    request_.reset(WinHttpOpenRequest(connection_.get(), L"POST", Widen(address.pathAndQuery).c_str(), nullptr,
                                      WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                      address.secure ? WINHTTP_FLAG_SECURE : 0));
    if (!request_) return Failed(GetLastError());
    // A redirect is the answer, not followed: WinHTTP would repeat the POST as a GET without its body.
    DWORD noRedirects = WINHTTP_DISABLE_REDIRECTS;
    WinHttpSetOption(request_.get(), WINHTTP_OPTION_DISABLE_FEATURE, &noRedirects, sizeof noRedirects);
    handle = request_.get();
  }

  // Closing the request handle is how WinHTTP lets another thread end a synchronous request: the call
  // under way then fails, and Abort marks the poster so that nothing more is done with the handle.
  const auto aborted = [this] {
    std::lock_guard<std::mutex> lock(mutex_);
    return aborted_;
  };
  const auto body = const_cast<char*>(request.body.data());
  const auto bodySize = static_cast<DWORD>(request.body.size());
  PostOutcome outcome;
  DWORD status = 0;
  DWORD statusSize = sizeof status;
  if (!WinHttpSendRequest(handle, headers.c_str(), static_cast<DWORD>(-1L), body, bodySize, bodySize, 0)) {
    outcome = Failed(GetLastError());
  } else if (aborted()) {
    outcome = Failed(ERROR_WINHTTP_OPERATION_CANCELLED);
  } else if (!WinHttpReceiveResponse(handle, nullptr)) {
    outcome = Failed(GetLastError());
  } else if (!WinHttpQueryHeaders(handle, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                                  WINHTTP_HEADER_NAME_BY_INDEX, &status, &statusSize, WINHTTP_NO_HEADER_INDEX)) {
    outcome = Failed(GetLastError());
  } else {
    outcome.sent = status >= kFirstSuccessStatus && status <= kLastSuccessStatus;
    if (!outcome.sent) outcome.failure = "HTTP " + std::to_string(status);
  }

  std::lock_guard<std::mutex> lock(mutex_);
  request_.reset();
  connection_.reset();
  return outcome;
}

void WebhookPoster::Abort() {
  std::lock_guard<std::mutex> lock(mutex_);
  aborted_ = true;
  request_.reset();
  connection_.reset();
  session_.reset();
}
