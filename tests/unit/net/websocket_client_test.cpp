// The WebSocket client against a scripted server on loopback: the handshake and its key check,
// masked frames out, pings answered while waiting for a message, the server's close answered,
// and failures recorded rather than thrown.
#include "net/websocket_client.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <memory>
#include <regex>

#include "core/poll_loop.h"
#include "net/network_error.h"
#include "net/websocket_handshake.h"
#include "unit/net/support/loopback_peer.h"

namespace {

using testing_support::LoopbackPeer;

// The server's side of the handshake; returns the request it read.
std::string AcceptUpgrade(int fd, bool rightKey = true) {
  const std::string request = LoopbackPeer::ReadUntil(fd, "\r\n\r\n");
  std::smatch m;
  std::regex_search(request, m, std::regex("Sec-WebSocket-Key: ([^\r]+)\r\n"));
  const std::string accept = net::WebSocketAccept(rightKey ? m[1].str() : "other");
  LoopbackPeer::Send(fd,
                     "HTTP/1.1 101 Switching Protocols\r\nUpgrade: websocket\r\n"
                     "Connection: Upgrade\r\nSec-WebSocket-Accept: " +
                         accept + "\r\n\r\n");
  return request;
}

// Reads one short masked client frame and returns {opcode, unmasked payload}.
std::pair<int, std::string> ReadClientFrame(int fd) {
  const std::string head = LoopbackPeer::ReadExactly(fd, 2);
  if (head.size() < 2) return {-1, ""};
  const int opcode = static_cast<unsigned char>(head[0]) & 0x0F;
  const bool masked = (static_cast<unsigned char>(head[1]) & 0x80) != 0;
  const std::size_t n = static_cast<unsigned char>(head[1]) & 0x7F;  // short frames only here
  const std::string mask = LoopbackPeer::ReadExactly(fd, 4);
  std::string payload = LoopbackPeer::ReadExactly(fd, n);
  for (std::size_t i = 0; i < payload.size(); ++i) payload[i] ^= mask[i % 4];
  return {masked ? opcode : -2, payload};
}

class WebSocketClientTest : public ::testing::Test {
 protected:
  void SetUp() override { net::ClearNetworkError(); }
  void TearDown() override { net::ClearNetworkError(); }
  std::string Url(int port) { return "ws://127.0.0.1:" + std::to_string(port) + "/devtools/x"; }
  core::PollLoop loop;
  net::WebSocketClient ws{loop};
};

TEST_F(WebSocketClientTest, ConversesAnswersPingsAndTheClose) {
  std::string request;
  std::pair<int, std::string> sent, pong, closeEcho;
  auto peer = std::make_unique<LoopbackPeer>([&](int fd) {
    request = AcceptUpgrade(fd);
    sent = ReadClientFrame(fd);
    // A ping first, then the answer split over two fragments, then goodbye.
    LoopbackPeer::Send(fd, std::string("\x89\x03", 2) + "abc" + std::string("\x01\x03", 2) +
                               "{\"i" + std::string("\x80\x05", 2) + "d\":1}");
    pong = ReadClientFrame(fd);
    LoopbackPeer::Send(fd, std::string("\x88\x02\x03\xE8", 4));
    closeEcho = ReadClientFrame(fd);
  });
  ASSERT_TRUE(ws.Connect(Url(peer->Port())));
  ASSERT_TRUE(ws.SendText("{\"id\":1}"));
  std::string text;
  ASSERT_TRUE(ws.ReadText(text));
  EXPECT_EQ(text, "{\"id\":1}");
  EXPECT_FALSE(ws.ReadText(text)) << "the server closed";
  EXPECT_FALSE(ws.Connected());
  peer.reset();  // the script has run to its end; its results are ours to read now
  EXPECT_NE(request.find("GET /devtools/x HTTP/1.1\r\n"), std::string::npos);
  EXPECT_EQ(sent, std::make_pair(0x1, std::string("{\"id\":1}")));
  EXPECT_EQ(pong, std::make_pair(0xA, std::string("abc")));
  EXPECT_EQ(closeEcho, std::make_pair(0x8, std::string("\x03\xE8", 2)));
  EXPECT_FALSE(net::NetworkErrorFlag()) << "a close is no error";
}

TEST_F(WebSocketClientTest, FailuresAreRecordedNotThrown) {
  struct Case {
    const char* what;
    LoopbackPeer::Script script;
    bool connects;
    int code;
  } cases[] = {
      {"wrong accept key", [](int fd) { AcceptUpgrade(fd, false); }, false, EPROTO},
      {"not an upgrade",
       [](int fd) {
         LoopbackPeer::ReadUntil(fd, "\r\n\r\n");
         LoopbackPeer::Send(fd, "HTTP/1.1 403 Forbidden\r\nContent-Length: 0\r\n\r\n");
       },
       false, EPROTO},
      {"masked frame from the server",
       [](int fd) {
         AcceptUpgrade(fd);
         LoopbackPeer::Send(fd, std::string("\x81\x81\x01\x02\x03\x04\x61", 7));
         LoopbackPeer::ReadExactly(fd, 1);
       },
       true, EPROTO},
      {"gone without a close frame",
       [](int fd) {
         AcceptUpgrade(fd);
         LoopbackPeer::Send(fd, std::string("\x81\x05hel", 5));
       },
       true, ECONNRESET},
  };
  for (Case& c : cases) {
    net::ClearNetworkError();
    {
      LoopbackPeer peer(c.script);
      ws.SetTimeout(2000);
      ASSERT_EQ(ws.Connect(Url(peer.Port())), c.connects) << c.what;
      if (c.connects) {
        std::string text;
        EXPECT_FALSE(ws.ReadText(text)) << c.what;
      }
      ws.Close();
    }
    EXPECT_EQ(net::NetworkErrorText(), "Socket Refresh: " + std::to_string(c.code)) << c.what;
  }
  net::ClearNetworkError();
  EXPECT_FALSE(ws.Connect("ws://example.com:80/x\r\nX: y"));
  EXPECT_FALSE(ws.Connect("wss://127.0.0.1:1/"));
  EXPECT_EQ(net::NetworkErrorText(), "Socket Refresh: " + std::to_string(EINVAL));
}

TEST_F(WebSocketClientTest, ASilentServerTimesOut) {
  LoopbackPeer peer([](int fd) {
    AcceptUpgrade(fd);
    LoopbackPeer::ReadExactly(fd, 1000000);  // until the client goes
  });
  ws.SetTimeout(300);
  ASSERT_TRUE(ws.Connect(Url(peer.Port())));
  std::string text;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(ws.ReadText(text));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1500));
  EXPECT_EQ(net::NetworkErrorText(), "Socket Refresh: " + std::to_string(ETIMEDOUT));
}

}  // namespace
