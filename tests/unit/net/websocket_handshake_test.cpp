// The WebSocket opening handshake: SHA-1 against known digests, the accept value of the
// protocol's own example, the request byte for byte, and answers that must not be taken as an
// accepted upgrade.
#include "net/websocket_handshake.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

std::string Hex(const std::array<std::uint8_t, 20>& d) {
  std::string out;
  char buf[3];
  for (const std::uint8_t b : d) {
    std::snprintf(buf, sizeof buf, "%02x", b);
    out += buf;
  }
  return out;
}

TEST(WebSocketHandshakeTest, Sha1MatchesKnownDigests) {
  struct Case {
    std::string input;
    const char* digest;
  } cases[] = {
      {"", "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
      {"abc", "a9993e364706816aba3e25717850c26c9cd0d89d"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
      {std::string(1000000, 'a'), "34aa973cd4c4daa4f61eeb2bdbad27316534016f"},
      // 55 and 56 bytes: the length field just fits, or needs a block of its own
      {std::string(55, 'x'), "cef734ba81a024479e09eb5a75b6ddae62e6abf1"},
      {std::string(64, 'x'), "bb2fa3ee7afb9f54c6dfb5d021f14b1ffe40c163"},
  };
  for (const Case& c : cases) EXPECT_EQ(Hex(net::Sha1(c.input)), c.digest) << c.input.size();
}

TEST(WebSocketHandshakeTest, AcceptValueOfTheProtocolsExample) {
  EXPECT_EQ(net::WebSocketAccept("dGhlIHNhbXBsZSBub25jZQ=="), "s3pPLMBiTxaQ9kYGzzhZRbK+xOo=");
}

TEST(WebSocketHandshakeTest, RequestByteForByteWithoutOrigin) {
  net::HttpUrl url{"127.0.0.1", 9222, "/devtools/page/AB12"};
  EXPECT_EQ(net::BuildWebSocketHandshake(url, "dGhlIHNhbXBsZSBub25jZQ=="),
            "GET /devtools/page/AB12 HTTP/1.1\r\n"
            "Host: 127.0.0.1:9222\r\n"
            "Upgrade: websocket\r\n"
            "Connection: Upgrade\r\n"
            "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n"
            "Sec-WebSocket-Version: 13\r\n"
            "\r\n");
}

TEST(WebSocketHandshakeTest, OnlyAProperSwitchIsAccepted) {
  const std::string key = "dGhlIHNhbXBsZSBub25jZQ==";
  const std::string accept = "s3pPLMBiTxaQ9kYGzzhZRbK+xOo=";
  auto response = [](int code, std::vector<std::pair<std::string, std::string>> headers) {
    net::HttpResponse r;
    r.statusCode = code;
    r.headers = std::move(headers);
    return r;
  };
  struct Case {
    const char* what;
    net::HttpResponse r;
    bool accepted;
  } cases[] = {
      {"proper",
       response(101, {{"upgrade", "WebSocket"},
                      {"Connection", "keep-alive, Upgrade"},
                      {"Sec-WebSocket-Accept", accept}}),
       true},
      {"not switching",
       response(
           200,
           {{"Upgrade", "websocket"}, {"Connection", "Upgrade"}, {"Sec-WebSocket-Accept", accept}}),
       false},
      {"wrong accept",
       response(101, {{"Upgrade", "websocket"},
                      {"Connection", "Upgrade"},
                      {"Sec-WebSocket-Accept", "AAAA" + accept.substr(4)}}),
       false},
      {"no accept", response(101, {{"Upgrade", "websocket"}, {"Connection", "Upgrade"}}), false},
      {"other protocol",
       response(101,
                {{"Upgrade", "h2c"}, {"Connection", "Upgrade"}, {"Sec-WebSocket-Accept", accept}}),
       false},
      {"no connection header",
       response(101, {{"Upgrade", "websocket"}, {"Sec-WebSocket-Accept", accept}}), false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(net::WebSocketHandshakeAccepted(c.r, key), c.accepted) << c.what;
  }
}

}  // namespace
