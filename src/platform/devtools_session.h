#pragma once
// One WebSocket conversation with a DevTools target: commands with their answers matched by id,
// and waiting for an event. Each wait is bounded by the time-out in real time.
//
// Threading: loop thread only.

#include <cstdint>
#include <initializer_list>
#include <string>

#include "core/event_loop.h"
#include "net/json.h"
#include "net/websocket_client.h"

namespace platform {

class DevToolsSession {
 public:
  DevToolsSession(core::EventLoop& loop, std::int64_t timeoutMs) : ws_(loop) {
    ws_.SetTimeout(timeoutMs);
  }

  // Connects to a target's WebSocket address; only loopback addresses are accepted.
  bool Open(const std::string& webSocketUrl);
  // Sends `method` and waits for its answer; false when that fails or is an error.
  bool Call(const std::string& method, const net::JsonValue& params = net::JsonValue::MakeObject());
  // Waits for one of the events named; false when none comes in time.
  bool WaitForEvent(std::initializer_list<const char*> methods);

 private:
  net::WebSocketClient ws_;
  int nextId_ = 1;
};

}  // namespace platform
