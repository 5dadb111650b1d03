// TLS on the TCP client: what a STARTTLS must not let through (plain bytes read before the
// handshake), the certificate checked for an address as well as a name, a peer that stalls or
// hangs up in the handshake, a peer that goes while the client sends (no SIGPIPE), and a session
// resumed on a second connection.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "core/poll_loop.h"
#include "net/network_error.h"
#include "net/tcp_client.h"
#include "unit/net/support/http_test_server.h"
#include "unit/net/support/loopback_peer.h"
#include "unit/net/support/test_certificates.h"

namespace {

using testing_support::HttpTestServer;
using testing_support::LoopbackPeer;

class TlsStreamTest : public ::testing::Test {
 protected:
  void SetUp() override {
    net::ClearNetworkError();
    if (!certs.Ok()) GTEST_SKIP() << "no openssl command to make test certificates";
    tcp.SetTimeout(5000);
  }
  void TearDown() override { net::ClearNetworkError(); }
  net::TlsOptions Options(const std::string& name = "localhost") const {
    return {.serverName = name, .caFile = certs.CaFile()};
  }
  testing_support::TestCertificates certs;
  core::PollLoop loop;
  net::TcpClient tcp{loop};
};

TEST_F(TlsStreamTest, RefusesPlainBytesReadBeforeTheHandshake) {
  // A man in the middle appends a reply to the server's go-ahead, hoping it is read as if it had
  // come through TLS.
  LoopbackPeer peer([](int fd) {
    LoopbackPeer::Send(fd, "220 ready for TLS\r\n250 injected\r\n");
    LoopbackPeer::ReadUntil(fd, "never");
  });
  ASSERT_TRUE(tcp.Connect("127.0.0.1", peer.Port()));
  std::string line;
  ASSERT_TRUE(tcp.ReadLine(line));
  EXPECT_FALSE(tcp.StartTls(Options()));
  EXPECT_EQ(net::NetworkErrorText(), "TLS: the server sent data before the TLS handshake");
  EXPECT_FALSE(tcp.Connected());
  EXPECT_FALSE(tcp.ReadLine(line));
}

TEST_F(TlsStreamTest, HandshakeFailuresAreRecorded) {
  struct Case {
    const char* what;
    LoopbackPeer::Script script;
    std::string text;
  } cases[] = {
      {"silent", [](int fd) { LoopbackPeer::ReadUntil(fd, "never"); },
       "Socket Refresh: " + std::to_string(ETIMEDOUT)},
      {"hangs up", [](int fd) { LoopbackPeer::ReadExactly(fd, 5); },
       "Socket Refresh: " + std::to_string(ECONNRESET)},
      {"answers in plain text",
       [](int fd) {
         LoopbackPeer::ReadExactly(fd, 5);
         LoopbackPeer::Send(fd, "500 what?\r\n");
       },
       "TLS: wrong version number"},
  };
  for (const Case& c : cases) {
    net::ClearNetworkError();
    LoopbackPeer peer(c.script);
    tcp.SetTimeout(300);
    ASSERT_TRUE(tcp.Connect("127.0.0.1", peer.Port())) << c.what;
    EXPECT_FALSE(tcp.StartTls(Options())) << c.what;
    EXPECT_FALSE(tcp.Connected()) << c.what;
    EXPECT_TRUE(net::NetworkErrorFlag()) << c.what;
    EXPECT_EQ(net::NetworkErrorText().rfind(c.text, 0), 0u)
        << c.what << ": " << net::NetworkErrorText();
    tcp.Close();
  }
}

TEST_F(TlsStreamTest, ChecksAnAddressAgainstTheCertificatesAddresses) {
  HttpTestServer server(certs.Server(), "127.0.0.1");
  ASSERT_NE(server.Port(), 0);
  ASSERT_TRUE(tcp.Connect("127.0.0.1", server.Port()));
  EXPECT_FALSE(tcp.StartTls(Options("127.0.0.2")));
  EXPECT_EQ(net::NetworkErrorText(), "TLS: certificate verify failed: IP address mismatch");
}

TEST_F(TlsStreamTest, APeerThatGoesWhileTheClientSendsIsAnErrorNotASignal) {
  HttpTestServer server(certs.Server());
  ASSERT_NE(server.Port(), 0);
  ASSERT_TRUE(tcp.Connect("localhost", server.Port()));
  ASSERT_TRUE(tcp.StartTls(Options())) << net::NetworkErrorText();
  // The server refuses a request line this long and closes; the client goes on sending.
  const std::string chunk(64 * 1024, 'a');
  bool sent = tcp.Send("GET /");
  for (int i = 0; i < 200 && sent; ++i) sent = tcp.Send(chunk);
  EXPECT_FALSE(sent);
  EXPECT_TRUE(net::NetworkErrorFlag());
  EXPECT_FALSE(tcp.Connected());
}

TEST_F(TlsStreamTest, ASecondConnectionResumesTheFirstOnesSession) {
  HttpTestServer server(certs.Server());
  ASSERT_NE(server.Port(), 0);
  const std::string request = "GET /page1.html HTTP/1.1\r\nHost: localhost\r\n\r\n";
  auto fetch = [&](net::TcpClient& client, const net::TlsOptions& options) {
    ASSERT_TRUE(client.Connect("localhost", server.Port()));
    ASSERT_TRUE(client.StartTls(options)) << net::NetworkErrorText();
    ASSERT_TRUE(client.Send(request));
    std::string line;
    ASSERT_TRUE(client.ReadLine(line));  // the session tickets have come in meanwhile
    EXPECT_EQ(line, "HTTP/1.1 200 OK");
  };
  fetch(tcp, Options());
  EXPECT_FALSE(tcp.SessionReused());
  net::TlsOptions resume = Options();
  resume.session = tcp.Session();
  ASSERT_TRUE(resume.session);
  tcp.Close();

  net::TcpClient second(loop);
  second.SetTimeout(5000);
  fetch(second, resume);
  EXPECT_TRUE(second.SessionReused());
  EXPECT_TRUE(second.Secure());
}

}  // namespace
