#include "net/websocket_frame.h"

#include <utility>

namespace net {

std::string EncodeWebSocketFrame(WsOpcode opcode, std::string_view payload,
                                 const std::array<std::uint8_t, 4>& mask) {
  std::string out;
  out += static_cast<char>(0x80 | static_cast<std::uint8_t>(opcode));
  const std::uint64_t n = payload.size();
  if (n < 126) {
    out += static_cast<char>(0x80 | n);
  } else if (n <= 0xFFFF) {
    out += static_cast<char>(0x80 | 126);
    out += static_cast<char>(n >> 8);
    out += static_cast<char>(n & 0xFF);
  } else {
    out += static_cast<char>(0x80 | 127);
    for (int i = 7; i >= 0; --i) out += static_cast<char>((n >> (8 * i)) & 0xFF);
  }
  for (const std::uint8_t m : mask) out += static_cast<char>(m);
  for (std::size_t i = 0; i < payload.size(); ++i) {
    out += static_cast<char>(static_cast<std::uint8_t>(payload[i]) ^ mask[i % 4]);
  }
  return out;
}

WebSocketFrameReader::State WebSocketFrameReader::Next(WsMessage& message) {
  if (failed_ != State::NeedMore) return failed_;
  for (;;) {
    if (buffer_.size() < 2) return State::NeedMore;
    const auto* b = reinterpret_cast<const std::uint8_t*>(buffer_.data());
    const bool fin = (b[0] & 0x80) != 0;
    const auto opcode = static_cast<WsOpcode>(b[0] & 0x0F);
    const bool control = (b[0] & 0x08) != 0;
    // No extension was negotiated, so the reserved bits must be clear; a server never masks.
    if ((b[0] & 0x70) != 0 || (b[1] & 0x80) != 0) return failed_ = State::ProtocolError;
    const std::uint8_t op = b[0] & 0x0F;
    if (op > 0xA || (op > 0x2 && op < 0x8)) return failed_ = State::ProtocolError;
    std::uint64_t length = b[1] & 0x7F;
    std::size_t header = 2;
    if (control && (length > 125 || !fin)) return failed_ = State::ProtocolError;
    if (length == 126) {
      if (buffer_.size() < 4) return State::NeedMore;
      length = (std::uint64_t{b[2]} << 8) | b[3];
      header = 4;
    } else if (length == 127) {
      if (buffer_.size() < 10) return State::NeedMore;
      length = 0;
      for (int i = 0; i < 8; ++i) length = (length << 8) | b[2 + i];
      if (length >> 63) return failed_ = State::ProtocolError;
      header = 10;
    }
    const std::size_t already = control ? 0 : partial_.size();
    if (length > maxMessage_ || already > maxMessage_ - length) return failed_ = State::TooLarge;
    if (buffer_.size() - header < length) return State::NeedMore;
    std::string payload = buffer_.substr(header, static_cast<std::size_t>(length));
    buffer_.erase(0, header + static_cast<std::size_t>(length));

    if (control) {
      message.opcode = opcode;
      message.payload = std::move(payload);
      return State::Message;
    }
    if (opcode == WsOpcode::Continuation) {
      if (!inFragments_) return failed_ = State::ProtocolError;
      partial_ += payload;
    } else {
      if (inFragments_) return failed_ = State::ProtocolError;  // a new message inside one
      partial_ = std::move(payload);
      partialOpcode_ = opcode;
      inFragments_ = true;
    }
    if (fin) {
      inFragments_ = false;
      message.opcode = partialOpcode_;
      message.payload = std::exchange(partial_, std::string());
      return State::Message;
    }
  }
}

}  // namespace net
