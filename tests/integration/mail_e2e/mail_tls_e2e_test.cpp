// End to end over TLS: staylined on the simulated line with "Auto Mail" on mails the new client
// IP to aiosmtpd speaking STARTTLS or TLS from the first byte, with a login that goes as AUTH
// PLAIN inside TLS; a server whose certificate does not verify gets no mail, and the reason is in
// the status bar and the time log.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "integration/daemon_e2e/process_helpers.h"
#include "integration/smtp/smtp_test_server.h"
#include "settings/settings_store.h"
#include "unit/net/support/test_certificates.h"

namespace {

namespace fs = std::filesystem;
using smtptest::ServerTls;
using testing_support::BinPath;
using testing_support::Child;
using testing_support::ReadFile;
using testing_support::TempHome;
using testing_support::WaitUntil;

constexpr int kMailMs = 30'000;

std::string Scrambled(const std::string& text) {
  return settings::SettingsStore::ScrambleText(text);
}

class MailTlsE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!certs.Ok()) GTEST_SKIP() << "no openssl command to make test certificates";
  }

  // The server with `cert` in mode `tls`, then staylined mailing to it with `security`.
  bool Start(ServerTls tls, const testing_support::CertificatePair& cert,
             const std::string& security) {
    smtptest::ServerOptions options;
    options.Auth = "mailer:pw";
    options.Tls = tls;
    options.Cert = cert.cert;
    options.Key = cert.key;
    server = smtptest::TestSmtpServer::Start(options);
    if (!server) return false;
    fs::create_directories(home / "config");
    testing_support::WriteFile(home / "config/phonebook.ini",
                               "[Office DSL]\nUserName=alice\nPassword=secret\nPasswordSaved=1\n"
                               "ConnectMs=300\nClientIPs=127.0.0.5\nServerIP=127.0.0.1\n");
    testing_support::WriteUserHive(home / "config/HKCU.reg",
                                   {
                                       {"AReadFirstReg", "1"},
                                       {"AutoConnect", "1"},
                                       {"StaylineConnection", "Office DSL"},
                                       {"SaveOnlineTimer", "1"},
                                       {"Language", "0"},
                                       {"AutoMail", "1"},
                                       {"SmtpServerName", "localhost"},
                                       {"SmtpServerPort", std::to_string(server->Port())},
                                       {"SmtpAuthType", "1"},
                                       {"SmtpServerUser", Scrambled("mailer")},
                                       {"SmtpServerPassword", Scrambled("pw")},
                                       {"SmtpSecurity", security},
                                       {"TlsCAFile", certs.CaFile()},
                                       {"MailToText", "me@example.com"},
                                       {"UserEmail", "stayline@example.org"},
                                       {"ESubject", "ClientIP Changed: #CIP#"},
                                   });
    daemon = std::make_unique<Child>(
        std::vector<std::string>{BinPath("staylined"), "--home", home.Path(), "--ras", "sim"},
        home / "daemon.out");
    return true;
  }
  std::string Diagnosis() {
    std::string out = ReadFile(home / "daemon.out");
    if (out.size() > 3000) out = out.substr(out.size() - 3000);
    return "TimeLog:\n" + ReadFile(home / "data/TimeLog.txt") + "\nstaylined:\n" + out;
  }

  testing_support::TestCertificates certs;
  TempHome home;
  std::unique_ptr<smtptest::TestSmtpServer> server;
  std::unique_ptr<Child> daemon;
};

struct Mode {
  const char* what;
  ServerTls server;
  const char* security;
};

const Mode kModes[] = {
    {"STARTTLS", ServerTls::StartTls, "1"},
    {"TLS from the first byte", ServerTls::Implicit, "2"},
};

class MailTlsModes : public MailTlsE2E, public ::testing::WithParamInterface<Mode> {};

TEST_P(MailTlsModes, TheNewClientIpArrivesOverTls) {
  ASSERT_TRUE(Start(GetParam().server, certs.Server(), GetParam().security));
  ASSERT_TRUE(server->WaitForMails(1, std::chrono::milliseconds(kMailMs))) << Diagnosis();
  EXPECT_NE(server->Mails()[0].Data.find("Subject: ClientIP Changed: 127.0.0.5\r\n"),
            std::string::npos);
  EXPECT_EQ(server->Logins(), "PLAIN mailer tls\n");
}

TEST_P(MailTlsModes, AServerWhoseCertificateDoesNotVerifyGetsNoMailAndTheReasonShows) {
  ASSERT_TRUE(Start(GetParam().server, certs.SelfSigned(), GetParam().security));
  const std::string reason =
      "E-Mail: Error: TLS: certificate verify failed: self-signed certificate";
  ASSERT_TRUE(WaitUntil(
      [&] { return ReadFile(home / "data/TimeLog.txt").find(reason) != std::string::npos; },
      kMailMs))
      << Diagnosis();
  EXPECT_NE(ReadFile(home / "daemon.out").find(reason), std::string::npos) << Diagnosis();
  EXPECT_TRUE(server->Mails().empty());
  EXPECT_EQ(server->Logins(), "");
}

INSTANTIATE_TEST_SUITE_P(Modes, MailTlsModes, ::testing::ValuesIn(kModes), [](const auto& info) {
  return std::string(info.param.server == ServerTls::StartTls ? "StartTls" : "Tls");
});

}  // namespace
