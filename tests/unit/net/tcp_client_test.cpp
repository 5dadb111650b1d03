// The blocking TCP client against a peer on loopback: lines, partial reads, time-outs, refused
// connections and the network error record, with the loop kept running while it waits.
#include "net/tcp_client.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <string>
#include <thread>

#include "core/poll_loop.h"
#include "core/sim_loop.h"
#include "core/unique_fd.h"
#include "net/network_error.h"
#include "net/socket_wait.h"
#include "unit/net/support/loopback_peer.h"

namespace {

using Listener = testing_support::LoopbackListener;

void SendText(int fd, const std::string& text) {
  ASSERT_EQ(::send(fd, text.data(), text.size(), MSG_NOSIGNAL), static_cast<ssize_t>(text.size()));
}

class TcpClientTest : public ::testing::Test {
 protected:
  void SetUp() override { net::ClearNetworkError(); }
  void TearDown() override { net::ClearNetworkError(); }
  core::PollLoop loop;
};

TEST_F(TcpClientTest, ReadsLinesSplitAcrossPacketsAndSends) {
  Listener listener;
  std::string received;
  std::thread peer([&] {
    core::UniqueFd c = listener.Accept();
    SendText(c.Get(), "220 first line\r\n250-par");
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    SendText(c.Get(), "tial\n250 last");
    char buf[64];
    const ssize_t n = ::recv(c.Get(), buf, sizeof buf, 0);
    if (n > 0) received.assign(buf, static_cast<std::size_t>(n));
  });
  net::TcpClient client(loop);
  ASSERT_TRUE(client.Connect("LocalHost", listener.port));
  EXPECT_EQ(client.LocalAddress(), "127.0.0.1");
  std::string line;
  ASSERT_TRUE(client.ReadLine(line));
  EXPECT_EQ(line, "220 first line");
  ASSERT_TRUE(client.ReadLine(line));
  EXPECT_EQ(line, "250-partial");
  ASSERT_TRUE(client.Send("QUIT\r\n"));
  peer.join();
  EXPECT_EQ(received, "QUIT\r\n");
  // The peer has gone: the unterminated rest is not a line.
  EXPECT_FALSE(client.ReadLine(line));
  EXPECT_FALSE(net::NetworkErrorFlag());
}

TEST_F(TcpClientTest, FailuresAreRecordedNotThrown) {
  int freePort = 0;
  {
    Listener gone;
    freePort = gone.port;
  }
  net::TcpClient client(loop);
  EXPECT_FALSE(client.Connect("127.0.0.1", freePort));
  EXPECT_TRUE(net::NetworkErrorFlag());
  EXPECT_EQ(net::NetworkErrorText(), "Socket Refresh: " + std::to_string(ECONNREFUSED));
  net::ClearNetworkError();
  EXPECT_FALSE(net::NetworkErrorFlag());
  EXPECT_EQ(net::NetworkErrorText(), "");

  EXPECT_FALSE(client.Connect("no-such-host.invalid", 25));
  EXPECT_EQ(net::NetworkErrorText(), "Socket Refresh: " + std::to_string(EHOSTUNREACH));
  net::ClearNetworkError();
  EXPECT_FALSE(client.Send("x"));
  EXPECT_EQ(net::NetworkErrorText(), "Socket Refresh: " + std::to_string(ENOTCONN));
}

// A silent peer: the read ends after the time-out, and the loop's timers ran meanwhile.
TEST_F(TcpClientTest, ReadTimesOutWhileTheLoopKeepsRunning) {
  Listener listener;
  net::TcpClient client(loop);
  client.SetTimeout(300);
  ASSERT_TRUE(client.Connect("127.0.0.1", listener.port));
  core::UniqueFd peer = listener.Accept();
  int ticks = 0;
  std::function<void()> tick = [&] {
    ++ticks;
    loop.CallAfter(50, tick);
  };
  loop.CallAfter(50, tick);
  const auto start = std::chrono::steady_clock::now();
  std::string line;
  EXPECT_FALSE(client.ReadLine(line));
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_GE(waited, std::chrono::milliseconds(290));
  EXPECT_LT(waited, std::chrono::seconds(3));
  EXPECT_GE(ticks, 3);
  EXPECT_EQ(net::NetworkErrorText(), "Socket Refresh: " + std::to_string(ETIMEDOUT));
  EXPECT_FALSE(client.Connected());
}

// An endless line from a hostile peer is cut off instead of filling memory.
TEST_F(TcpClientTest, OverlongLineIsRefused) {
  Listener listener;
  std::thread peer([&] {
    core::UniqueFd c = listener.Accept();
    const std::string junk(net::TcpClient::kMaxLine + 4096, 'x');
    ::send(c.Get(), junk.data(), junk.size(), MSG_NOSIGNAL);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  });
  net::TcpClient client(loop);
  ASSERT_TRUE(client.Connect("127.0.0.1", listener.port));
  std::string line;
  EXPECT_FALSE(client.ReadLine(line));
  EXPECT_EQ(net::NetworkErrorText(), "Socket Refresh: " + std::to_string(EMSGSIZE));
  peer.join();
}

// On the simulated clock a real-time wait does not let virtual time run ahead.
TEST(SocketWaitTest, SimulatedClockStandsStillWhileWaiting) {
  core::SimLoop sim;
  Listener listener;
  net::TcpClient client(sim);
  client.SetTimeout(200);
  ASSERT_TRUE(client.Connect("127.0.0.1", listener.port));
  bool fired = false;
  sim.CallAfter(60000, [&] { fired = true; });
  const std::int64_t before = sim.NowMs();
  std::string line;
  EXPECT_FALSE(client.ReadLine(line));
  EXPECT_FALSE(fired);
  EXPECT_EQ(sim.NowMs(), before);
  net::ClearNetworkError();
}

TEST(SocketWaitTest, ResolvesLocalhostAndDottedAddressesWithoutLookup) {
  core::SimLoop sim;
  EXPECT_EQ(net::ResolveBlocking(sim, "LOCALHOST", 1000), "127.0.0.1");
  EXPECT_EQ(net::ResolveBlocking(sim, " localhost ", 1000), "127.0.0.1");
  EXPECT_EQ(net::ResolveBlocking(sim, "10.1.2.3", 1000), "10.1.2.3");
  EXPECT_EQ(net::ResolveBlocking(sim, "", 1000), "");
}

}  // namespace
