#pragma once
// The WebSocket opening handshake: the client's upgrade request and the check of the server's
// answer, which proves it speaks WebSocket by answering the client's Sec-WebSocket-Key with
// Base64(SHA-1(key + the protocol's fixed GUID)).
//
// Threading: pure functions.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "net/http_message.h"

namespace net {

// The 20-byte SHA-1 digest of `data`.
std::array<std::uint8_t, 20> Sha1(std::string_view data);
// The Sec-WebSocket-Accept value a server must answer `key` with.
std::string WebSocketAccept(std::string_view key);
// The upgrade request for `url` (its host, port and target) with `key`. No Origin header: the
// browser's DevTools endpoint refuses connections from origins it was not told about.
std::string BuildWebSocketHandshake(const HttpUrl& url, std::string_view key);
// Whether `response` accepts the upgrade asked for with `key`: status 101, "Upgrade: websocket",
// "Connection" naming "Upgrade", and the right Sec-WebSocket-Accept.
bool WebSocketHandshakeAccepted(const HttpResponse& response, std::string_view key);

}  // namespace net
