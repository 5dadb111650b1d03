// The SMTP client against a real server on loopback (aiosmtpd) with and without AUTH LOGIN, and
// against scripted peers that go away or stay silent: what arrives, byte for byte, and how each
// failure shows (false from Connect with the error recorded, or a thrown server line).
#include "net/smtp_client.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <regex>
#include <thread>

#include "core/poll_loop.h"
#include "core/unique_fd.h"
#include "integration/smtp/smtp_test_server.h"
#include "net/network_error.h"
#include "unit/net/support/loopback_peer.h"

namespace {

using net::SmtpAuthentication;
using net::TIdSMTP;
using smtptest::TestSmtpServer;

net::TIdMessage Mail() {
  net::TIdMessage m;
  m.From = "stayline@example.org";
  m.SetRecipientsText("me@example.com, you@example.net");
  m.Subject = "ClientIP Changed: 127.0.0.5\r\nBcc: evil@example.com";
  m.Body = "IP 127.0.0.5\n.\r\n..two\r\n.\r\nend";
  m.Priority = net::TIdMessagePriority::mpHighest;
  return m;
}

// The Date value varies; everything else is fixed.
std::string WithoutDate(const std::string& data) {
  return std::regex_replace(data,
                            std::regex("Date: [A-Z][a-z]{2}, \\d{2} [A-Z][a-z]{2} \\d{4} "
                                       "\\d{2}:\\d{2}:\\d{2} [+-]\\d{4}\r\n"),
                            "Date: *\r\n");
}

const char* const kReceived =
    "From: stayline@example.org\r\n"
    "Subject: ClientIP Changed: 127.0.0.5Bcc: evil@example.com\r\n"
    "To: me@example.com, you@example.net\r\n"
    "Content-Type: text/plain\r\n"
    "Date: *\r\n"
    "X-Priority: 1\r\n"
    "X-Library: Stayline\r\n"
    "\r\n"
    "IP 127.0.0.5\r\n.\r\n..two\r\n.\r\nend\r\n";

class SmtpClientTest : public ::testing::Test {
 protected:
  void SetUp() override { net::ClearNetworkError(); }
  void TearDown() override { net::ClearNetworkError(); }

  std::unique_ptr<TestSmtpServer> Server(const TestSmtpServer::Options& options = {}) {
    auto s = TestSmtpServer::Start(options);
    if (!s) ADD_FAILURE() << "the SMTP test server (python3-aiosmtpd) does not start";
    return s;
  }
  void Aim(TIdSMTP& smtp, int port, SmtpAuthentication auth, const std::string& password = "pw") {
    smtp.Host = "LocalHost";
    smtp.Port = port;
    smtp.UserId = "mailer";
    smtp.Password = password;
    smtp.AuthenticationType = auth;
    smtp.LocalName = "stayline-pc";
  }

  core::PollLoop loop;
};

TEST_F(SmtpClientTest, MailArrivesByteForByteWithAndWithoutLogin) {
  struct Case {
    const char* what;
    TestSmtpServer::Options server;
    SmtpAuthentication auth;
    std::vector<std::string> mechanisms;
  };
  const std::vector<Case> cases{
      {"no authentication", {}, SmtpAuthentication::None, {}},
      {"login", {"mailer:pw", false}, SmtpAuthentication::Login, {"LOGIN", "PLAIN"}},
      {"login asked for, server offers only PLAIN",
       {"mailer:pw", true},
       SmtpAuthentication::Login,
       {"PLAIN"}},
  };
  for (const auto& c : cases) {
    auto server = Server(c.server);
    if (!server) return;
    TIdSMTP smtp(loop);
    Aim(smtp, server->Port(), c.auth);
    ASSERT_TRUE(smtp.Connect()) << c.what << ": " << net::NetworkErrorText();
    EXPECT_EQ(smtp.Dialogue().AuthMechanisms(), c.mechanisms) << c.what;
    smtp.Send(Mail());
    smtp.Disconnect();
    EXPECT_FALSE(smtp.Connected());
    ASSERT_TRUE(server->WaitForMails(1, std::chrono::seconds(5))) << c.what;
    const auto mails = server->Mails();
    ASSERT_EQ(mails.size(), 1u) << c.what;
    EXPECT_EQ(mails[0].From, "stayline@example.org") << c.what;
    EXPECT_EQ(mails[0].To, (std::vector<std::string>{"me@example.com", "you@example.net"}));
    EXPECT_EQ(WithoutDate(mails[0].Data), kReceived) << c.what;
    EXPECT_FALSE(net::NetworkErrorFlag()) << c.what;
  }
}

TEST_F(SmtpClientTest, RefusedLoginsAndMailsAreThrownWithTheServersLine) {
  struct Case {
    const char* what;
    SmtpAuthentication auth;
    std::string password;
    std::string line;
  };
  const std::vector<Case> cases{
      {"wrong password", SmtpAuthentication::Login, "wrong",
       "535 5.7.8 Authentication credentials invalid"},
      {"no login where the server requires one", SmtpAuthentication::None, "pw",
       "530 5.7.0 Authentication required"},
  };
  auto server = Server({"mailer:pw", false});
  if (!server) return;
  for (const auto& c : cases) {
    TIdSMTP smtp(loop);
    Aim(smtp, server->Port(), c.auth, c.password);
    ASSERT_TRUE(smtp.Connect()) << c.what;
    try {
      smtp.Send(Mail());
      ADD_FAILURE() << c.what << ": sent";
    } catch (const net::SmtpError& e) {
      EXPECT_EQ(e.what(), c.line) << c.what;
    }
    // The broken dialogue is not continued; Disconnect stays quiet.
    EXPECT_FALSE(smtp.Connected()) << c.what;
    EXPECT_NO_THROW(smtp.Disconnect());
    EXPECT_FALSE(net::NetworkErrorFlag()) << c.what;
  }
  EXPECT_TRUE(server->Mails().empty());
}

TEST_F(SmtpClientTest, AServerThatIsNotThereFailsTheConnectWithTheErrorRecorded) {
  auto server = Server();
  if (!server) return;
  const int port = server->Port();
  server->Stop();
  TIdSMTP smtp(loop);
  Aim(smtp, port, SmtpAuthentication::None);
  EXPECT_FALSE(smtp.Connect());
  EXPECT_TRUE(net::NetworkErrorFlag());
  EXPECT_EQ(net::NetworkErrorText(), "Socket Refresh: " + std::to_string(ECONNREFUSED));
  EXPECT_FALSE(smtp.Connected());
}

// A listening socket on 127.0.0.1 whose peer is the test's own script.
struct ScriptedPeer : testing_support::LoopbackListener {
  // Accepts one client, answers each of `replies` after reading a line (the first one at once),
  // then closes. What the client sent is returned by the thread through `heard`.
  std::thread Run(std::vector<std::string> replies, std::string& heard, bool greet = true) {
    return std::thread([this, replies, &heard, greet] {
      core::UniqueFd c = Accept();
      std::string pending;
      for (std::size_t i = 0; i < replies.size(); ++i) {
        if (i > 0 || !greet) {
          while (pending.find('\n') == std::string::npos) {
            char buf[512];
            const ssize_t n = ::recv(c.Get(), buf, sizeof buf, 0);
            if (n <= 0) return;
            pending.append(buf, static_cast<std::size_t>(n));
          }
          const std::size_t end = pending.find('\n') + 1;
          heard += pending.substr(0, end);
          pending.erase(0, end);
        }
        ::send(c.Get(), replies[i].data(), replies[i].size(), MSG_NOSIGNAL);
      }
      if (replies.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(600));
    });
  }
};

TEST_F(SmtpClientTest, APeerThatClosesMidDialogueFailsTheMail) {
  ScriptedPeer peer;
  std::string heard;
  std::thread t = peer.Run({"220 mx\r\n", "250 mx\r\n", "250 reset\r\n"}, heard);
  TIdSMTP smtp(loop);
  Aim(smtp, peer.port, SmtpAuthentication::None);
  ASSERT_TRUE(smtp.Connect());
  EXPECT_THROW(smtp.Send(Mail()), net::SmtpLinkError);
  t.join();
  EXPECT_EQ(heard, "ehlo stayline-pc\r\nRset\r\n");
  EXPECT_FALSE(smtp.Connected());
}

TEST_F(SmtpClientTest, APeerThatGoesBeforeTheHelloIsDoneIsAFailedConnect) {
  struct Case {
    const char* what;
    std::vector<std::string> replies;
    int error;
  };
  const std::vector<Case> cases{
      {"closes after the greeting", {"220 mx\r\n"}, ECONNRESET},
      {"never greets", {}, ETIMEDOUT},
  };
  for (const auto& c : cases) {
    net::ClearNetworkError();
    ScriptedPeer peer;
    std::string heard;
    std::thread t = peer.Run(c.replies, heard);
    TIdSMTP smtp(loop);
    Aim(smtp, peer.port, SmtpAuthentication::None);
    smtp.SetTimeout(300);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(smtp.Connect()) << c.what;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3)) << c.what;
    t.join();
    EXPECT_EQ(net::NetworkErrorText(), "Socket Refresh: " + std::to_string(c.error)) << c.what;
  }
}

TEST_F(SmtpClientTest, AnErrorRecordedEarlierSkipsTheGreeting) {
  ScriptedPeer peer;
  std::string heard;
  std::thread t = peer.Run({"220 mx\r\n"}, heard);
  net::RecordNetworkError(ENETUNREACH);
  TIdSMTP smtp(loop);
  Aim(smtp, peer.port, SmtpAuthentication::None);
  EXPECT_TRUE(smtp.Connect());
  EXPECT_TRUE(net::NetworkErrorFlag());
  smtp.Disconnect();
  t.join();
  EXPECT_EQ(heard, "");  // no ehlo: the caller gives up on a recorded error
}

}  // namespace
