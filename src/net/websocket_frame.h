#pragma once
// WebSocket framing as a client sends and receives it: every frame out is masked, frames in must
// not be; control frames are short and whole; a fragmented message is put back together. Sizes
// are bounded, so a hostile peer cannot make the reader allocate without limit.
//
// Threading: plain values; no shared state.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace net {

enum class WsOpcode : std::uint8_t {
  Continuation = 0x0,
  Text = 0x1,
  Binary = 0x2,
  Close = 0x8,
  Ping = 0x9,
  Pong = 0xA,
};

// One final, masked client frame carrying `payload`.
std::string EncodeWebSocketFrame(WsOpcode opcode, std::string_view payload,
                                 const std::array<std::uint8_t, 4>& mask);

// A whole message (the fragments of a text or binary message joined) or a control frame.
struct WsMessage {
  WsOpcode opcode = WsOpcode::Text;
  std::string payload;
};

class WebSocketFrameReader {
 public:
  enum class State { NeedMore, Message, ProtocolError, TooLarge };

  explicit WebSocketFrameReader(std::size_t maxMessage = 8 * 1024 * 1024)
      : maxMessage_(maxMessage) {}

  void Feed(std::string_view data) { buffer_.append(data); }
  // Reads the next message from what has been fed. After an error the reader stays failed.
  State Next(WsMessage& message);

 private:
  std::size_t maxMessage_;
  std::string buffer_;
  std::string partial_;  // the fragments of a message so far
  WsOpcode partialOpcode_ = WsOpcode::Text;
  bool inFragments_ = false;
  State failed_ = State::NeedMore;
};

}  // namespace net
