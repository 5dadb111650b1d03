#pragma once
// The DevTools endpoint of a Chromium-family browser started with "--remote-debugging-port=0":
// the port it chose is in its profile folder's DevToolsActivePort file; the HTTP side lists,
// opens and closes targets, and each target (and the browser itself) takes commands over its
// WebSocket. Only loopback is ever contacted.
//
// The browser is polled every status tick and is often simply not running, so these calls leave
// the program's network error record as they found it: a browser that does not answer is
// "no window", not a network error the user is shown.
//
// Threading: loop thread only.

#include <cstdint>
#include <string>
#include <vector>

#include "core/event_loop.h"
#include "net/json.h"

namespace platform {

struct DevToolsTarget {
  std::string id;
  std::string type;
  std::string url;
  std::string webSocketUrl;
};

// The targets of a /json/list answer, in the order given (most recently active first); nullopt
// semantics: false when the text is not such a list.
bool ParseDevToolsTargets(const std::string& json, std::vector<DevToolsTarget>& targets);
// The port in the text of a DevToolsActivePort file (its first line); 0 when there is none.
int ParseDevToolsActivePort(const std::string& text);
// `address` made safe as the query of /json/new (which the browser unescapes).
std::string EscapeQueryValue(const std::string& address);

class DevToolsEndpoint {
 public:
  static constexpr std::int64_t kDefaultTimeoutMs = 2000;

  DevToolsEndpoint(core::EventLoop& loop, std::string profileDir)
      : loop_(loop), profileDir_(std::move(profileDir)) {}

  void SetTimeout(std::int64_t ms) { timeoutMs_ = ms; }
  [[nodiscard]] std::string PortFile() const { return profileDir_ + "/DevToolsActivePort"; }
  // The port the browser announced, 0 when it has announced none.
  [[nodiscard]] int Port() const;

  // The page targets (other kinds left out), most recently active first. False when the
  // endpoint does not answer.
  bool Pages(std::vector<DevToolsTarget>& pages);
  bool NewPage(const std::string& address);
  bool ClosePage(const std::string& id);
  // Sends `method` with `params` to the target behind `webSocketUrl` and waits for its answer;
  // false when it fails or the browser answers with an error.
  bool Command(const std::string& webSocketUrl, const std::string& method,
               const net::JsonValue& params = net::JsonValue::MakeObject());
  // Stops loading the page behind `webSocketUrl` and reloads it past the cache.
  bool ReloadPage(const std::string& webSocketUrl);
  // The browser's own WebSocket (for Browser.close); "" when it does not answer.
  std::string BrowserWebSocketUrl();

 private:
  bool Http(const std::string& method, const std::string& path, std::string& body);

  core::EventLoop& loop_;
  std::string profileDir_;
  std::int64_t timeoutMs_ = kDefaultTimeoutMs;
};

}  // namespace platform
