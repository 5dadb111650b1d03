// The SMTP client over TLS against aiosmtpd on loopback: STARTTLS (the server requires it) and TLS
// from the first byte, each with a login, which then goes as AUTH PLAIN inside TLS; a certificate
// that does not verify, a server without STARTTLS and a plain server spoken to with TLS are
// refused at the connect with the reason recorded, and no mail (nor password) leaves the client.
#include <gtest/gtest.h>

#include "core/poll_loop.h"
#include "integration/smtp/smtp_test_server.h"
#include "net/network_error.h"
#include "net/smtp_client.h"
#include "unit/net/support/test_certificates.h"

namespace {

using net::SmtpSecurity;
using smtptest::ServerTls;
using smtptest::TestSmtpServer;

net::TIdMessage Mail() {
  net::TIdMessage m;
  m.From = "stayline@example.org";
  m.SetRecipientsText("me@example.com");
  m.Subject = "ClientIP Changed: 127.0.0.5";
  m.Body = "IP 127.0.0.5";
  return m;
}

class SmtpTlsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    net::ClearNetworkError();
    if (!certs.Ok()) GTEST_SKIP() << "no openssl command to make test certificates";
  }
  void TearDown() override { net::ClearNetworkError(); }

  std::unique_ptr<TestSmtpServer> Server(ServerTls tls,
                                         const testing_support::CertificatePair& cert) {
    TestSmtpServer::Options options;
    options.Auth = "mailer:pw";
    options.Tls = tls;
    options.Cert = cert.cert;
    options.Key = cert.key;
    auto s = TestSmtpServer::Start(options);
    if (!s) ADD_FAILURE() << "the SMTP test server (python3-aiosmtpd) does not start";
    return s;
  }
  void Aim(net::TIdSMTP& smtp, int port, SmtpSecurity security) {
    smtp.Host = "localhost";
    smtp.Port = port;
    smtp.UserId = "mailer";
    smtp.Password = "pw";
    smtp.AuthenticationType = net::SmtpAuthentication::Login;
    smtp.LocalName = "stayline-pc";
    smtp.Security = security;
    smtp.TlsCAFile = certs.CaFile();
    smtp.SetTimeout(5000);
  }

  testing_support::TestCertificates certs;
  core::PollLoop loop;
};

TEST_F(SmtpTlsTest, MailArrivesOverStartTlsAndImplicitTlsWithPlainLogin) {
  const struct {
    const char* what;
    ServerTls server;
    SmtpSecurity client;
  } cases[] = {
      {"STARTTLS", ServerTls::StartTls, SmtpSecurity::StartTls},
      {"TLS from the first byte", ServerTls::Implicit, SmtpSecurity::Tls},
  };
  for (const auto& c : cases) {
    auto server = Server(c.server, certs.Server());
    if (!server) return;
    net::TIdSMTP smtp(loop);
    Aim(smtp, server->Port(), c.client);
    ASSERT_TRUE(smtp.Connect()) << c.what << ": " << net::NetworkErrorText();
    EXPECT_TRUE(smtp.Secure()) << c.what;
    smtp.Send(Mail());
    smtp.Disconnect();
    ASSERT_TRUE(server->WaitForMails(1, std::chrono::seconds(5))) << c.what;
    EXPECT_EQ(server->Mails()[0].To, std::vector<std::string>{"me@example.com"}) << c.what;
    EXPECT_EQ(server->Logins(), "PLAIN mailer tls\n") << c.what;
    EXPECT_FALSE(net::NetworkErrorFlag()) << c.what;
  }
}

TEST_F(SmtpTlsTest, InsecureServersAreRefusedBeforeAnythingIsSent) {
  const struct {
    const char* what;
    ServerTls server;
    testing_support::CertificatePair cert;
    SmtpSecurity client;
    std::string reason;
  } cases[] = {
      {"STARTTLS, self-signed", ServerTls::StartTls, certs.SelfSigned(), SmtpSecurity::StartTls,
       "TLS: certificate verify failed: self-signed certificate"},
      {"TLS, self-signed", ServerTls::Implicit, certs.SelfSigned(), SmtpSecurity::Tls,
       "TLS: certificate verify failed: self-signed certificate"},
      {"STARTTLS, another host's", ServerTls::StartTls, certs.WrongHost(), SmtpSecurity::StartTls,
       "TLS: certificate verify failed: hostname mismatch"},
      {"TLS, another host's", ServerTls::Implicit, certs.WrongHost(), SmtpSecurity::Tls,
       "TLS: certificate verify failed: hostname mismatch"},
      {"STARTTLS not offered", ServerTls::None, certs.Server(), SmtpSecurity::StartTls,
       "TLS: the mail server does not offer STARTTLS"},
      {"TLS to a plain server", ServerTls::None, certs.Server(), SmtpSecurity::Tls,
       "TLS: wrong version number"},
  };
  for (const auto& c : cases) {
    net::ClearNetworkError();
    auto server = Server(c.server, c.cert);
    if (!server) return;
    net::TIdSMTP smtp(loop);
    Aim(smtp, server->Port(), c.client);
    EXPECT_FALSE(smtp.Connect()) << c.what;
    EXPECT_FALSE(smtp.Connected()) << c.what;
    EXPECT_EQ(net::NetworkErrorText(), c.reason) << c.what;
    smtp.Disconnect();
    server->Stop();
    EXPECT_TRUE(server->Mails().empty()) << c.what;
    EXPECT_EQ(server->Logins(), "") << c.what;
  }
}

}  // namespace
