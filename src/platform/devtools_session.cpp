#include "platform/devtools_session.h"

namespace platform {

namespace {

// The most messages one call reads while looking for what it waits for.
constexpr int kMaxMessages = 1000;

}  // namespace

bool DevToolsSession::Open(const std::string& webSocketUrl) {
  // Only the browser's own endpoint on this machine is ever contacted.
  if (webSocketUrl.rfind("ws://127.0.0.1:", 0) != 0 &&
      webSocketUrl.rfind("ws://localhost:", 0) != 0) {
    return false;
  }
  return ws_.Connect(webSocketUrl);
}

bool DevToolsSession::Call(const std::string& method, const net::JsonValue& params) {
  const int id = nextId_++;
  const net::JsonValue request = net::JsonValue::MakeObject({
      {"id", net::JsonValue::Number(id)},
      {"method", net::JsonValue::Text(method)},
      {"params", params},
  });
  if (!ws_.SendText(net::WriteJson(request))) return false;
  for (int seen = 0; seen < kMaxMessages; ++seen) {
    std::string text;
    if (!ws_.ReadText(text)) return false;
    const std::optional<net::JsonValue> answer = net::ParseJson(text);
    if (!answer) continue;
    const net::JsonValue* answerId = answer->Find("id");
    if (answerId == nullptr || answerId->AsNumber() != id) continue;  // an event
    return answer->Find("error") == nullptr;
  }
  return false;
}

bool DevToolsSession::WaitForEvent(std::initializer_list<const char*> methods) {
  for (int seen = 0; seen < kMaxMessages; ++seen) {
    std::string text;
    if (!ws_.ReadText(text)) return false;
    const std::optional<net::JsonValue> event = net::ParseJson(text);
    if (!event) continue;
    const std::string name = event->StringAt("method");
    for (const char* m : methods) {
      if (name == m) return true;
    }
  }
  return false;
}

}  // namespace platform
