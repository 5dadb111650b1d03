// stayline-ftp against servers that misbehave: a download cut off half-way, a connection closed
// before a command's answer, a URL that tries to smuggle a command in, an initial folder the
// server refuses. The server is scripted, on
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

// What a plain get asks before the download: the file's size.
Script AskSize(const std::string& reply) {
  return {"C: TYPE I", "S: 200 binary", "C: SIZE f.bin", reply};
}

// A download that ends short of the file fails, whichever way the size is known; what arrived
// stays for a later --resume. Without any size known there is nothing to hold it against.
TEST(CliHostile, CutOffDownloadExitsOne) {
  const Script login = Concat(Login(), {"C: PWD", "S: 257 \"/\""});
  const Script halfThen226 = {"D: half", "DCLOSE", "S: 226 done"};
  struct Case {
    std::string name;
    Script script;
    std::string options;
    std::string localBefore;  // empty: no local file
    int code;
    std::string said;
  };
  const std::vector<Case> cases = {
      {"both connections close after half the file",
       Concat(login, Concat(AskSize("S: 550 no size here"),
                            Concat(kRetr, {"D: half", "DCLOSE", "CLOSE"}))),
       "", "", 1, "PrematureDisconnect (16)"},
      {"half of the SIZE, then 226",
       Concat(login, Concat(AskSize("S: 213 20"), Concat(kRetr, halfThen226))), "", "", 1,
       "TransferGet (34): \u00DCbertragene Gr\u00F6\u00DFe weicht ab: f.bin (6 statt 20 Bytes)"},
      {"half of what the 150 reply announces, then 226",
       Concat(login, Concat(AskSize("S: 502 SIZE not implemented"),
                            Concat(Script(kRetr.begin(), kRetr.end() - 1),
                                   Concat({"S: 150 Opening BINARY mode data connection for f.bin "
                                           "(20 bytes)."},
                                          halfThen226)))),
       "", "", 1, "TransferGet (34)"},
      {"half of the SIZE, then 226, replacing a target",
       Concat(login, Concat(AskSize("S: 213 20"), Concat(kRetr, halfThen226))), "--overwrite",
       "old", 1, "TransferGet (34)"},
      {"half, then 226, on a resume whose size the server told",
       Concat(login, {"C: TYPE I", "S: 200 binary", "C: SIZE f.bin", "S: 213 20", "C: REST 4",
                      "S: 350 ok", "C: PASV", "S: 227 Entering Passive Mode (127,0,0,1,{p1},{p2}).",
                      "C: RETR f.bin", "S: 150 here it comes", "D: half", "DCLOSE", "S: 226 done"}),
       "--resume", "abcd", 1, "TransferGet (34)"},
      {"no size known: a SIZE answer that is no number",
       Concat(login, Concat(AskSize("S: 213 twenty"),
                            Concat(kRetr, Concat(halfThen226, {"C: QUIT", "S: 221 bye"})))),
       "", "", 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ftptest::TempDir home;
    const std::string local = home.Path() + "/out.bin";
    if (!c.localBefore.empty()) std::ofstream(local, std::ios::binary) << c.localBefore;
    FakeFtpServer server(c.script);
    const ftptest::ProgramRun run = ftptest::RunStaylineFtp(
        "--no-cache " + Url(server) + " get f.bin '" + local + "' " + c.options, home.Path());
    EXPECT_EQ(run.Code, c.code) << run.Out;
    EXPECT_NE(run.Out.find(c.said), std::string::npos) << run.Out;
    // Only a resume keeps what was there; the data received stays in any case.
    const std::string kept = c.options == "--resume" ? c.localBefore : std::string();
    if (run.Code == 0 || c.script.back() != "CLOSE") {
      EXPECT_EQ(ReadFile(local), kept + "half\r\n");
    }
    EXPECT_TRUE(server.Failures().empty()) << server.Failures().front();
  }
}

// A command the server never answered is no success, though the engine only says the connection
// went.
TEST(CliHostile, ConnectionClosedBeforeTheAnswerFails) {
  struct Case {
    std::string command;
    std::string path;  // of the address
    Script steps;      // after the login, up to the close
  };
  const Script pwd = {"C: PWD", "S: 257 \"/\""};
  const std::vector<Case> cases = {
      {"mkdir x", "", Concat(pwd, {"C: MKD x"})},
      {"rmdir x", "", Concat(pwd, {"C: RMD x"})},
      {"rm f.bin", "", Concat(pwd, {"C: DELE f.bin"})},
      {"rename a b", "", Concat(pwd, {"C: RNFR a", "S: 350 go on", "C: Rnto b"})},
      {"ls sub", "", Concat(pwd, {"C: CWD sub"})},
      {"ls", "/sub", {"C: CWD sub"}},
      {"get f.bin out.bin", "", Concat(pwd, {"C: TYPE I", "S: 200 binary", "C: SIZE f.bin"})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command);
    FakeFtpServer server(Concat(Concat(Login(), c.steps), {"CLOSE"}));
    ftptest::TempDir home;
    const ftptest::ProgramRun run =
        ftptest::RunStaylineFtp("--no-cache " + Url(server, c.path) + " " + c.command, home.Path());
    EXPECT_EQ(run.Code, 1) << run.Out;
    EXPECT_NE(run.Out.find("connection closed by the server before it answered " +
                           c.steps.back().substr(3)),
              std::string::npos)
        << run.Out;
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
