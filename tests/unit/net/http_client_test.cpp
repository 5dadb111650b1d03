// The HTTP client against real servers on loopback: the test web server (request headers as the
// server saw them, chunked bodies, a 404 that still counts as an answer) and scripted peers for
// what a real server rarely does: drip bytes past the time-out, answer with garbage or without
// end. Every failure lands in the network error record; none throws.
#include "net/http_client.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "core/poll_loop.h"
#include "net/network_error.h"
#include "unit/net/support/http_test_server.h"
#include "unit/net/support/loopback_peer.h"

namespace {

using testing_support::LoopbackPeer;

class HttpClientTest : public ::testing::Test {
 protected:
  void SetUp() override { net::ClearNetworkError(); }
  void TearDown() override { net::ClearNetworkError(); }
  core::PollLoop loop;
  net::TIdHTTP http{loop};
};

TEST_F(HttpClientTest, GetsPagesFromARealServerWithTheProgramsHeaders) {
  testing_support::HttpTestServer server;
  ASSERT_NE(server.Port(), 0);
  ASSERT_TRUE(http.Get(server.Url("/page1.html")));
  EXPECT_EQ(http.ResponseText(), "HTTP/1.1 200 OK");
  EXPECT_EQ(http.ResponseCode(), 200);
  EXPECT_NE(http.Body().find("page one"), std::string::npos);
  // The server's log line reaches the test through a pipe, maybe after the answer.
  const std::string logged =
      "GET /page1.html cache-control= pragma= ua=Mozilla/3.0 (compatible; Indy Library)";
  ASSERT_TRUE(server.WaitForRequest(logged, 5000));
  EXPECT_EQ(server.CountRequests(logged), 1);

  ASSERT_TRUE(http.Get(server.Url("/chunked")));
  EXPECT_EQ(http.Body(), "Hello, chunked world");

  // A web server that answers "not found" is still a web server that answers.
  ASSERT_TRUE(http.Get(server.Url("/missing")));
  EXPECT_EQ(http.ResponseText(), "HTTP/1.1 404 File not found");
  EXPECT_FALSE(net::NetworkErrorFlag());
}

TEST_F(HttpClientTest, FailuresAreRecordedWithTheirCode) {
  struct Case {
    const char* what;
    LoopbackPeer::Script script;
    int code;
  } cases[] = {
      {"garbage", [](int fd) { LoopbackPeer::Send(fd, "220 smtp.example ESMTP\r\n\r\n"); }, EPROTO},
      {"closed before the head ended",
       [](int fd) { LoopbackPeer::Send(fd, "HTTP/1.0 200 OK\r\nContent-"); }, EPROTO},
      {"closed inside the body",
       [](int fd) { LoopbackPeer::Send(fd, "HTTP/1.0 200 OK\r\nContent-Length: 9\r\n\r\nabc"); },
       EPROTO},
      {"too big",
       [](int fd) {
         LoopbackPeer::Send(fd, "HTTP/1.0 200 OK\r\n\r\n");
         const std::string block(64 * 1024, 'x');
         for (int i = 0; i < 32; ++i) LoopbackPeer::Send(fd, block);
       },
       EMSGSIZE},
  };
  http.SetLimits({.maxHead = 64 * 1024, .maxBody = 1024 * 1024});
  for (Case& c : cases) {
    net::ClearNetworkError();
    LoopbackPeer peer([&](int fd) {
      LoopbackPeer::ReadUntil(fd, "\r\n\r\n");
      c.script(fd);
    });
    EXPECT_FALSE(http.Get("http://127.0.0.1:" + std::to_string(peer.Port()) + "/"));
    EXPECT_EQ(net::NetworkErrorText(), "Socket Refresh: " + std::to_string(c.code)) << c.what;
    EXPECT_EQ(http.ResponseText(), "") << c.what;
  }
}

TEST_F(HttpClientTest, RefusedAndUnsafeAddressesFailAtOnce) {
  int freePort = 0;
  {
    LoopbackPeer peer([](int) {});
    freePort = peer.Port();
  }
  EXPECT_FALSE(http.Get("http://127.0.0.1:" + std::to_string(freePort) + "/"));
  EXPECT_EQ(net::NetworkErrorText(), "Socket Refresh: " + std::to_string(ECONNREFUSED));
  net::ClearNetworkError();
  // Nothing is sent for an address that would smuggle in header lines.
  EXPECT_FALSE(http.Get("http://127.0.0.1/\r\nX-Evil: 1"));
  EXPECT_EQ(net::NetworkErrorText(), "Socket Refresh: " + std::to_string(EINVAL));
}

TEST_F(HttpClientTest, ADrippingServerCannotStretchTheTimeOut) {
  std::atomic<bool> stop{false};
  LoopbackPeer peer([&](int fd) {
    LoopbackPeer::ReadUntil(fd, "\r\n\r\n");
    LoopbackPeer::Send(fd, "HTTP/1.0 200 OK\r\n");
    // One header byte every 50 ms: each read gets something, the whole never ends.
    while (!stop) {
      LoopbackPeer::Send(fd, "X");
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  });
  int ticks = 0;
  loop.CallAfter(100, [&] { ++ticks; });
  http.SetTimeout(400);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(http.Get("http://127.0.0.1:" + std::to_string(peer.Port()) + "/"));
  const auto took = std::chrono::steady_clock::now() - start;
  stop = true;
  EXPECT_LT(took, std::chrono::milliseconds(1500));
  EXPECT_EQ(net::NetworkErrorText(), "Socket Refresh: " + std::to_string(ETIMEDOUT));
  EXPECT_EQ(ticks, 1) << "the loop kept running while the request waited";
}

}  // namespace
