#include "platform/devtools_endpoint.h"

#include <cctype>
#include <charconv>
#include <fstream>
#include <sstream>

#include "net/http_client.h"
#include "net/network_error.h"
#include "platform/devtools_session.h"

namespace platform {

namespace {

// Puts the network error record back as it was when the guard was made.
class KeepNetworkError {
 public:
  KeepNetworkError() : flag_(net::NetworkErrorFlag()), text_(net::NetworkErrorText()) {}
  ~KeepNetworkError() {
    if (!flag_) {
      net::ClearNetworkError();
    } else if (net::NetworkErrorText() != text_) {
      const std::string prefix = "Socket Refresh: ";
      int code = 0;
      const char* begin = text_.data() + std::min(prefix.size(), text_.size());
      std::from_chars(begin, text_.data() + text_.size(), code);
      net::RecordNetworkError(code);
    }
  }

 private:
  bool flag_;
  std::string text_;
};

}  // namespace

bool ParseDevToolsTargets(const std::string& json, std::vector<DevToolsTarget>& targets) {
  targets.clear();
  const std::optional<net::JsonValue> value = net::ParseJson(json);
  if (!value || !value->IsArray()) return false;
  for (const net::JsonValue& item : value->Items()) {
    if (!item.IsObject()) continue;
    targets.push_back({item.StringAt("id"), item.StringAt("type"), item.StringAt("url"),
                       item.StringAt("webSocketDebuggerUrl")});
  }
  return true;
}

int ParseDevToolsActivePort(const std::string& text) {
  const std::size_t end = text.find_first_of("\r\n");
  const std::string line = text.substr(0, end);
  int port = 0;
  const auto [p, ec] = std::from_chars(line.data(), line.data() + line.size(), port);
  if (line.empty() || ec != std::errc() || p != line.data() + line.size()) return 0;
  return port >= 1 && port <= 65535 ? port : 0;
}

std::string EscapeQueryValue(const std::string& address) {
  static const char* kHex = "0123456789ABCDEF";
  std::string out;
  for (const char c : address) {
    const auto u = static_cast<unsigned char>(c);
    if (std::isalnum(u) || c == '-' || c == '_' || c == '.' || c == '~') {
      out += c;
    } else {
      out += '%';
      out += kHex[u >> 4];
      out += kHex[u & 0xF];
    }
  }
  return out;
}

int DevToolsEndpoint::Port() const {
  std::ifstream in(PortFile());
  if (!in) return 0;
  std::ostringstream text;
  text << in.rdbuf();
  return ParseDevToolsActivePort(text.str());
}

bool DevToolsEndpoint::Http(const std::string& method, const std::string& path, std::string& body) {
  const int port = Port();
  if (port == 0) return false;
  KeepNetworkError keep;
  net::TIdHTTP http(loop_);
  http.SetTimeout(timeoutMs_);
  const std::string url = "http://127.0.0.1:" + std::to_string(port) + path;
  const bool ok = method == "PUT" ? http.Put(url) : http.Get(url);
  if (!ok || http.ResponseCode() != 200) return false;
  body = http.Body();
  return true;
}

bool DevToolsEndpoint::Pages(std::vector<DevToolsTarget>& pages) {
  std::string body;
  std::vector<DevToolsTarget> all;
  pages.clear();
  if (!Http("GET", "/json/list", body) || !ParseDevToolsTargets(body, all)) return false;
  for (DevToolsTarget& t : all) {
    if (t.type == "page") pages.push_back(std::move(t));
  }
  return true;
}

bool DevToolsEndpoint::NewPage(const std::string& address) {
  std::string body;
  return Http("PUT", "/json/new?" + EscapeQueryValue(address), body);
}

bool DevToolsEndpoint::ClosePage(const std::string& id) {
  std::string body;
  return Http("GET", "/json/close/" + EscapeQueryValue(id), body);
}

std::string DevToolsEndpoint::BrowserWebSocketUrl() {
  std::string body;
  if (!Http("GET", "/json/version", body)) return "";
  const std::optional<net::JsonValue> value = net::ParseJson(body);
  return value ? value->StringAt("webSocketDebuggerUrl") : "";
}

bool DevToolsEndpoint::Command(const std::string& webSocketUrl, const std::string& method,
                               const net::JsonValue& params) {
  KeepNetworkError keep;
  DevToolsSession session(loop_, timeoutMs_);
  return session.Open(webSocketUrl) && session.Call(method, params);
}

bool DevToolsEndpoint::ReloadPage(const std::string& webSocketUrl) {
  KeepNetworkError keep;
  DevToolsSession session(loop_, timeoutMs_);
  if (!session.Open(webSocketUrl) || !session.Call("Page.enable")) return false;
  session.Call("Page.stopLoading");
  if (!session.Call("Page.reload",
                    net::JsonValue::MakeObject({{"ignoreCache", net::JsonValue::Boolean(true)}}))) {
    return false;
  }
  // The browser drops a reload whose requester goes away before it has been committed, so the
  // session stays until the page has been answered (or the time-out has passed).
  session.WaitForEvent({"Page.frameNavigated", "Page.domContentEventFired", "Page.loadEventFired"});
  return true;
}

}  // namespace platform
