#include "WebhookReceiver.h"

#include <ws2tcpip.h>

#include <chrono>
#include <cstdlib>

namespace pushtest {

WebhookReceiver::WebhookReceiver() {
  WSADATA data;
  WSAStartup(MAKEWORD(2, 2), &data);
  m_listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof(address));
  int length = sizeof(address);
  getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length);
  m_port = ntohs(address.sin_port);
  listen(m_listener, 16);
  m_thread = std::thread([this] { Serve(); });
}

WebhookReceiver::~WebhookReceiver() {
  m_stopping = true;
  closesocket(m_listener);
  if (m_thread.joinable()) m_thread.join();
  for (SOCKET s : m_hanging) closesocket(s);
  WSACleanup();
}

std::string WebhookReceiver::Url(const std::string& pathAndQuery) const {
  return "http://127.0.0.1:" + std::to_string(m_port) + pathAndQuery;
}

std::vector<WebhookReceiver::Post> WebhookReceiver::Posts() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_posts;
}

bool WebhookReceiver::WaitForBody(const std::string& text, int timeoutMs) const {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  do {
    for (const Post& post : Posts())
      if (post.body.find(text) != std::string::npos) return true;
    Sleep(50);
  } while (std::chrono::steady_clock::now() < deadline);
  return false;
}

void WebhookReceiver::Serve() {
  while (!m_stopping) {
    const SOCKET client = accept(m_listener, nullptr, nullptr);
    if (client == INVALID_SOCKET) return;
    Handle(client);
  }
}

void WebhookReceiver::Handle(SOCKET client) {
  std::string request;
  char buffer[4096];
  size_t headerEnd = std::string::npos;
  size_t bodyLength = 0;
  for (;;) {
    if (headerEnd != std::string::npos && request.size() >= headerEnd + 4 + bodyLength) break;
    const int got = recv(client, buffer, sizeof(buffer), 0);
    if (got <= 0) break;
    request.append(buffer, static_cast<size_t>(got));
    if (headerEnd == std::string::npos && (headerEnd = request.find("\r\n\r\n")) != std::string::npos) {
      const size_t field = request.find("Content-Length:");
      if (field != std::string::npos && field < headerEnd) bodyLength = std::strtoul(request.c_str() + field + 15, nullptr, 10);
    }
  }
  if (headerEnd == std::string::npos) {
    closesocket(client);
    return;
  }
  const size_t targetStart = request.find(' ') + 1;
  Post post{request.substr(targetStart, request.find(' ', targetStart) - targetStart), request.substr(headerEnd + 4)};
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_posts.push_back(post);
  }
  const Answer answer = m_answer;
  if (answer == Answer::Hang) {
    m_hanging.push_back(client);
    return;
  }
  const std::string reply = answer == Answer::Ok ? "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nConnection: close\r\n\r\nok"
                                                 : "HTTP/1.1 500 Oops\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
  send(client, reply.data(), static_cast<int>(reply.size()), 0);
  shutdown(client, SD_SEND);
  closesocket(client);
}

}  // namespace pushtest
