// stayline-ftp against servers that misbehave: a download cut off half-way, a URL that tries to
// smuggle a command in, an initial folder the server refuses. The server is scripted, on
// loopback, in this process.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "integration/ftp/ftp_test_servers.h"
#include "unit/ftp/support/fake_ftp_server.h"

namespace {

using ftptest::FakeFtpServer;
using Script = std::vector<std::string>;

// The login stayline-ftp performs for "ftp://user:pw@host:port/..." up to its folder step.
Script Login() {
  return {"S: 220 hello",  "C: USER user", "S: 331 password please", "C: PASS pw",
          "S: 230 in",     "C: SYST",      "S: 215 UNIX Type: L8",   "C: TYPE I",
          "S: 200 binary", "C: REST 100",  "S: 350 restart ok",      "C: REST 0",
          "S: 350 ok"};
}

Script Concat(Script a, const Script& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

std::string Url(const FakeFtpServer& server, const std::string& path = {}) {
  return "'ftp://user:pw@127.0.0.1:" + std::to_string(server.Port()) + path + "'";
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

const Script kRetr = {"C: TYPE I",     "S: 200 binary",
                      "C: PASV",       "S: 227 Entering Passive Mode (127,0,0,1,{p1},{p2}).",
                      "C: RETR f.bin", "S: 150 here it comes"};

TEST(CliHostile, CutOffDownloadExitsOne) {
  struct Case {
    std::string name;
    Script script;
    std::string options;
    std::string localBefore;  // empty: no local file
    std::string error;
  };
  const std::vector<Case> cases = {
      {"both connections close after half the file",
       Concat(Login(),
              Concat({"C: PWD", "S: 257 \"/\""}, Concat(kRetr, {"D: half", "DCLOSE", "CLOSE"}))),
       "", "", "PrematureDisconnect (16)"},
      {"half the file, then 226, on a resume whose size the server told",
       Concat(Login(), {"C: PWD", "S: 257 \"/\"", "C: TYPE I", "S: 200 binary", "C: SIZE f.bin",
                        "S: 213 20", "C: REST 4", "S: 350 ok", "C: PASV",
                        "S: 227 Entering Passive Mode (127,0,0,1,{p1},{p2}).", "C: RETR f.bin",
                        "S: 150 here it comes", "D: half", "DCLOSE", "S: 226 done"}),
       "--resume", "abcd", "TransferGet (34)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ftptest::TempDir home;
    const std::string local = home.Path() + "/out.bin";
    if (!c.localBefore.empty()) std::ofstream(local, std::ios::binary) << c.localBefore;
    FakeFtpServer server(c.script);
    const ftptest::ProgramRun run = ftptest::RunStaylineFtp(
        "--no-cache " + Url(server) + " get f.bin '" + local + "' " + c.options, home.Path());
    EXPECT_EQ(run.Code, 1) << run.Out;
    EXPECT_NE(run.Out.find(c.error), std::string::npos) << run.Out;
    if (!c.localBefore.empty()) {
      // What arrived stays for a later --resume.
      EXPECT_EQ(ReadFile(local), c.localBefore + "half\r\n");
    }
    EXPECT_TRUE(server.Failures().empty()) << server.Failures().front();
  }
}

TEST(CliHostile, LineBreakInTheUrlPathSendsNoSecondCommand) {
  FakeFtpServer server(Login());
  ftptest::TempDir home;
  const ftptest::ProgramRun run =
      ftptest::RunStaylineFtp("--no-cache " + Url(server, "/a%0D%0ADELE%20x") + " ls", home.Path());
  EXPECT_EQ(run.Code, 1) << run.Out;
  EXPECT_NE(run.Out.find("Flasche Syntax"), std::string::npos) << run.Out;
  const auto received = server.Received();
  for (const std::string& line : received) {
    EXPECT_EQ(line.find("DELE"), std::string::npos) << line;
    EXPECT_NE(line.rfind("CWD", 0), 0u) << line;
  }
  EXPECT_TRUE(server.Failures().empty()) << server.Failures().front();
}

TEST(CliHostile, PutIntoAFolderTheServerRefusesFails) {
  FakeFtpServer server(
      Concat(Login(), {"C: CWD nodir", "S: 550 nodir: No such file or directory."}));
  ftptest::TempDir home;
  const std::string upload = home.Path() + "/up.txt";
  std::ofstream(upload) << "hello\n";
  const ftptest::ProgramRun run = ftptest::RunStaylineFtp(
      "--no-cache " + Url(server, "/nodir") + " put '" + upload + "' up.txt", home.Path());
  EXPECT_EQ(run.Code, 1) << run.Out;
  EXPECT_NE(run.Out.find("PermissionDenied (29)"), std::string::npos) << run.Out;
  const auto received = server.Received();
  ASSERT_FALSE(received.empty());
  EXPECT_EQ(received.back(), "CWD nodir");  // nothing after it: no TYPE, no STOR
  EXPECT_TRUE(server.Failures().empty()) << server.Failures().front();
}

}  // namespace
