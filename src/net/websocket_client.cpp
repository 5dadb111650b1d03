#include "net/websocket_client.h"

#include <sys/random.h>

#include <cerrno>
#include <chrono>

#include "net/base64.h"
#include "net/http_message.h"
#include "net/network_error.h"
#include "net/websocket_handshake.h"

namespace net {

namespace {

std::int64_t RealNowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

void RandomBytes(void* out, std::size_t n) {
  auto* p = static_cast<unsigned char*>(out);
  while (n > 0) {
    const ssize_t got = ::getrandom(p, n, 0);
    if (got <= 0) {
      if (got < 0 && errno == EINTR) continue;
      // No entropy source: the mask only has to be unpredictable to scripts in a page, which a
      // clock value still is enough for on loopback.
      const auto t = static_cast<unsigned long long>(RealNowMs());
      for (std::size_t i = 0; i < n; ++i) p[i] = static_cast<unsigned char>(t >> ((i % 8) * 8));
      return;
    }
    p += got;
    n -= static_cast<std::size_t>(got);
  }
}

}  // namespace

bool WebSocketClient::Fail(int code) {
  RecordNetworkError(code);
  tcp_.Close();
  return false;
}

// Gives the TCP client what is left of `deadline`; false when nothing is.
bool WebSocketClient::Arm(std::int64_t deadline) {
  const std::int64_t left = deadline - RealNowMs();
  tcp_.SetTimeout(left > 0 ? left : 1);
  return left > 0;
}

bool WebSocketClient::Connect(const std::string& url) {
  Close();
  reader_ = WebSocketFrameReader(maxMessage_);
  const std::string prefix = "ws://";
  if (url.compare(0, prefix.size(), prefix) != 0) return Fail(EINVAL);
  const std::optional<HttpUrl> parsed = ParseHttpUrl("http://" + url.substr(prefix.size()));
  if (!parsed) return Fail(EINVAL);
  const std::int64_t deadline = RealNowMs() + timeoutMs_;
  Arm(deadline);
  if (!tcp_.Connect(parsed->host, parsed->port)) return false;

  unsigned char nonce[16];
  RandomBytes(nonce, sizeof nonce);
  const std::string key = Base64Encode(std::string_view(reinterpret_cast<char*>(nonce), 16));
  if (!Arm(deadline)) return Fail(ETIMEDOUT);
  if (!tcp_.Send(BuildWebSocketHandshake(*parsed, key))) return false;

  HttpResponseParser parser;
  HttpResponseParser::State state = HttpResponseParser::State::Incomplete;
  while (state == HttpResponseParser::State::Incomplete) {
    if (!Arm(deadline)) return Fail(ETIMEDOUT);
    std::string chunk;
    if (tcp_.ReadSome(chunk)) {
      state = parser.Feed(chunk);
    } else if (tcp_.PeerClosed()) {
      return Fail(ECONNRESET);
    } else {
      return false;  // recorded by the TCP client
    }
  }
  if (state != HttpResponseParser::State::Complete ||
      !WebSocketHandshakeAccepted(parser.Response(), key)) {
    return Fail(EPROTO);
  }
  reader_.Feed(parser.TakeRest());
  tcp_.SetTimeout(timeoutMs_);
  return true;
}

bool WebSocketClient::SendFrame(WsOpcode opcode, std::string_view payload) {
  std::array<std::uint8_t, 4> mask{};
  RandomBytes(mask.data(), mask.size());
  Arm(RealNowMs() + timeoutMs_);
  return tcp_.Send(EncodeWebSocketFrame(opcode, payload, mask));
}

bool WebSocketClient::SendText(std::string_view text) {
  if (!tcp_.Connected()) return Fail(ENOTCONN);
  return SendFrame(WsOpcode::Text, text);
}

bool WebSocketClient::ReadText(std::string& text) {
  const std::int64_t deadline = RealNowMs() + timeoutMs_;
  for (;;) {
    WsMessage message;
    switch (reader_.Next(message)) {
      case WebSocketFrameReader::State::Message:
        break;
      case WebSocketFrameReader::State::ProtocolError:
        return Fail(EPROTO);
      case WebSocketFrameReader::State::TooLarge:
        return Fail(EMSGSIZE);
      case WebSocketFrameReader::State::NeedMore: {
        if (!tcp_.Connected()) return Fail(ENOTCONN);
        if (!Arm(deadline)) return Fail(ETIMEDOUT);
        std::string chunk;
        if (!tcp_.ReadSome(chunk)) {
          if (tcp_.PeerClosed()) return Fail(ECONNRESET);  // gone without a close frame
          return false;
        }
        reader_.Feed(chunk);
        continue;
      }
    }
    switch (message.opcode) {
      case WsOpcode::Ping:
        if (!SendFrame(WsOpcode::Pong, message.payload)) return false;
        continue;
      case WsOpcode::Pong:
        continue;
      case WsOpcode::Close:
        SendFrame(WsOpcode::Close, message.payload.substr(0, 2));  // echo the status code
        tcp_.Close();
        return false;
      default:
        text = std::move(message.payload);
        return true;
    }
  }
}

void WebSocketClient::Close() {
  if (!tcp_.Connected()) return;
  // Going-away status 1000 ("normal closure").
  std::array<std::uint8_t, 4> mask{};
  RandomBytes(mask.data(), mask.size());
  tcp_.SetTimeout(200);
  tcp_.Send(EncodeWebSocketFrame(WsOpcode::Close, std::string("\x03\xE8", 2), mask));
  tcp_.Close();
}

}  // namespace net
