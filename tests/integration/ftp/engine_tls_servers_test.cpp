// The engine with explicit TLS against a stock vsftpd that demands it for the login and the data
// and requires data connections to resume the control connection's session.

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "core/poll_loop.h"
#include "ftp/tm_ftp.h"
#include "integration/ftp/ftp_test_servers.h"
#include "unit/ftp/support/engine_recorder.h"
#include "unit/net/support/test_certificates.h"

namespace {

namespace fs = std::filesystem;
using ftptest::EngineRecorder;
using ftptest::TestFtpServer;
using testing_support::CertificatePair;
using testing_support::TestCertificates;

void Prepare(ftp::TMFtp& ftp, const TestFtpServer& server, const std::string& caFile) {
  ftp.Server = "127.0.0.1";
  ftp.Port = server.Port();
  ftp.Username = server.User();
  ftp.Password = server.Password();
  ftp.InitialDirectory = server.Dir();
  ftp.Retries = 0;
  ftp.TimeOut = 10;
  ftp.NoopInterval = 0;
  ftp.Security = ftp::TMFtpSecurity::ExplicitTls;
  ftp.TlsCAFile = caFile;
}

// The engine in passive (true) or active mode against a TLS server of `Kind`.
template <TestFtpServer::Kind Kind>
class EngineTls : public testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    if (!certs_.Ok()) GTEST_SKIP() << "openssl cannot make test certificates here";
    server_ = TestFtpServer::Start(Kind, certs_.Server().cert, certs_.Server().key);
    if (!server_) GTEST_SKIP() << "the TLS server is not available here";
    Prepare(ftp_, *server_, certs_.CaFile());
    ftp_.Passive = GetParam();
  }

  void Ok(const std::function<bool()>& op, const std::string& what) {
    rec_.Clear();
    ASSERT_TRUE(op()) << what;
    ASSERT_TRUE(rec_.WaitReady(loop_, 60'000)) << what << "\n" << rec_.Dump();
    ASSERT_EQ(ftp_.LastError(), ftp::FtpError::kNone) << what << "\n" << rec_.Dump();
  }

  std::string Local(const std::string& name) const { return local_.Path() + "/" + name; }
  std::string Remote(const std::string& name) const { return server_->Root() + "/" + name; }

  TestCertificates certs_;
  std::unique_ptr<TestFtpServer> server_;
  ftptest::TempDir local_;
  core::PollLoop loop_;
  ftp::TMFtp ftp_{loop_};
  EngineRecorder rec_{ftp_};
};

using EngineTlsServer = EngineTls<TestFtpServer::Kind::kVsftpd>;
using EngineTlsPyftpdlib = EngineTls<TestFtpServer::Kind::kPyftpdlib>;

std::string ModeName(const testing::TestParamInfo<bool>& info) {
  return info.param ? "passive" : "active";
}

TEST_P(EngineTlsServer, LoginListUploadDownloadAndAbort) {
  ASSERT_TRUE(ftp_.Login());
  ASSERT_TRUE(rec_.WaitReady(loop_)) << rec_.Dump();
  ASSERT_TRUE(ftp_.LoggedIn()) << rec_.Dump();
  // TLS first, the login inside it, the data protected before any data connection.
  const int auth = rec_.IndexOf("info 4 AUTH TLS");
  ASSERT_GE(auth, 0) << rec_.Dump();
  EXPECT_LT(auth, rec_.IndexOf("info 4 USER anonymous"));
  EXPECT_LT(rec_.IndexOf("info 4 USER anonymous"), rec_.IndexOf("info 4 PBSZ 0"));
  EXPECT_LT(rec_.IndexOf("info 4 PBSZ 0"), rec_.IndexOf("info 4 PROT P"));

  // Larger than the socket buffers, so the TLS writes and reads have to wait for the socket.
  ftptest::WriteRandomFile(Local("up.bin"), 3'000'001, 11);
  Ok([&] { return ftp_.Upload(Local("up.bin"), "up.bin"); }, "upload");
  EXPECT_TRUE(rec_.Has("FileStored"));
  // The server ends reads strictly: a missing close_notify would have failed the upload.
  EXPECT_TRUE(ftptest::SameFiles(Local("up.bin"), Remote("up.bin")));

  Ok([&] { return ftp_.Refresh(); }, "list");
  bool listed = false;
  for (const auto& file : ftp_.Files()) listed = listed || file.Name == "up.bin";
  EXPECT_TRUE(listed) << rec_.Dump();

  Ok([&] { return ftp_.Download("up.bin", Local("down.bin")); }, "download");
  EXPECT_TRUE(rec_.Has("FileReceived"));
  EXPECT_TRUE(ftptest::SameFiles(Local("up.bin"), Local("down.bin")));

  // An abort over TLS (no urgent data possible) still ends with the session usable.
  ftptest::WriteRandomFile(Remote("big.bin"), 64ull << 20, 12);
  bool aborted = false;
  auto recorded = ftp_.OnFtpInfo;
  ftp_.OnFtpInfo = [&](ftp::FtpInfo info, const std::string& text) {
    recorded(info, text);
    if (info == ftp::FtpInfo::kDataTrace && !aborted) {
      aborted = true;
      ftp_.AbortTransfer();
    }
  };
  rec_.Clear();
  ASSERT_TRUE(ftp_.Download("big.bin", Local("big.bin")));
  ASSERT_TRUE(rec_.WaitReady(loop_, 60'000)) << rec_.Dump();
  ftp_.OnFtpInfo = recorded;
  EXPECT_TRUE(aborted);
  EXPECT_TRUE(rec_.Has("Aborted")) << rec_.Dump();
  EXPECT_FALSE(rec_.Has("FileReceived"));
  EXPECT_LT(ftptest::FileSizeOf(Local("big.bin")), 64ull << 20);
  Ok([&] { return ftp_.MakeDir("after"); }, "mkdir after the abort");
  EXPECT_TRUE(fs::is_directory(Remote("after")));
}

INSTANTIATE_TEST_SUITE_P(Modes, EngineTlsServer, testing::Bool(), ModeName);

// pyftpdlib connects (active) or accepts (passive) the data connection before the transfer
// command and drops it when it speaks first; the handshake must wait for the 125/150. Each
// transfer of the loop is a new race, so a client that starts early fails within a few.
TEST_P(EngineTlsPyftpdlib, TransfersEveryTimeInBothModes) {
  ftp_.TimeOut = 5;
  ftptest::WriteRandomFile(Local("page.html"), 70'001, 13);
  Ok([&] { return ftp_.Login(); }, "login");
  for (int i = 0; i < 8; ++i) {
    SCOPED_TRACE(i);
    const std::string name = "page" + std::to_string(i) + ".html";
    Ok([&] { return ftp_.Upload(Local("page.html"), name); }, "upload");
    EXPECT_TRUE(ftptest::SameFiles(Local("page.html"), Remote(name)));
    Ok([&] { return ftp_.Download(name, Local(name)); }, "download");
    EXPECT_TRUE(ftptest::SameFiles(Local("page.html"), Local(name)));
    Ok([&] { return ftp_.Refresh(); }, "list");
    EXPECT_EQ(ftp_.Files().size(), static_cast<std::size_t>(i + 1)) << rec_.Dump();
  }
}

INSTANTIATE_TEST_SUITE_P(Modes, EngineTlsPyftpdlib, testing::Bool(), ModeName);

TEST(EngineTlsRefused, CertificateThatDoesNotVerifyEndsTheLoginBeforeUser) {
  TestCertificates certs;
  if (!certs.Ok()) GTEST_SKIP() << "openssl cannot make test certificates here";
  struct Case {
    std::string name;
    const CertificatePair& served;
    std::string caFile;
    std::string host;
    std::string reason;
  };
  const Case cases[] = {
      {"self-signed", certs.SelfSigned(), certs.CaFile(), "127.0.0.1",
       "error 12 TLS: certificate verify failed: self-signed certificate"},
      {"wrong host", certs.WrongHost(), certs.CaFile(), "localhost",
       "error 12 TLS: certificate verify failed: hostname mismatch"},
      {"private CA not trusted", certs.Server(), "", "localhost",
       "error 12 TLS: certificate verify failed: unable to get local issuer certificate"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto server = TestFtpServer::Start(TestFtpServer::Kind::kVsftpd, c.served.cert, c.served.key);
    if (!server) GTEST_SKIP() << "vsftpd not available here";
    core::PollLoop loop;
    ftp::TMFtp ftp(loop);
    EngineRecorder rec(ftp);
    Prepare(ftp, *server, c.caFile);
    ftp.Server = c.host;
    ftp.Retries = 2;
    ASSERT_TRUE(ftp.Login());
    ASSERT_TRUE(rec.WaitReady(loop)) << rec.Dump();
    EXPECT_TRUE(rec.Has(c.reason)) << rec.Dump();
    EXPECT_FALSE(ftp.Connected());
    EXPECT_FALSE(rec.Has("info 4 USER")) << "nothing of the login in plain text";
    EXPECT_FALSE(rec.Has("info 18")) << "a certificate is not retried";
  }
}

TEST(EngineTlsRefused, CaFileChangedAfterAFailedLoginCountsForTheNextOne) {
  TestCertificates certs;
  if (!certs.Ok()) GTEST_SKIP() << "openssl cannot make test certificates here";
  auto server =
      TestFtpServer::Start(TestFtpServer::Kind::kVsftpd, certs.Server().cert, certs.Server().key);
  if (!server) GTEST_SKIP() << "vsftpd not available here";
  core::PollLoop loop;
  ftp::TMFtp ftp(loop);
  EngineRecorder rec(ftp);
  Prepare(ftp, *server, "/nonexistent/ca.pem");
  ASSERT_TRUE(ftp.Login());
  ASSERT_TRUE(rec.WaitReady(loop)) << rec.Dump();
  EXPECT_TRUE(rec.Has("error 12 TLS: the CA file /nonexistent/ca.pem cannot be used"))
      << rec.Dump();
  EXPECT_FALSE(rec.Has("info 4 USER"));
  ftp.TlsCAFile.clear();
  rec.Clear();
  ASSERT_TRUE(ftp.Login());
  ASSERT_TRUE(rec.WaitReady(loop)) << rec.Dump();
  EXPECT_TRUE(rec.Has("error 12 TLS: certificate verify failed")) << rec.Dump();
  ftp.TlsCAFile = certs.CaFile();
  rec.Clear();
  ASSERT_TRUE(ftp.Login());
  ASSERT_TRUE(rec.WaitReady(loop)) << rec.Dump();
  EXPECT_TRUE(ftp.LoggedIn()) << rec.Dump();
}

TEST(EngineTlsRefused, ServerWithoutTlsFailsTheLoginWithItsReply) {
  auto server = TestFtpServer::Start(TestFtpServer::Kind::kPyftpdlib);
  if (!server) GTEST_SKIP() << "pyftpdlib not available here";
  core::PollLoop loop;
  ftp::TMFtp ftp(loop);
  EngineRecorder rec(ftp);
  Prepare(ftp, *server, "");
  ASSERT_TRUE(ftp.Login());
  ASSERT_TRUE(rec.WaitReady(loop)) << rec.Dump();
  EXPECT_TRUE(rec.Has("error 26 5")) << rec.Dump();
  EXPECT_FALSE(rec.Has("info 4 USER")) << rec.Dump();
  EXPECT_FALSE(ftp.Connected());
}

}  // namespace
