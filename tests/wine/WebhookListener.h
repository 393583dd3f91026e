#pragma once
// The webhooks of the test script's receiver (tools/webhook_receiver, started by scripts/webhook-https.sh,
// PUSHCLIENT_HTTPS_WEBHOOK naming its folder). A listener NAME has its port in NAME.port and what was
// posted to it in NAME.posts ("POST <path> <length>", the body, a newline).
#include <algorithm>
#include <cstdlib>
#include <string>

#include "AppUnderTest.h"

namespace pushtest {

// The receiver's folder as Wine's drive Z: shows it; empty when the test script started none.
inline std::string WebhookReceiverFolder() {
  const char* folder = std::getenv("PUSHCLIENT_HTTPS_WEBHOOK");
  if (!folder || !*folder) return std::string();
  std::string path = "Z:" + std::string(folder);
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

// A receiver left running keeps the records of earlier runs: only what came since the listener was looked
// at counts.
struct WebhookListener {
  WebhookListener(const std::string& folder, const std::string& name)
      : port(std::atoi(ReadFileBytes(folder + "\\" + name + ".port").c_str())),
        records(folder + "\\" + name + ".posts"),
        seen(ReadFileBytes(records).size()) {}
  std::string Url(const std::string& scheme, const std::string& pathAndQuery) const {
    return scheme + "://" + (scheme == "https" ? "localhost" : "127.0.0.1") + ":" + std::to_string(port) + pathAndQuery;
  }
  std::string NewPosts() const { return ReadFileBytes(records).substr(seen); }
  bool WaitForPost(const std::string& text, Millis timeout = 15s) const {
    return WaitUntil([&] { return NewPosts().find(text) != std::string::npos; }, timeout);
  }

  int port;
  std::string records;
  size_t seen;
};

}  // namespace pushtest
