// stayline-ftp end to end against the real servers.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "integration/ftp/ftp_test_servers.h"

namespace {

using ftptest::ProgramRun;
using ftptest::RunStaylineFtp;
using ftptest::TestFtpServer;

class Cli : public testing::TestWithParam<TestFtpServer::Kind> {
 protected:
  void SetUp() override {
    server_ = TestFtpServer::Start(GetParam());
    if (!server_) GTEST_SKIP() << "FTP server not available here";
  }
  std::unique_ptr<TestFtpServer> server_;
  ftptest::TempDir home_;
};

TEST_P(Cli, ListPutGetInBothModesAndTheOtherCommands) {
  const std::string local = home_.Path() + "/data.bin";
  ftptest::WriteRandomFile(local, 16u << 20, 7);
  ftptest::WriteRandomFile(server_->Root() + "/seen.txt", 100, 8);
  const std::string url = "'" + server_->Url() + "'";

  ProgramRun ls = RunStaylineFtp(url + " ls", home_.Path());
  EXPECT_EQ(ls.Code, 0) << ls.Out;
  EXPECT_NE(ls.Out.find("file\t100\t"), std::string::npos) << ls.Out;
  EXPECT_NE(ls.Out.find("\tseen.txt\t"), std::string::npos) << ls.Out;

  for (const std::string mode : {"--passive", "--active"}) {
    const std::string back = home_.Path() + "/back" + mode + ".bin";
    ProgramRun put = RunStaylineFtp(mode + " " + url + " put '" + local + "' data.bin --overwrite",
                                    home_.Path());
    EXPECT_EQ(put.Code, 0) << mode << put.Out;
    EXPECT_TRUE(ftptest::SameFiles(local, server_->Root() + "/data.bin")) << mode;
    ProgramRun get =
        RunStaylineFtp("-v " + mode + " " + url + " get data.bin '" + back + "'", home_.Path());
    EXPECT_EQ(get.Code, 0) << mode << get.Out;
    // The size a plain get is checked against comes from the server.
    EXPECT_NE(get.Out.find("[FileSize] 16777216"), std::string::npos) << mode << get.Out;
    EXPECT_TRUE(ftptest::SameFiles(local, back)) << mode;
    // The target exists now: without --resume or --overwrite nothing is touched.
    ProgramRun again =
        RunStaylineFtp(mode + " " + url + " get data.bin '" + back + "'", home_.Path());
    EXPECT_EQ(again.Code, 1) << again.Out;
    // A complete target: said without -v, nothing moves.
    ProgramRun resume =
        RunStaylineFtp(mode + " " + url + " get data.bin '" + back + "' --resume", home_.Path());
    EXPECT_EQ(resume.Code, 0) << resume.Out;
    EXPECT_NE(resume.Out.find("Ich habe nichts zu tun: " + back +
                              " already holds all 16777216 "
                              "bytes of data.bin; nothing was transferred"),
              std::string::npos)
        << resume.Out;
  }

  EXPECT_EQ(RunStaylineFtp(url + " mkdir sub", home_.Path()).Code, 0);
  EXPECT_TRUE(std::filesystem::is_directory(server_->Root() + "/sub"));
  // The first `ls` was cached; the commands since changed the folder, so this one is fresh.
  ProgramRun fresh = RunStaylineFtp(url + " ls", home_.Path());
  EXPECT_EQ(fresh.Code, 0) << fresh.Out;
  EXPECT_NE(fresh.Out.find("	data.bin	"), std::string::npos) << fresh.Out;
  EXPECT_NE(fresh.Out.find("dir	"), std::string::npos) << fresh.Out;
  EXPECT_EQ(RunStaylineFtp(url + " rename data.bin moved.bin", home_.Path()).Code, 0);
  EXPECT_TRUE(std::filesystem::exists(server_->Root() + "/moved.bin"));
  EXPECT_EQ(RunStaylineFtp(url + " rm moved.bin", home_.Path()).Code, 0);
  EXPECT_FALSE(std::filesystem::exists(server_->Root() + "/moved.bin"));
  EXPECT_EQ(RunStaylineFtp(url + " rmdir sub", home_.Path()).Code, 0);
  ProgramRun refused = RunStaylineFtp(url + " rm moved.bin", home_.Path());
  EXPECT_EQ(refused.Code, 1);
  EXPECT_NE(refused.Out.find("PermissionDenied"), std::string::npos) << refused.Out;
  ProgramRun missing =
      RunStaylineFtp(url + " get moved.bin '" + home_.Path() + "/none.bin'", home_.Path());
  EXPECT_EQ(missing.Code, 1);
  EXPECT_NE(missing.Out.find("TransferGet (34): 550"), std::string::npos) << missing.Out;
  EXPECT_FALSE(std::filesystem::exists(home_.Path() + "/none.bin")) << "no empty file left";
}

// --resume continues a shorter target and never replaces a longer one (that takes --overwrite).
TEST_P(Cli, ResumeNeverDestroysTheTarget) {
  const std::string url = "'" + server_->Url() + "'";
  const std::string remote = server_->Root() + "/small.bin";
  ftptest::WriteRandomFile(remote, 1000, 21);
  const std::string local = home_.Path() + "/local.bin";
  const std::string keep = home_.Path() + "/keep.bin";
  const auto get = [&] {
    return RunStaylineFtp(url + " get small.bin '" + local + "' --resume", home_.Path());
  };

  ftptest::WriteRandomFile(local, 3000, 22);
  ftptest::WriteRandomFile(keep, 3000, 22);
  ProgramRun longer = get();
  EXPECT_EQ(longer.Code, 1) << longer.Out;
  EXPECT_NE(longer.Out.find("cannot resume: " + local +
                            " (3000 bytes) is longer than small.bin "
                            "on the server (1000 bytes); " +
                            local + " is left as it was (--overwrite replaces it)"),
            std::string::npos)
      << longer.Out;
  EXPECT_TRUE(ftptest::SameFiles(local, keep)) << "the local file was touched";

  std::filesystem::resize_file(local, 0);  // an empty file has nothing to lose
  ProgramRun empty = get();
  EXPECT_EQ(empty.Code, 0) << empty.Out;
  EXPECT_TRUE(ftptest::SameFiles(local, remote));

  std::filesystem::resize_file(local, 400);
  ProgramRun shorter = get();
  EXPECT_EQ(shorter.Code, 0) << shorter.Out;
  EXPECT_TRUE(ftptest::SameFiles(local, remote));

  ftptest::WriteRandomFile(local, 3000, 22);
  ProgramRun replaced =
      RunStaylineFtp(url + " get small.bin '" + local + "' --overwrite", home_.Path());
  EXPECT_EQ(replaced.Code, 0) << replaced.Out;
  EXPECT_TRUE(ftptest::SameFiles(local, remote));

  // put: the server's longer copy stays.
  const std::string longRemote = server_->Root() + "/long.bin";
  ftptest::WriteRandomFile(longRemote, 3000, 23);
  ftptest::WriteRandomFile(keep, 3000, 23);
  ProgramRun put = RunStaylineFtp(url + " put '" + remote + "' long.bin --resume", home_.Path());
  EXPECT_EQ(put.Code, 1) << put.Out;
  EXPECT_NE(put.Out.find("cannot resume: long.bin on the server (3000 bytes) is longer than"),
            std::string::npos)
      << put.Out;
  EXPECT_TRUE(ftptest::SameFiles(longRemote, keep)) << "the remote file was touched";
}

TEST_P(Cli, ErrorsShowTheServerReplyAndTheSystemReason) {
  const std::string url = "'" + server_->Url() + "'";
  ftptest::WriteRandomFile(server_->Root() + "/seen.txt", 10, 24);
  ProgramRun refused = RunStaylineFtp(url + " rm nothere.bin", home_.Path());
  EXPECT_EQ(refused.Code, 1);
  EXPECT_NE(refused.Out.find("PermissionDenied (29): Zugriff verweigert oder Datei existiert "
                             "nicht (server: 550 "),
            std::string::npos)
      << refused.Out;
  const std::string missing = home_.Path() + "/missing.bin";
  ProgramRun put = RunStaylineFtp(url + " put '" + missing + "' x.bin", home_.Path());
  EXPECT_EQ(put.Code, 1);
  EXPECT_NE(put.Out.find("FileOpen (20): " + missing + ": No such file or directory"),
            std::string::npos)
      << put.Out;
  const std::string nowhere = home_.Path() + "/no/such/folder.bin";
  ProgramRun get = RunStaylineFtp(url + " get seen.txt '" + nowhere + "'", home_.Path());
  EXPECT_EQ(get.Code, 1);
  EXPECT_NE(get.Out.find("FileOpen (20): " + nowhere + ": No such file or directory"),
            std::string::npos)
      << get.Out;
}

// A name from the listing cannot drive the terminal: control characters come out as \xHH.
TEST_P(Cli, ListedNamesAreEscaped) {
  ftptest::WriteRandomFile(server_->Root() + "/evil\x1B]0;owned\x07\x1B[2Jname.txt", 10, 25);
  ProgramRun ls = RunStaylineFtp("--no-cache '" + server_->Url() + "' ls", home_.Path());
  EXPECT_EQ(ls.Code, 0) << ls.Out;
  EXPECT_NE(ls.Out.find("\tevil\\x1B]0;owned\\x07\\x1B[2Jname.txt\t"), std::string::npos) << ls.Out;
  EXPECT_EQ(ls.Out.find('\x1B'), std::string::npos);
  EXPECT_EQ(ls.Out.find('\x07'), std::string::npos);
}

// Peak resident memory (KiB) of one stayline-ftp run, by GNU time; -1 when it cannot be measured.
long PeakKiB(const std::string& args, const std::string& home) {
  if (::access("/usr/bin/time", X_OK) != 0) return -1;
  const std::string report = home + "/peak.txt";
  const ProgramRun run = RunStaylineFtp(args, home, "/usr/bin/time -f %M -o '" + report + "'");
  if (run.Code != 0) return -1;
  std::ifstream in(report);
  long kib = -1;
  in >> kib;
  return kib;
}

TEST_P(Cli, TransfersStreamWithoutGrowingWithTheFile) {
  const std::string local = home_.Path() + "/big.bin";
  ftptest::WriteRandomFile(local, 96u << 20, 9);
  const std::string url = "'" + server_->Url() + "'";
  const long up = PeakKiB(url + " put '" + local + "' big.bin --overwrite", home_.Path());
  if (up < 0) GTEST_SKIP() << "no GNU time here";
  const long down = PeakKiB(url + " get big.bin '" + local + ".back'", home_.Path());
  EXPECT_TRUE(ftptest::SameFiles(local, local + ".back"));
  // 96 MiB went each way; the program itself needs a few MiB.
  EXPECT_LT(up, 24 * 1024);
  EXPECT_LT(down, 24 * 1024);
}

TEST_P(Cli, PasswordFromTheEnvironmentHiddenInTheProtocol) {
  if (GetParam() == TestFtpServer::Kind::kVsftpd) GTEST_SKIP() << "anonymous takes any password";
  const std::string base = "ftp://user@127.0.0.1:" + std::to_string(server_->Port()) + "/";
  ProgramRun ok =
      RunStaylineFtp("-v " + base + " ls", home_.Path(), "STAYLINE_FTP_PASSWORD=secret");
  EXPECT_EQ(ok.Code, 0) << ok.Out;
  EXPECT_NE(ok.Out.find("> Passwort wird gesendet"), std::string::npos) << ok.Out;
  EXPECT_EQ(ok.Out.find("secret"), std::string::npos) << ok.Out;
  ProgramRun wrong = RunStaylineFtp(base + " ls", home_.Path(), "STAYLINE_FTP_PASSWORD=wrong");
  EXPECT_EQ(wrong.Code, 1);
  EXPECT_NE(wrong.Out.find("AccessDenied (26): 530"), std::string::npos) << wrong.Out;
}

INSTANTIATE_TEST_SUITE_P(Ftp, Cli,
                         testing::Values(TestFtpServer::Kind::kPyftpdlib,
                                         TestFtpServer::Kind::kVsftpd),
                         [](const auto& info) {
                           return info.param == TestFtpServer::Kind::kPyftpdlib ? "pyftpdlib"
                                                                                : "vsftpd";
                         });

TEST(CliOffline, UsageErrorsAndParse) {
  ftptest::TempDir home;
  EXPECT_EQ(RunStaylineFtp("", home.Path()).Code, 2);
  EXPECT_EQ(RunStaylineFtp("http://x ls", home.Path()).Code, 2);
  EXPECT_EQ(RunStaylineFtp("--type Nonsense ftp://127.0.0.1/ ls", home.Path()).Code, 2);
  EXPECT_EQ(RunStaylineFtp("ftp://127.0.0.1/ frobnicate", home.Path()).Code, 2);
  const std::string listing = home.Path() + "/listing.txt";
  FILE* f = std::fopen(listing.c_str(), "w");
  std::fputs(
      "drwxr-xr-x   2 u g 4096 Jan  1  2020 sub dir\r\n-rw-r--r--   1 u g 12 Jan  1  2020 "
      "a.txt\r\n-rw-r--r--   1 u g 12 Jan  1  2020 \x1B[2Jwipe\r\n",
      f);
  std::fclose(f);
  ProgramRun parsed = RunStaylineFtp("parse --type unix < '" + listing + "'", home.Path());
  EXPECT_EQ(parsed.Code, 0) << parsed.Out;
  EXPECT_NE(parsed.Out.find("dir\t"), std::string::npos) << parsed.Out;
  EXPECT_NE(parsed.Out.find("\tsub dir\t"), std::string::npos) << parsed.Out;
  EXPECT_NE(parsed.Out.find("\ta.txt\t"), std::string::npos) << parsed.Out;
  EXPECT_NE(parsed.Out.find("\t\\x1B[2Jwipe\t"), std::string::npos) << parsed.Out;
  EXPECT_EQ(parsed.Out.find('\x1B'), std::string::npos) << parsed.Out;
}

}  // namespace
