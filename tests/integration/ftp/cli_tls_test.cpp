// stayline-ftp with explicit TLS (ftps:// or --tls) against a vsftpd that demands it.

#include <gtest/gtest.h>

#include "integration/ftp/ftp_test_servers.h"
#include "unit/net/support/test_certificates.h"

namespace {

using ftptest::ProgramRun;
using ftptest::RunStaylineFtp;
using ftptest::TestFtpServer;

TEST(CliTls, FtpsUrlWithCaFileListsPutsAndGetsInBothModes) {
  testing_support::TestCertificates certs;
  if (!certs.Ok()) GTEST_SKIP() << "openssl cannot make test certificates here";
  auto server =
      TestFtpServer::Start(TestFtpServer::Kind::kVsftpd, certs.Server().cert, certs.Server().key);
  if (!server) GTEST_SKIP() << "vsftpd not available here";
  ftptest::TempDir home;
  const std::string local = home.Path() + "/data.bin";
  ftptest::WriteRandomFile(local, 5u << 20, 21);
  const std::string cafile = "--cafile '" + certs.CaFile() + "' ";
  const std::string ftps = "'" + server->Url("ftps", "localhost") + "'";

  for (const std::string mode : {"--passive", "--active"}) {
    SCOPED_TRACE(mode);
    const std::string back = home.Path() + "/back" + mode + ".bin";
    ProgramRun put = RunStaylineFtp(
        mode + " " + cafile + ftps + " put '" + local + "' data.bin --overwrite", home.Path());
    EXPECT_EQ(put.Code, 0) << put.Out;
    EXPECT_TRUE(ftptest::SameFiles(local, server->Root() + "/data.bin"));
    ProgramRun get =
        RunStaylineFtp(mode + " " + cafile + ftps + " get data.bin '" + back + "'", home.Path());
    EXPECT_EQ(get.Code, 0) << get.Out;
    EXPECT_TRUE(ftptest::SameFiles(local, back));
    // --tls makes an ftp:// address do the same.
    ProgramRun ls = RunStaylineFtp(
        mode + " --no-cache --tls " + cafile + "'" + server->Url("ftp", "127.0.0.1") + "' ls",
        home.Path());
    EXPECT_EQ(ls.Code, 0) << ls.Out;
    EXPECT_NE(ls.Out.find("\tdata.bin\t"), std::string::npos) << ls.Out;
  }

  // Without the CA file the server's certificate is not trusted: refused with the reason.
  ProgramRun untrusted = RunStaylineFtp("-v --no-cache " + ftps + " ls", home.Path());
  EXPECT_EQ(untrusted.Code, 1) << untrusted.Out;
  EXPECT_NE(untrusted.Out.find("ProtocolError (12): TLS: certificate verify failed: unable to "
                               "get local issuer certificate"),
            std::string::npos)
      << untrusted.Out;
  EXPECT_EQ(untrusted.Out.find("> USER"), std::string::npos) << untrusted.Out;

  // Without TLS the server does not let the login through.
  ProgramRun plain = RunStaylineFtp("--no-cache '" + server->Url() + "' ls", home.Path());
  EXPECT_EQ(plain.Code, 1) << plain.Out;
}

TEST(CliTls, HelpSaysTheTlsIsExplicit) {
  ftptest::TempDir home;
  const ProgramRun help = RunStaylineFtp("--help", home.Path());
  EXPECT_EQ(help.Code, 0);
  EXPECT_NE(help.Out.find("ftp[s]://"), std::string::npos) << help.Out;
  EXPECT_NE(help.Out.find("not implicit FTPS on port 990"), std::string::npos) << help.Out;
  const ProgramRun missing = RunStaylineFtp("--cafile", home.Path());
  EXPECT_EQ(missing.Code, 2) << missing.Out;
}

}  // namespace
