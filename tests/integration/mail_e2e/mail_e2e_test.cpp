// End to end: staylined on the simulated line with "Auto Mail" on mails each new client IP to a
// real SMTP server on loopback (aiosmtpd): the line comes up and exactly one mail arrives with
// the address in subject and body; a redial with the same address sends none, one with a new
// address sends one. Real time: the server answers on real sockets.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "integration/daemon_e2e/process_helpers.h"
#include "integration/smtp/smtp_test_server.h"

namespace {

namespace fs = std::filesystem;
using testing_support::BinPath;
using testing_support::Child;
using testing_support::Ctl;
using testing_support::ReadFile;
using testing_support::TempHome;
using testing_support::WaitUntil;

constexpr int kMailMs = 30'000;

class MailE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    server = smtptest::TestSmtpServer::Start();
    if (!server) GTEST_SKIP() << "the SMTP test server (python3-aiosmtpd) does not run here";
    fs::create_directories(home / "config");
    testing_support::WriteFile(home / "config/phonebook.ini",
                               "[Office DSL]\n"
                               "UserName=alice\n"
                               "Password=secret\n"
                               "PasswordSaved=1\n"
                               "ConnectMs=300\n"
                               "ClientIPs=127.0.0.5 127.0.0.6 127.0.0.7\n"
                               "ServerIP=127.0.0.1\n");
    testing_support::WriteUserHive(home / "config/HKCU.reg",
                                   {
                                       {"AReadFirstReg", "1"},
                                       {"AutoConnect", "1"},
                                       {"StaylineConnection", "Office DSL"},
                                       {"SaveOnlineTimer", "1"},
                                       {"Language", "0"},
                                       {"AutoMail", "1"},
                                       {"SmtpServerName", "127.0.0.1"},
                                       {"SmtpServerPort", std::to_string(server->Port())},
                                       {"SmtpAuthType", "0"},
                                       {"MailToText", "me@example.com"},
                                       {"UserEmail", "stayline@example.org"},
                                       {"ESubject", "ClientIP Changed: #CIP#"},
                                       {"EmailText", "The new address is #cip#."},
                                   });
    daemon = std::make_unique<Child>(
        std::vector<std::string>{BinPath("staylined"), "--home", home.Path(), "--ras", "sim"},
        home / "daemon.out");
  }

  std::string Diagnosis() {
    std::string out = ReadFile(home / "daemon.out");
    if (out.size() > 3000) out = out.substr(out.size() - 3000);
    return "TimeLog:\n" + ReadFile(home / "data/TimeLog.txt") + "\nstaylined:\n" + out;
  }
  std::size_t Connects() {
    const std::string log = ReadFile(home / "data/TimeLog.txt");
    std::size_t n = 0;
    for (std::size_t at = log.find("Connect...:"); at != std::string::npos;
         at = log.find("Connect...:", at + 1)) {
      ++n;
    }
    return n;
  }
  void Redial(const std::string& ip) {
    ASSERT_EQ(Ctl(home.Path(), {"sim", "ip", "Office DSL", ip}).code, 0);
    const std::size_t before = Connects();
    ASSERT_EQ(Ctl(home.Path(), {"sim", "drop"}).code, 0);
    ASSERT_TRUE(WaitUntil([&] { return Connects() > before; }, kMailMs)) << Diagnosis();
  }
  static void ExpectMailFor(const smtptest::ReceivedMail& mail, const std::string& ip) {
    EXPECT_EQ(mail.From, "stayline@example.org");
    EXPECT_EQ(mail.To, std::vector<std::string>{"me@example.com"});
    EXPECT_NE(mail.Data.find("\r\nSubject: ClientIP Changed: " + ip + "\r\n"), std::string::npos)
        << mail.Data;
    EXPECT_NE(mail.Data.find(" got the ClientIP " + ip + " on "), std::string::npos) << mail.Data;
    // The fixed lines, an empty line, the user's text (trimmed) and the line end of the wire.
    EXPECT_TRUE(mail.Data.ends_with(" (d:h:m:s,ms)\r\n\r\nThe new address is " + ip + ".\r\n"))
        << mail.Data;
  }

  TempHome home;
  std::unique_ptr<smtptest::TestSmtpServer> server;
  std::unique_ptr<Child> daemon;
};

TEST_F(MailE2E, EveryNewClientIpIsMailedOnce) {
  ASSERT_TRUE(server->WaitForMails(1, std::chrono::milliseconds(kMailMs))) << Diagnosis();
  ExpectMailFor(server->Mails()[0], "127.0.0.5");
  EXPECT_NE(ReadFile(home / "data/TimeLog.txt").find("E-Mail....:"), std::string::npos);

  Redial("127.0.0.5");
  std::this_thread::sleep_for(std::chrono::seconds(3));  // three ticks on the line
  EXPECT_EQ(server->Mails().size(), 1u) << "the same address is not mailed again";

  Redial("127.0.0.9");
  ASSERT_TRUE(server->WaitForMails(2, std::chrono::milliseconds(kMailMs))) << Diagnosis();
  ExpectMailFor(server->Mails()[1], "127.0.0.9");
  std::this_thread::sleep_for(std::chrono::seconds(2));
  EXPECT_EQ(server->Mails().size(), 2u) << Diagnosis();
}

}  // namespace
