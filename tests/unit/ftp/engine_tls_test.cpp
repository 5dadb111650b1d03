// Explicit TLS against scripted servers that refuse it or break it: every case ends in a clear
// error, and nothing of the login is sent once TLS was asked for and did not come.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/poll_loop.h"
#include "ftp/tm_ftp.h"
#include "unit/ftp/support/engine_recorder.h"
#include "unit/ftp/support/fake_ftp_server.h"

namespace {

using ftptest::EngineRecorder;
using ftptest::FakeFtpServer;
using Script = std::vector<std::string>;

struct Case {
  std::string name;
  Script script;
  std::string error;              // the start of the one error raised
  std::vector<std::string> sent;  // everything the server received
  bool retried;                   // a failure worth another attempt (Retries is 1)
};

TEST(EngineTls, RefusedOrBrokenTlsFailsTheLoginWithoutSendingIt) {
  const std::vector<Case> cases = {
      {"AUTH TLS refused",
       {"S: 220 hi", "C: AUTH TLS", "S: 500 AUTH not understood"},
       "error 26 500 AUTH not understood",
       {"AUTH TLS"},
       false},
      {"AUTH TLS answered by another 2xx",
       {"S: 220 hi", "C: AUTH TLS", "S: 200 fine, whatever"},
       "error 26 200 fine, whatever",
       {"AUTH TLS"},
       false},
      {"234 and then plain text",
       {"S: 220 hi", "C: AUTH TLS", "S: 234 go ahead", "TLSHELLO", "S: 220 still plain", "SILENT"},
       "error 12 TLS: ",
       {"AUTH TLS", "<TLS hello>"},
       false},
      {"234 and then a close during the handshake",
       {"S: 220 hi", "C: AUTH TLS", "S: 234 go ahead", "TLSHELLO", "CLOSE", "SILENT"},
       "error 6 TLS: ",
       {"AUTH TLS", "<TLS hello>"},
       true},
      {"234 with a plain-text reply behind it in the same packet",
       {"S: 220 hi", "C: AUTH TLS", "S: 234 go ahead\r\n230 injected, logged in", "TLSHELLO",
        "SILENT"},
       "error 7 TLS: handshake timed out",
       {"AUTH TLS", "<TLS hello>"},
       true},
      {"234 and then silence",
       {"S: 220 hi", "C: AUTH TLS", "S: 234 go ahead", "TLSHELLO", "SILENT"},
       "error 7 TLS: handshake timed out",
       {"AUTH TLS", "<TLS hello>"},
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeFtpServer server(c.script);
    core::PollLoop loop;
    ftp::TMFtp ftp(loop);
    EngineRecorder rec(ftp);
    ftp.Server = "127.0.0.1";
    ftp.Port = server.Port();
    ftp.Username = "user";
    ftp.Password = "pw";
    ftp.Retries = 1;
    ftp.RetryInterval = 600;  // the retry itself is not waited for
    ftp.TimeOut = 1;
    ftp.NoopInterval = 0;
    ftp.Security = ftp::TMFtpSecurity::ExplicitTls;
    ASSERT_TRUE(ftp.Login());
    const char* end = c.retried ? "info 18" : "ready";
    ASSERT_TRUE(rec.WaitFor(loop, end, 10'000)) << rec.Dump();
    EXPECT_EQ(rec.Count("error"), 1) << rec.Dump();
    EXPECT_TRUE(rec.Has(c.error)) << rec.Dump();
    EXPECT_FALSE(rec.Has("LoggedIn"));
    EXPECT_FALSE(ftp.LoggedIn());
    EXPECT_EQ(server.Received(), c.sent);
    EXPECT_EQ(rec.Dump().find("injected"), std::string::npos) << rec.Dump();
    EXPECT_EQ(server.Failures(), std::vector<std::string>{});
    if (c.retried) ftp.AbortTransfer();
  }
}

TEST(EngineTls, TlsThroughAnFtpProxyIsRefusedBeforeConnecting) {
  FakeFtpServer server({"S: 220 proxy"});
  core::PollLoop loop;
  ftp::TMFtp ftp(loop);
  EngineRecorder rec(ftp);
  ftp.Server = "ftp.example.org";
  ftp.ProxyType = ftp::TMFtpProxyType::proxyOpen;
  ftp.ProxyServer = "127.0.0.1";
  ftp.ProxyPort = server.Port();
  ftp.Retries = 0;
  ftp.Security = ftp::TMFtpSecurity::ExplicitTls;
  ASSERT_TRUE(ftp.Login());
  ASSERT_TRUE(rec.WaitReady(loop)) << rec.Dump();
  EXPECT_TRUE(rec.Has("error 12 TLS über einen FTP-Proxy wird nicht unterstützt")) << rec.Dump();
  EXPECT_FALSE(ftp.Connected());
  loop.RunUntil([] { return false; }, 100);
  EXPECT_EQ(server.Connections(), 0);
}

}  // namespace
