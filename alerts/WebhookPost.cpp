#include "alerts/WebhookPost.h"

#include "alerts/RetryAfter.h"
#include "alerts/WebhookAddress.h"
#include "alerts/WinHttpLibrary.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <optional>
#include <string>

const char kWinHttpUnavailable[] = "WinHTTP unavailable";

namespace {

constexpr wchar_t kUserAgent[] = L"PushClient";
// Each read of the answer's body asks for at most this much.
constexpr DWORD kReadChunkBytes = 4096;
// WinHTTP ends every step with an error once its time-out has passed. Should an end never be reported, a
// post still gives up: after every time-out twice over (a proxy that asks who is posting costs a second
// sending) and this much more.
constexpr DWORD kPostSlackMs = 5000;
constexpr DWORD kPostBoundMs =
    2 * (kWebhookResolveTimeoutMs + kWebhookConnectTimeoutMs + kWebhookSendTimeoutMs + kWebhookReceiveTimeoutMs) +
    kPostSlackMs;
// A Retry-After longer than this is no number of seconds.
constexpr DWORD kRetryAfterMaxChars = 32;

struct WinHttpCloseDeleter {
  static HINTERNET Invalid() { return nullptr; }
  void operator()(HINTERNET handle) const { WinHttp()->CloseHandle(handle); }
};
using UniqueInternet = UniqueResource<HINTERNET, WinHttpCloseDeleter>;

// The address and the URL built from it are ASCII (ParseWebhookAddress refuses anything else).
std::wstring Widen(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

WebhookAnswer Failed(DWORD error) {
  WebhookAnswer answer;
  answer.transportFailure = "WinHTTP " + std::to_string(error);
  return answer;
}

// What one request shares with WinHTTP's callback: the body and headers being sent, the buffer a read
// fills, and where the end of each step is reported. WinHTTP may use them until the request handle is
// really gone, which HANDLE_CLOSING tells, however early the posting thread gave up on it; so they have
// two owners, the posting thread and the handle, and the last one to let go frees them.
class RequestState {
 public:
  RequestState(const WebhookRequest& request)
      : body(request.body), headers(L"Content-Type: " + Widen(request.contentType)),
        m_done(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}
  RequestState(const RequestState&) = delete;
  RequestState& operator=(const RequestState&) = delete;

  bool Usable() const { return static_cast<bool>(m_done); }
  void Share() { m_owners.fetch_add(1); }
  void Release() {
    if (m_owners.fetch_sub(1) == 1) delete this;
  }

  // From the callback, on any thread.
  void Report(DWORD error, DWORD bytes) {
    m_error = error;
    m_bytes = bytes;
    SetEvent(m_done.get());
  }
  HANDLE Done() const { return m_done.get(); }
  DWORD Error() const { return m_error; }
  DWORD Bytes() const { return m_bytes; }

  std::string body;
  const std::wstring headers;
  char buffer[kReadChunkBytes] = {};

 private:
  ~RequestState() = default;

  std::atomic<int> m_owners{1};
  UniqueHandle m_done;  // auto-reset: one report per step
  std::atomic<DWORD> m_error{ERROR_SUCCESS};
  std::atomic<DWORD> m_bytes{0};
};

struct ReleaseState {
  void operator()(RequestState* state) const { state->Release(); }
};

// The session's, the connection's and the request's callback. Only the request carries a context: the
// others' notices are of no interest.
void CALLBACK OnStatus(HINTERNET, DWORD_PTR context, DWORD status, LPVOID information, DWORD length) {
  auto* state = reinterpret_cast<RequestState*>(context);
  if (!state) return;
  switch (status) {
    case WINHTTP_CALLBACK_STATUS_SENDREQUEST_COMPLETE:
    case WINHTTP_CALLBACK_STATUS_HEADERS_AVAILABLE:
      state->Report(ERROR_SUCCESS, 0);
      break;
    case WINHTTP_CALLBACK_STATUS_READ_COMPLETE:
      state->Report(ERROR_SUCCESS, length);
      break;
    case WINHTTP_CALLBACK_STATUS_REQUEST_ERROR:
      state->Report(static_cast<const WINHTTP_ASYNC_RESULT*>(information)->dwError, 0);
      break;
    case WINHTTP_CALLBACK_STATUS_HANDLE_CLOSING:
      state->Release();  // WinHTTP's last word about this request
      break;
    default:
      break;
  }
}

// An asynchronous session with the program's time-outs, redirections never followed (WinHTTP would send
// the POST on as a GET, without its body) and the callback above.
UniqueInternet OpenSession(const WinHttpFunctions& http) {
  // The proxy the system would use for this address, found per request (WPAD, a PAC script, the
  // settings); WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY exists from Windows 8.1 on. Before that the proxy set
  // with netsh is the one WinHTTP knows.
  UniqueInternet session(http.Open(kUserAgent, WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY, WINHTTP_NO_PROXY_NAME,
                                   WINHTTP_NO_PROXY_BYPASS, WINHTTP_FLAG_ASYNC));
  if (!session) {
    session.reset(http.Open(kUserAgent, WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                            WINHTTP_NO_PROXY_BYPASS, WINHTTP_FLAG_ASYNC));
  }
  if (!session) return session;
  DWORD redirects = WINHTTP_OPTION_REDIRECT_POLICY_NEVER;
  // The wait for the answer's headers has a time-out of its own, 90 s unless set; Wine bounds that wait by
  // it alone, not by the receive time-out.
  DWORD answerTimeout = kWebhookReceiveTimeoutMs;
  if (!http.SetTimeouts(session.get(), kWebhookResolveTimeoutMs, kWebhookConnectTimeoutMs, kWebhookSendTimeoutMs,
                        kWebhookReceiveTimeoutMs) ||
      !http.SetOption(session.get(), WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &answerTimeout, sizeof answerTimeout) ||
      !http.SetOption(session.get(), WINHTTP_OPTION_REDIRECT_POLICY, &redirects, sizeof redirects) ||
      http.SetStatusCallback(session.get(), OnStatus, WINHTTP_CALLBACK_FLAG_ALL_COMPLETIONS | WINHTTP_CALLBACK_FLAG_HANDLES,
                             0) == WINHTTP_INVALID_STATUS_CALLBACK) {
    session.reset();
  }
  return session;
}

// A proxy that asks who is posting (407) is offered the user's own logon, Negotiate or NTLM as it allows,
// which WinHTTP sends only once told the proxy may have it. A proxy wanting a name and password gets
// nothing: the program has none to give.
bool OfferLogonToProxy(const WinHttpFunctions& http, HINTERNET request) {
  DWORD supported = 0;
  DWORD first = 0;
  DWORD target = 0;
  if (!http.QueryAuthSchemes(request, &supported, &first, &target) || target != WINHTTP_AUTH_TARGET_PROXY) return false;
  DWORD scheme = 0;
  if (supported & WINHTTP_AUTH_SCHEME_NEGOTIATE) {
    scheme = WINHTTP_AUTH_SCHEME_NEGOTIATE;
  } else if (supported & WINHTTP_AUTH_SCHEME_NTLM) {
    scheme = WINHTTP_AUTH_SCHEME_NTLM;
  } else {
    return false;
  }
  DWORD policy = WINHTTP_AUTOLOGON_SECURITY_LEVEL_LOW;
  return http.SetOption(request, WINHTTP_OPTION_AUTOLOGON_POLICY, &policy, sizeof policy) &&
         http.SetCredentials(request, WINHTTP_AUTH_TARGET_PROXY, scheme, nullptr, nullptr, nullptr);
}

std::optional<long long> RetryAfter(const WinHttpFunctions& http, HINTERNET request) {
  wchar_t value[kRetryAfterMaxChars + 1] = {};
  DWORD size = sizeof value;
  if (!http.QueryHeaders(request, WINHTTP_QUERY_RETRY_AFTER, WINHTTP_HEADER_NAME_BY_INDEX, value, &size,
                         WINHTTP_NO_HEADER_INDEX)) {
    return std::nullopt;
  }
  std::string ascii;
  for (DWORD i = 0; i < size / sizeof(wchar_t); ++i) ascii += value[i] < 0x80 ? static_cast<char>(value[i]) : '?';
  return RetryAfterSeconds(ascii);
}

// One request's steps, each started here and waited for until WinHTTP reports its end, the poster is
// aborted or the post's bound has passed.
class Exchange {
 public:
  Exchange(const WinHttpFunctions& http, HINTERNET request, RequestState& state, HANDLE aborted)
      : m_http(http), m_request(request), m_state(state), m_aborted(aborted), m_deadline(GetTickCount64() + kPostBoundMs) {}

  DWORD Send() {
    const auto size = static_cast<DWORD>(m_state.body.size());
    return Await(m_http.SendRequest(m_request, m_state.headers.c_str(), static_cast<DWORD>(-1L),
                                   m_state.body.data(), size, size,
                                   reinterpret_cast<DWORD_PTR>(&m_state)));
  }
  DWORD Receive() { return Await(m_http.ReceiveResponse(m_request, nullptr)); }
  // At most kWebhookAnswerMaxBytes; a failure keeps what came before it.
  DWORD ReadBody(std::string& body) {
    while (body.size() < kWebhookAnswerMaxBytes) {
      const auto wanted = static_cast<DWORD>(std::min<std::size_t>(kReadChunkBytes, kWebhookAnswerMaxBytes - body.size()));
      const DWORD error = Await(m_http.ReadData(m_request, m_state.buffer, wanted, nullptr));
      if (error != ERROR_SUCCESS) return error;
      if (m_state.Bytes() == 0) break;
      body.append(m_state.buffer, std::min(m_state.Bytes(), wanted));
    }
    return ERROR_SUCCESS;
  }

 private:
  DWORD Await(BOOL started) {
    if (!started) return GetLastError();
    const ULONGLONG now = GetTickCount64();
    const HANDLE events[] = {m_aborted, m_state.Done()};
    switch (WaitForMultipleObjects(2, events, FALSE, now < m_deadline ? static_cast<DWORD>(m_deadline - now) : 0)) {
      case WAIT_OBJECT_0 + 1:
        return m_state.Error();
      case WAIT_OBJECT_0:
        return ERROR_WINHTTP_OPERATION_CANCELLED;
      case WAIT_TIMEOUT:
        return ERROR_WINHTTP_TIMEOUT;
      default:
        return GetLastError();
    }
  }

  const WinHttpFunctions& m_http;
  HINTERNET m_request;
  RequestState& m_state;
  HANDLE m_aborted;
  ULONGLONG m_deadline;
};

}  // namespace

CWebhookPoster::CWebhookPoster() : m_aborted(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

void CWebhookPoster::Abort() {
  if (m_aborted) SetEvent(m_aborted.get());
}

WebhookAnswer CWebhookPoster::Post(const WebhookRequest& request) {
  if (!m_aborted) return Failed(ERROR_INVALID_HANDLE);
  if (WaitForSingleObject(m_aborted.get(), 0) == WAIT_OBJECT_0) return Failed(ERROR_WINHTTP_OPERATION_CANCELLED);
  const WinHttpFunctions* http = WinHttp();
  if (!http) {
    WebhookAnswer answer;
    answer.transportFailure = kWinHttpUnavailable;
    return answer;
  }
  const WebhookAddress address = ParseWebhookAddress(request.url).address;

  // Every handle is made, used and closed on this thread alone; closing them (in the reverse order of
  // their making, as the owners below go) is also how a step cut short ends for WinHTTP.
  const std::unique_ptr<RequestState, ReleaseState> state(new RequestState(request));
  if (!state->Usable()) return Failed(GetLastError());
  const UniqueInternet session = OpenSession(*http);
  if (!session) return Failed(GetLastError());
  const UniqueInternet connection(
      http->Connect(session.get(), Widen(address.host).c_str(), static_cast<INTERNET_PORT>(address.port), 0));
  if (!connection) return Failed(GetLastError());
  // No option here weakens HTTPS: the system checks the server's certificate and name as it always does.
  const UniqueInternet handle(http->OpenRequest(connection.get(), L"POST", Widen(address.pathAndQuery).c_str(), nullptr,
                                                WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                                address.secure ? WINHTTP_FLAG_SECURE : 0));
  if (!handle) return Failed(GetLastError());
  auto context = reinterpret_cast<DWORD_PTR>(state.get());
  if (!http->SetOption(handle.get(), WINHTTP_OPTION_CONTEXT_VALUE, &context, sizeof context)) return Failed(GetLastError());
  state->Share();  // from here on the handle's HANDLE_CLOSING lets go of it

  Exchange exchange(*http, handle.get(), *state, m_aborted.get());
  DWORD status = 0;
  for (bool resent = false;; resent = true) {
    DWORD error = exchange.Send();
    if (error == ERROR_SUCCESS) error = exchange.Receive();
    if (error != ERROR_SUCCESS) return Failed(error);
    DWORD size = sizeof status;
    if (!http->QueryHeaders(handle.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                            WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX)) {
      return Failed(GetLastError());
    }
    if (status != HTTP_STATUS_PROXY_AUTH_REQ || resent || !OfferLogonToProxy(*http, handle.get())) break;
  }
  WebhookAnswer answer;
  answer.status = static_cast<int>(status);
  answer.retryAfterSeconds = RetryAfter(*http, handle.get());
  // The status has come: a body that breaks off is judged by what came of it, unless the post was cut short.
  if (exchange.ReadBody(answer.body) == ERROR_WINHTTP_OPERATION_CANCELLED) return Failed(ERROR_WINHTTP_OPERATION_CANCELLED);
  return answer;
}
