// A protected data connection: its handshake waits for the server's answer to the transfer
// command; a peer that never completes it, closes early or speaks plain text makes the channel
// give up with a clear error, and no data is handed on.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <optional>
#include <string>

#include "core/poll_loop.h"
#include "core/unique_fd.h"
#include "ftp/ftp_data_channel.h"
#include "net/resolver.h"

namespace {

// A listener on 127.0.0.1; the kernel completes connects to it without an accept.
struct Listener {
  Listener() : fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    ::bind(fd.Get(), reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    ::listen(fd.Get(), 4);
    ::getsockname(fd.Get(), reinterpret_cast<sockaddr*>(&addr), &len);
    port = ntohs(addr.sin_port);
  }
  core::UniqueFd fd;
  std::uint16_t port = 0;
};

TEST(DataChannelTls, PeerThatNeverHandshakesOrSendsGarbageFails) {
  struct Case {
    std::string name;
    std::string peerSends;  // after accepting; "" sends nothing
    ftp::FtpError error;
    std::string text;  // the start of the failure's text
  };
  const Case cases[] = {
      {"silent", "", ftp::FtpError::kConnectTimeOut, "TLS: handshake timed out"},
      {"plain text", "-rw-r--r-- 1 u g 5 Jan 1 2020 a.txt\r\n", ftp::FtpError::kProtocolError,
       "TLS: "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Listener listener;
    core::PollLoop loop;
    net::Resolver resolver(loop);
    ftp::FtpDataChannel channel(loop, resolver);
    bool connected = false;
    std::size_t received = 0;
    std::optional<ftp::FtpFailure> failure;
    channel.OnConnected = [&] { connected = true; };
    channel.OnError = [&](const ftp::FtpFailure& f) { failure = f; };
    std::shared_ptr<const net::TlsContext> context = net::TlsContext::Create("");
    ASSERT_TRUE(context);
    channel.SecureWith(context, {"127.0.0.1", "", nullptr}, 300);
    channel.OpenPassive("127.0.0.1", listener.port, 2000);
    channel.TransferAccepted();
    channel.ReceiveInto([&](const char*, std::size_t size) {
      received += size;
      return true;
    });
    core::UniqueFd peer;
    ASSERT_TRUE(loop.RunUntil(
        [&] {
          if (!peer) peer.Reset(::accept4(listener.fd.Get(), nullptr, nullptr, SOCK_NONBLOCK));
          return peer.Valid();
        },
        2000));
    if (!c.peerSends.empty()) {
      ASSERT_EQ(::send(peer.Get(), c.peerSends.data(), c.peerSends.size(), MSG_NOSIGNAL),
                static_cast<ssize_t>(c.peerSends.size()));
    }
    ASSERT_TRUE(loop.RunUntil([&] { return failure.has_value(); }, 3000));
    EXPECT_EQ(failure->Code, c.error);
    EXPECT_EQ(failure->Text.rfind(c.text, 0), 0u) << failure->Text;
    EXPECT_FALSE(connected);
    EXPECT_EQ(received, 0u);
    EXPECT_FALSE(channel.IsOpen());
  }
}

// The peer of a held connection: the channel has connected to it but said nothing yet.
struct HeldConnection {
  HeldConnection() : resolver(loop), channel(loop, resolver) {
    channel.OnConnected = [&] { connected = true; };
    channel.OnError = [&](const ftp::FtpFailure& f) { failure = f; };
    channel.SecureWith(net::TlsContext::Create(""), {"127.0.0.1", "", nullptr}, 2000);
    channel.OpenPassive("127.0.0.1", listener.port, 2000);
  }
  bool Accept() {
    return loop.RunUntil(
        [&] {
          if (!peer) peer.Reset(::accept4(listener.fd.Get(), nullptr, nullptr, SOCK_NONBLOCK));
          return peer.Valid();
        },
        2000);
  }
  // What the channel has sent so far (up to 64 bytes), without waiting.
  std::string Sent() {
    char buffer[64];
    const ssize_t n = ::recv(peer.Get(), buffer, sizeof buffer, MSG_DONTWAIT);
    return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
  }
  Listener listener;
  core::PollLoop loop;
  net::Resolver resolver;
  ftp::FtpDataChannel channel;
  core::UniqueFd peer;
  bool connected = false;
  std::optional<ftp::FtpFailure> failure;
};

TEST(DataChannelTls, HandshakeWaitsForTheTransferReply) {
  HeldConnection held;
  ASSERT_TRUE(held.Accept());
  // Connected for a while, and still silent: a server that reads the data connection before
  // the transfer command would take early bytes for the connection's end.
  held.loop.RunUntil([] { return false; }, 100);
  EXPECT_EQ(held.Sent(), "");
  EXPECT_FALSE(held.failure.has_value());
  held.channel.TransferAccepted();
  std::string hello;
  ASSERT_TRUE(held.loop.RunUntil(
      [&] {
        hello += held.Sent();
        return !hello.empty();
      },
      2000));
  EXPECT_EQ(hello[0], '\x16');  // a TLS handshake record: the ClientHello
  EXPECT_FALSE(held.failure.has_value());
}

TEST(DataChannelTls, HeldConnectionThatClosesOrSpeaksPlainTextFails) {
  {
    SCOPED_TRACE("closed by the server");
    HeldConnection held;
    ASSERT_TRUE(held.Accept());
    held.peer.Reset();
    ASSERT_TRUE(held.loop.RunUntil([&] { return held.failure.has_value(); }, 2000));
    EXPECT_EQ(held.failure->Code, ftp::FtpError::kConnReset);
    EXPECT_FALSE(held.channel.IsOpen());
  }
  {
    SCOPED_TRACE("plain text");
    HeldConnection held;
    ASSERT_TRUE(held.Accept());
    ASSERT_EQ(::send(held.peer.Get(), "hello\r\n", 7, MSG_NOSIGNAL), 7);
    ASSERT_TRUE(held.loop.RunUntil([&] { return held.failure.has_value(); }, 2000));
    EXPECT_EQ(held.failure->Code, ftp::FtpError::kProtocolError);
    EXPECT_FALSE(held.connected);
    EXPECT_EQ(held.Sent(), "");  // no handshake was started on it
  }
}

}  // namespace
