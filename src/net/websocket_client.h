#pragma once
// A small WebSocket client (text messages, as the browser's DevTools protocol uses them) over the
// blocking TCP client. Each call waits at most the time-out in real time while the loop keeps
// running; pings are answered while reading. Failures (refused, time-out, a failed handshake, a
// protocol error, an oversized message) are recorded in the network error record and the call
// returns false; the connection is then closed. Nothing is thrown.
//
// Threading: loop thread only.

#include <cstdint>
#include <string>
#include <string_view>

#include "core/event_loop.h"
#include "net/tcp_client.h"
#include "net/websocket_frame.h"

namespace net {

class WebSocketClient {
 public:
  static constexpr std::int64_t kDefaultTimeoutMs = 30000;

  explicit WebSocketClient(core::EventLoop& loop) : loop_(loop), tcp_(loop) {}
  ~WebSocketClient() { Close(); }
  WebSocketClient(const WebSocketClient&) = delete;
  WebSocketClient& operator=(const WebSocketClient&) = delete;

  void SetTimeout(std::int64_t ms) { timeoutMs_ = ms; }
  void SetMaxMessage(std::size_t bytes) { maxMessage_ = bytes; }

  // Connects to "ws://host[:port]/path" and completes the opening handshake.
  bool Connect(const std::string& url);
  [[nodiscard]] bool Connected() const { return tcp_.Connected(); }
  bool SendText(std::string_view text);
  // The next text (or binary) message. False when the peer closes (answered), on time-out and on
  // error.
  bool ReadText(std::string& text);
  // Says goodbye (a close frame, not waited for) and closes the connection.
  void Close();

 private:
  bool SendFrame(WsOpcode opcode, std::string_view payload);
  bool Fail(int code);
  bool Arm(std::int64_t deadline);

  core::EventLoop& loop_;
  TcpClient tcp_;
  WebSocketFrameReader reader_;
  std::int64_t timeoutMs_ = kDefaultTimeoutMs;
  std::size_t maxMessage_ = 8 * 1024 * 1024;
};

}  // namespace net
