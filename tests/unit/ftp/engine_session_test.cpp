// The engine against a scripted server: the exchanges real servers rarely produce.

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <optional>
#include <sstream>

#include "core/poll_loop.h"
#include "core/sim_loop.h"
#include "ftp/tm_ftp.h"
#include "unit/ftp/support/engine_recorder.h"
#include "unit/ftp/support/fake_ftp_server.h"

namespace {

using ftptest::EngineRecorder;
using ftptest::FakeFtpServer;
using Script = std::vector<std::string>;

// USER/PASS, SYST, the binary REST probe and the initial folder, as a cooperative server plays it.
Script LoginScript(const std::string& greeting = "S: 220 hello") {
  return {greeting,        "C: USER user", "S: 331 password please", "C: PASS pw",
          "S: 230 in",     "C: SYST",      "S: 215 UNIX Type: L8",   "C: TYPE I",
          "S: 200 binary", "C: REST 100",  "S: 350 restart ok",      "C: REST 0",
          "S: 350 ok",     "C: CWD /",     "S: 250 \"/\" is current"};
}

Script Concat(Script a, const Script& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

void Prepare(ftp::TMFtp& ftp, const FakeFtpServer& server) {
  ftp.Server = "127.0.0.1";
  ftp.Port = server.Port();
  ftp.Username = "user";
  ftp.Password = "pw";
  ftp.Retries = 0;
  ftp.TimeOut = 5;
  ftp.NoopInterval = 0;
  ftp.Passive = true;
}

// A scripted server and an engine on a real-time loop, logged in by LogIn().
struct Session {
  explicit Session(Script script) : server(std::move(script)) { Prepare(ftp, server); }
  [[nodiscard]] bool LogIn() {
    ftp.Login();
    const bool done = rec.WaitFor(loop, "LoggedIn");
    rec.Clear();
    return done;
  }
  FakeFtpServer server;
  core::PollLoop loop;
  ftp::TMFtp ftp{loop};
  EngineRecorder rec{ftp};
};

TEST(EngineSession, MultiLineGreetingReachesTheContinuationOnceAndSyst5xxMeansDefault) {
  Script script = {"S: 220-Welcome to the test",
                   "S: 220-second line",
                   "S: 220 last line",
                   "C: USER user",
                   "S: 230 no password needed",
                   "C: SYST",
                   "S: 502 not implemented",
                   "C: TYPE I",
                   "S: 200 ok",
                   "C: REST 100",
                   "S: 502 no",
                   "C: CWD /",
                   "S: 250 Directory successfully changed.",
                   "C: PWD",
                   "S: 257 \"/home/user\" is the current directory"};
  FakeFtpServer server(script);
  core::PollLoop loop;
  ftp::TMFtp ftp(loop);
  EngineRecorder rec(ftp);
  Prepare(ftp, server);
  ASSERT_TRUE(ftp.Login());
  ASSERT_TRUE(rec.WaitFor(loop, "LoggedIn")) << rec.Dump();
  EXPECT_TRUE(server.Failures().empty()) << server.Failures().front();
  EXPECT_EQ(rec.Count("info 16 220-Welcome to the test\r\n220-second line\r\n220 last line"), 1);
  EXPECT_EQ(ftp.ServerType, ftp::TMFtpServerType::ftpstDefault);
  EXPECT_FALSE(ftp.SupportsResume());
  EXPECT_TRUE(rec.Has("info 17 Diese Seite kann keine"));
  EXPECT_EQ(ftp.CurrentDir(), "/home/user");
  EXPECT_EQ(ftp.Location(), "ftp://127.0.0.1:" + std::to_string(server.Port()) + "/home/user/");
  // Ready comes before the operation's own event; info 12 before both.
  EXPECT_LT(rec.IndexOf("info 12 Verbinden"), rec.IndexOf("ready"));
  EXPECT_LT(rec.IndexOf("ready"), rec.IndexOf("LoggedIn"));
  EXPECT_TRUE(rec.Has("info 4 Passwort wird gesendet") || !rec.Has("info 4 PASS"));
}

TEST(EngineSession, LoginSequenceForEveryProxyType) {
  using P = ftp::TMFtpProxyType;
  struct Case {
    P type;
    Script firstSteps;  // up to and including the real USER's reply
  };
  const std::vector<Case> cases = {
      {P::proxyHost, {"C: HOST real.example", "S: 220 go", "C: USER user", "S: 331 pw"}},
      {P::proxyOpen, {"C: OPEN real.example", "S: 220 go", "C: USER user", "S: 331 pw"}},
      {P::proxyHostUser, {"C: USER real.example:2121!user", "S: 331 pw"}},
      {P::proxyUserSite, {"C: USER user@real.example:2121", "S: 331 pw"}},
      {P::proxySite,
       {"C: USER puser", "S: 331 proxy pw", "C: PASS ppw", "S: 230 proxy ok",
        "C: SITE real.example", "S: 220 site", "C: USER user", "S: 331 pw"}},
  };
  for (const auto& c : cases) {
    Script script = Concat({"S: 220 proxy ready"}, c.firstSteps);
    script = Concat(
        script, {"C: PASS pw", "S: 230 in", "C: TYPE I", "S: 200 ok", "C: REST 100", "S: 350 ok",
                 "C: REST 0", "S: 350 ok", "C: CWD /pub", "S: 250 \"/pub\" ok"});
    FakeFtpServer proxy(script);
    core::PollLoop loop;
    ftp::TMFtp ftp(loop);
    EngineRecorder rec(ftp);
    Prepare(ftp, proxy);
    ftp.Server = "real.example";  // only named to the proxy, never connected
    ftp.Port = 2121;
    ftp.ProxyServer = "127.0.0.1";
    ftp.ProxyPort = proxy.Port();
    ftp.ProxyType = c.type;
    ftp.ProxyUsername = "puser";
    ftp.ProxyPassword = "ppw";
    ftp.ServerType = ftp::TMFtpServerType::ftpstUNIX;  // known: no SYST
    ftp.InitialDirectory = "/pub";
    ftp.Login();
    EXPECT_TRUE(rec.WaitFor(loop, "LoggedIn")) << static_cast<int>(c.type) << "\n" << rec.Dump();
    EXPECT_TRUE(proxy.Failures().empty())
        << static_cast<int>(c.type) << ": " << proxy.Failures().front();
    EXPECT_TRUE(ftp.SupportsResume());
  }
}

TEST(EngineSession, RefusedLoginAndGreetingCloseTheSession) {
  struct Case {
    Script script;
    std::string error;
  };
  const std::vector<Case> cases = {
      {{"S: 220 hi", "C: USER user", "S: 331 pw", "C: PASS pw", "S: 530 Login incorrect."},
       "error 26 530 Login incorrect."},
      {{"S: 220 hi", "C: USER user", "S: 530 go away"}, "error 26 530 go away"},
      {{"S: 421 Too many users"}, "error 25 421 Too many users"},
      {{"S: 220 hi", "C: USER user", "S: 331 pw", "C: PASS pw", "S: 332 account", "C: ACCT acc",
        "S: 530 no"},
       "error 26 530 no"},
  };
  for (const auto& c : cases) {
    FakeFtpServer server(c.script);
    core::PollLoop loop;
    ftp::TMFtp ftp(loop);
    EngineRecorder rec(ftp);
    Prepare(ftp, server);
    ftp.Account = "acc";
    ftp.Login();
    ASSERT_TRUE(rec.WaitReady(loop)) << rec.Dump();
    EXPECT_TRUE(rec.Has(c.error)) << rec.Dump();
    EXPECT_FALSE(ftp.Connected());
    EXPECT_FALSE(ftp.LoggedIn());
    EXPECT_FALSE(rec.Has("LoggedIn"));
    EXPECT_TRUE(server.Failures().empty());
  }
}

TEST(EngineSession, QuestionsFillMissingUserAndPassword) {
  FakeFtpServer server(Concat(LoginScript(), {}));
  core::PollLoop loop;
  ftp::TMFtp ftp(loop);
  EngineRecorder rec(ftp);
  Prepare(ftp, server);
  ftp.Username.clear();
  ftp.Password.clear();
  ftp.OnFtpNeedInfo = [](ftp::TMFtpInfoNeeded need, std::string& value) {
    if (need == ftp::TMFtpInfoNeeded::kUserName) value = "user";
    if (need == ftp::TMFtpInfoNeeded::kPassword) value = "pw";
  };
  ftp.Login();
  EXPECT_TRUE(rec.WaitFor(loop, "LoggedIn")) << rec.Dump();
  EXPECT_TRUE(server.Failures().empty()) << server.Failures().front();
}

TEST(EngineSession, RefusedFileAndFolderCommandsRaise29AndTheEngineStaysUsable) {
  Script script = Concat(LoginScript(),
                         {"C: CWD nope", "S: 550 no such folder", "C: MKD x", "S: 550 denied",
                          "C: RMD x", "S: 550 not empty", "C: DELE gone.txt", "S: 550 no such file",
                          "C: RNFR a", "S: 550 no a", "C: RNFR b", "S: 350 ready", "C: Rnto c",
                          "S: 553 bad name", "C: MKD ok", "S: 257 \"/ok\" created"});
  FakeFtpServer server(script);
  core::PollLoop loop;
  ftp::TMFtp ftp(loop);
  EngineRecorder rec(ftp);
  Prepare(ftp, server);
  ftp.Login();
  ASSERT_TRUE(rec.WaitFor(loop, "LoggedIn")) << rec.Dump();
  const std::vector<std::function<bool()>> refused = {
      [&] { return ftp.ChangeDir("nope"); }, [&] { return ftp.MakeDir("x"); },
      [&] { return ftp.RemoveDir("x"); },    [&] { return ftp.DeleteFile("gone.txt"); },
      [&] { return ftp.Rename("a", "x"); },  [&] { return ftp.Rename("b", "c"); }};
  for (std::size_t i = 0; i < refused.size(); ++i) {
    rec.Clear();
    ASSERT_TRUE(refused[i]()) << i;
    ASSERT_TRUE(rec.WaitReady(loop)) << i << rec.Dump();
    EXPECT_TRUE(rec.Has("error 29 Zugriff verweigert oder Datei existiert nicht"))
        << i << rec.Dump();
    EXPECT_EQ(ftp.LastError(), ftp::FtpError::kPermissionDenied);
    EXPECT_TRUE(ftp.Connected());
  }
  EXPECT_TRUE(ftp.DeleteSent);
  rec.Clear();
  ftp.MakeDir("ok");
  ASSERT_TRUE(rec.WaitReady(loop));
  EXPECT_TRUE(rec.Has("DirectoryCreated")) << rec.Dump();
  EXPECT_EQ(ftp.LastError(), ftp::FtpError::kNone);
  EXPECT_TRUE(server.Failures().empty()) << server.Failures().front();
}

TEST(EngineSession, PasvNamingAnotherAddressConnectsToTheServerItself) {
  Script script = Concat(
      LoginScript(),
      {"C: TYPE A", "S: 200 ascii", "C: PASV", "S: 227 Entering Passive Mode (10,0,0,1,{p1},{p2}).",
       "C: LIST -a", "S: 150 here it comes", "D: drwxr-xr-x   2 u g 4096 Jan  1  2020 .",
       "D: drwxr-xr-x   2 u g 4096 Jan  1  2020 sub dir",
       "D: -rw-r--r--   1 u g   12 Jan  1  2020 a file.txt", "DCLOSE", "S: 226 done"});
  Session session(script);
  auto& [server, loop, ftp, rec] = session;
  ASSERT_TRUE(session.LogIn()) << rec.Dump();
  ASSERT_TRUE(ftp.Refresh());
  ASSERT_TRUE(rec.WaitReady(loop)) << rec.Dump();
  EXPECT_TRUE(rec.Has("info 7 PASV nennt 10.0.0.1, verbunden wird mit 127.0.0.1")) << rec.Dump();
  ASSERT_EQ(ftp.Folders().size(), 1u);
  EXPECT_EQ(ftp.Folders()[0].Name, "sub dir");
  ASSERT_EQ(ftp.Files().size(), 1u);
  EXPECT_EQ(ftp.Files()[0].Name, "a file.txt");
  EXPECT_EQ(rec.Count("info 15 Folder"), 1);
  EXPECT_EQ(rec.Count("info 15 File"), 1);
  EXPECT_TRUE(rec.Has("ListingDone"));
  EXPECT_EQ(ftp.RawListing().size(), 3u);
  EXPECT_TRUE(server.Failures().empty()) << server.Failures().front();
}

TEST(EngineSession, EndlessReplyLineEndsWithProtocolError) {
  FakeFtpServer server({"ENDLESS"});
  core::PollLoop loop;
  ftp::TMFtp ftp(loop);
  EngineRecorder rec(ftp);
  Prepare(ftp, server);
  ftp.Login();
  ASSERT_TRUE(rec.WaitReady(loop)) << rec.Dump();
  EXPECT_TRUE(rec.Has("error 12")) << rec.Dump();
  EXPECT_FALSE(ftp.Connected());
}

TEST(EngineSession, EndlessListingLineEndsWithProtocolErrorAndTheSessionGoesOn) {
  Script script = Concat(LoginScript(), {"C: TYPE A", "S: 200 ascii", "C: PASV",
                                         "S: 227 Entering Passive Mode (127,0,0,1,{p1},{p2}).",
                                         "C: LIST -a", "S: 150 here it comes", "DENDLESS",
                                         "S: 426 connection closed; transfer aborted",
                                         "C: MKD next", "S: 257 \"/next\" created"});
  Session session(script);
  auto& [server, loop, ftp, rec] = session;
  ASSERT_TRUE(session.LogIn()) << rec.Dump();
  ASSERT_TRUE(ftp.Refresh());
  ASSERT_TRUE(rec.WaitReady(loop)) << rec.Dump();
  EXPECT_EQ(rec.Count("error 12 Zeile der Dateiliste zu lang"), 1) << rec.Dump();
  EXPECT_FALSE(rec.Has("ListingDone"));
  EXPECT_TRUE(ftp.Files().empty());
  // The LIST reply was taken as the listing's answer, so the next command pairs with its own.
  rec.Clear();
  ASSERT_TRUE(ftp.MakeDir("next"));
  ASSERT_TRUE(rec.WaitReady(loop)) << rec.Dump();
  EXPECT_TRUE(rec.Has("DirectoryCreated")) << rec.Dump();
  EXPECT_TRUE(server.Failures().empty()) << server.Failures().front();
}

TEST(EngineSession, AbortSendsInterruptProcessTheUrgentDataMarkAndAbor) {
  struct Case {
    bool listing;
    Script start;  // from the transfer's TYPE to its first data
  };
  const Case cases[] = {
      {false,
       {"C: TYPE I", "S: 200 binary", "C: PASV",
        "S: 227 Entering Passive Mode (127,0,0,1,{p1},{p2}).", "C: RETR big.bin",
        "S: 150 here it comes", "D: the first bytes of a long file"}},
      {true,
       {"C: TYPE A", "S: 200 ascii", "C: PASV",
        "S: 227 Entering Passive Mode (127,0,0,1,{p1},{p2}).", "C: LIST -a", "S: 150 here it comes",
        "D: -rw-r--r--   1 u g 12 Jan  1  2020 first.txt"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.listing ? "listing" : "download");
    // Without SO_OOBINLINE the urgent byte (the Data Mark's 0xF2) leaves the ordinary stream,
    // so the line the server reads shows that it went as urgent data.
    Script script =
        Concat(Concat(LoginScript(), c.start), {"C: \xFF\xF4\xFF"
                                                "ABOR",
                                                "S: 426 transfer aborted", "S: 226 abort done",
                                                "C: MKD after", "S: 257 \"/after\" created"});
    Session session(script);
    auto& [server, loop, ftp, rec] = session;
    ASSERT_TRUE(session.LogIn()) << rec.Dump();
    const std::string local = ::testing::TempDir() + "/abort-" + std::to_string(server.Port());
    std::remove(local.c_str());
    ASSERT_TRUE(c.listing ? ftp.Refresh() : ftp.Download("big.bin", local));
    ASSERT_TRUE(loop.RunUntil([&] { return ftp.BytesTransferred() > 0; }, 5000)) << rec.Dump();
    ftp.AbortTransfer();
    ASSERT_TRUE(rec.WaitReady(loop)) << rec.Dump();
    EXPECT_TRUE(rec.Has("Aborted")) << rec.Dump();
    EXPECT_FALSE(rec.Has("FileReceived") || rec.Has("ListingDone"));
    EXPECT_FALSE(rec.Has("error")) << rec.Dump();
    EXPECT_EQ(rec.Has("info 22 Dateilistenaufbau wurde abgebrochen"), c.listing) << rec.Dump();
    // Both replies were absorbed: the next command pairs with its own.
    rec.Clear();
    ASSERT_TRUE(ftp.MakeDir("after"));
    ASSERT_TRUE(rec.WaitReady(loop)) << rec.Dump();
    EXPECT_TRUE(rec.Has("DirectoryCreated")) << rec.Dump();
    EXPECT_TRUE(server.Failures().empty()) << server.Failures().front();
    std::remove(local.c_str());
  }
}

TEST(EngineSession, SynchronousOperationsReturnWhenDone) {
  Session session(Concat(LoginScript(), {"C: MKD one", "S: 257 \"/one\" created", "C: CWD one",
                                         "S: 250 \"/one\" is current"}));
  auto& [server, loop, ftp, rec] = session;
  ftp.Asynchronous = false;
  ASSERT_TRUE(ftp.Login());
  // The call pumped the loop: the whole login, its ready and its own event are behind us.
  EXPECT_TRUE(ftp.LoggedIn());
  EXPECT_FALSE(ftp.Busy());
  EXPECT_LT(rec.IndexOf("ready"), rec.IndexOf("LoggedIn")) << rec.Dump();
  ASSERT_TRUE(ftp.MakeDir("one"));
  EXPECT_TRUE(rec.Has("DirectoryCreated")) << rec.Dump();
  ASSERT_TRUE(ftp.ChangeDir("one"));
  EXPECT_TRUE(rec.Has("DirectoryChanged"));
  EXPECT_EQ(ftp.CurrentDir(), "/one");
  EXPECT_TRUE(server.Failures().empty()) << server.Failures().front();
}

TEST(EngineSession, BusyAndDisconnectedEnginesRefuseWithoutQueueing) {
  FakeFtpServer server(Concat(LoginScript(), {"C: MKD one", "S: 257 \"/one\" created"}));
  core::PollLoop loop;
  ftp::TMFtp ftp(loop);
  EngineRecorder rec(ftp);
  Prepare(ftp, server);
  EXPECT_FALSE(ftp.MakeDir("early"));
  EXPECT_TRUE(rec.Has("info 1 Keine Verbindung zum Server"));
  ftp.Login();
  EXPECT_FALSE(ftp.Login());
  ASSERT_TRUE(rec.WaitFor(loop, "LoggedIn")) << rec.Dump();
  rec.Clear();
  ASSERT_TRUE(ftp.MakeDir("one"));
  EXPECT_FALSE(ftp.ChangeDir("two"));
  EXPECT_FALSE(ftp.Upload("/nonexistent", "x"));
  EXPECT_FALSE(ftp.PutIssued);
  EXPECT_EQ(rec.Count("info 5 Die Komponente arbeitet zur Zeit"), 2);
  ASSERT_TRUE(rec.WaitReady(loop));
  EXPECT_TRUE(rec.Has("DirectoryCreated"));
  loop.RunFor(100);
  EXPECT_TRUE(server.Finished());
  const auto received = server.Received();
  EXPECT_EQ(std::count(received.begin(), received.end(), "CWD two"), 0);
}

TEST(EngineSession, ServerClosingTheConnectionEndsTheSession) {
  FakeFtpServer server(Concat(LoginScript(), {"C: MKD x", "CLOSE"}));
  core::PollLoop loop;
  ftp::TMFtp ftp(loop);
  EngineRecorder rec(ftp);
  Prepare(ftp, server);
  ftp.Login();
  ASSERT_TRUE(rec.WaitFor(loop, "LoggedIn")) << rec.Dump();
  rec.Clear();
  ftp.MakeDir("x");
  ASSERT_TRUE(rec.WaitFor(loop, "ready")) << rec.Dump();
  EXPECT_TRUE(rec.Has("info 1 Verbindung abgebrochen"));
  EXPECT_LT(rec.IndexOf("Quit"), rec.IndexOf("ready"));
  EXPECT_FALSE(rec.Has("DirectoryCreated"));
  EXPECT_FALSE(ftp.Connected());
  EXPECT_FALSE(ftp.LoggedIn());
  EXPECT_FALSE(ftp.Busy());
}

TEST(EngineSession, SilentServerTimesOutAndIsRetried) {
  FakeFtpServer server({"SILENT"});  // accepts, never greets; later attempts wait in the backlog
  core::SimLoop loop;
  ftp::TMFtp ftp(loop);
  EngineRecorder rec(ftp);
  Prepare(ftp, server);
  ftp.TimeOut = 20;
  ftp.Retries = 2;
  ftp.RetryInterval = 15;
  const std::int64_t start = loop.NowMs();
  ftp.Login();
  ASSERT_TRUE(rec.WaitReady(loop, 10 * 60 * 1000)) << rec.Dump();
  EXPECT_EQ(rec.Count("error 7 Connection timed out"), 3) << rec.Dump();
  EXPECT_EQ(rec.Count("info 18 Neuer Versuch..."), 2);
  EXPECT_EQ(rec.Count("info 21 Retry Finished"), 1);
  EXPECT_FALSE(ftp.Connected());
  // Three waits of 20 s and two pauses of 15 s, in virtual time.
  EXPECT_GE(loop.NowMs() - start, 3 * 20'000 + 2 * 15'000);
  EXPECT_LT(loop.NowMs() - start, 3 * 20'000 + 2 * 15'000 + 5'000);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

// The server starts a download and does not deliver the whole file; the engine must not call
// that a success. The partial file stays on disk for a later resume.
TEST(EngineSession, CutOffDownloadFailsAndKeepsThePartialFile) {
  const Script listing = {"C: TYPE A",
                          "S: 200 ascii",
                          "C: PASV",
                          "S: 227 Entering Passive Mode (127,0,0,1,{p1},{p2}).",
                          "C: LIST -a",
                          "S: 150 here it comes",
                          "D: -rw-r--r--   1 u g   20 Jan  1  2020 f.bin",
                          "D: lrwxrwxrwx   1 u g    5 Jan  1  2020 l.txt -> f.txt",
                          "DCLOSE",
                          "S: 226 done"};
  const Script retr = {"C: TYPE I", "S: 200 binary",
                       "C: PASV",   "S: 227 Entering Passive Mode (127,0,0,1,{p1},{p2}).",
                       "C: RETR *", "S: 150 here it comes"};
  struct Case {
    std::string name;
    bool listFirst;
    std::string remote;
    std::string localBefore;                // empty: no local file
    Script transfer;                        // from the first command of the download
    std::string outcome;                    // the error expected, or "FileReceived"
    std::optional<std::string> localAfter;  // nothing: depends on which socket is read first
  };
  const std::vector<Case> cases = {
      {"both connections close after half the data", false, "f.bin", "",
       Concat(retr, {"D: half", "DCLOSE", "CLOSE"}), "error 16 Verbindung abgebrochen",
       std::nullopt},
      {"the control connection closes while data is open", false, "f.bin", "",
       Concat(retr, {"D: half", "CLOSE"}), "error 16 Verbindung abgebrochen", std::nullopt},
      {"half of a listed size, then 226", true, "F.BIN", "",
       Concat(retr, {"D: half", "DCLOSE", "S: 226 done"}), "error 34", "half\r\n"},
      {"the whole listed size, then 226", true, "f.bin", "",
       Concat(retr, {"D: 0123456789abcdefgh", "DCLOSE", "S: 226 done"}), "FileReceived",
       "0123456789abcdefgh\r\n"},
      {"a link's listed size is not the file's", true, "l.txt", "",
       Concat(retr, {"D: 0123456789", "DCLOSE", "S: 226 done"}), "FileReceived", "0123456789\r\n"},
      {"no known size, then 226", false, "f.bin", "",
       Concat(retr, {"D: half", "DCLOSE", "S: 226 done"}), "FileReceived", "half\r\n"},
      {"half of the size the 150 reply announces, then 226", false, "f.bin", "",
       Concat(Script(retr.begin(), retr.end() - 1),
              {"S: 150 Opening BINARY mode data connection for f (6 bytes) (20 bytes).", "D: half",
               "DCLOSE", "S: 226 done"}),
       "error 34", "half\r\n"},
      {"the whole size the 150 reply announces", false, "f.bin", "",
       Concat(Script(retr.begin(), retr.end() - 1),
              {"S: 150 Opening BINARY mode data connection for f.bin (6 bytes).", "D: half",
               "DCLOSE", "S: 226 done"}),
       "FileReceived", "half\r\n"},
      {"a resume short of the SIZE, then 226",
       false,
       "f.bin",
       "abcd",
       {"C: TYPE I", "S: 200 binary", "C: SIZE f.bin", "S: 213 20", "C: REST 4", "S: 350 ok",
        "C: PASV", "S: 227 Entering Passive Mode (127,0,0,1,{p1},{p2}).", "C: RETR f.bin",
        "S: 150 here it comes", "D: half", "DCLOSE", "S: 226 done"},
       "error 34",
       "abcdhalf\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Session session(Concat(Concat(LoginScript(), c.listFirst ? listing : Script{}), c.transfer));
    auto& [server, loop, ftp, rec] = session;
    ftp.Cache = false;
    ASSERT_TRUE(session.LogIn()) << rec.Dump();
    if (c.listFirst) {
      ASSERT_TRUE(ftp.Refresh());
      ASSERT_TRUE(rec.WaitReady(loop)) << rec.Dump();
      rec.Clear();
    }
    const std::string local = ::testing::TempDir() + "/cut-" + std::to_string(server.Port());
    std::remove(local.c_str());
    if (!c.localBefore.empty()) std::ofstream(local, std::ios::binary) << c.localBefore;
    rec.Answer = "Resume";
    ASSERT_TRUE(ftp.Download(c.remote, local));
    ASSERT_TRUE(rec.WaitReady(loop)) << rec.Dump();
    EXPECT_TRUE(rec.Has(c.outcome)) << rec.Dump();
    EXPECT_EQ(rec.Has("FileReceived"), c.outcome == "FileReceived") << rec.Dump();
    if (c.localAfter) {
      EXPECT_EQ(ReadFile(local), *c.localAfter);
    }
    EXPECT_TRUE(server.Failures().empty()) << server.Failures().front();
    std::remove(local.c_str());
  }
}

// QuerySize gives the download right after it a size to be checked against; an answer that is
// no size leaves the size unknown and is no failure.
TEST(EngineSession, QueriedSizeChecksTheDownloadThatFollows) {
  const Script retr = {"C: TYPE I",     "S: 200 binary",
                       "C: PASV",       "S: 227 Entering Passive Mode (127,0,0,1,{p1},{p2}).",
                       "C: RETR f.bin", "S: 150 here it comes",
                       "D: half",       "DCLOSE",
                       "S: 226 done"};
  struct Case {
    std::string name;
    std::string asked;      // the file QuerySize asks about
    std::string typeReply;  // to TYPE I
    std::string sizeReply;  // empty: no SIZE is sent
    std::string outcome;
    bool sizeAllowedAfter;
  };
  const std::vector<Case> cases = {
      {"half of the size", "f.bin", "200 binary", "213 20", "error 34", true},
      {"the whole size", "f.bin", "200 binary", "213 6", "FileReceived", true},
      {"SIZE refused for the file", "f.bin", "200 binary", "550 no such file", "FileReceived",
       true},
      {"an answer that is no size", "f.bin", "200 binary", "213 2O", "FileReceived", true},
      {"no SIZE command on the server", "f.bin", "200 binary", "502 not implemented",
       "FileReceived", false},
      {"binary type refused", "f.bin", "504 no", "", "FileReceived", true},
      {"the size of another file", "g.bin", "200 binary", "213 20", "FileReceived", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Script query = {"C: TYPE I", "S: " + c.typeReply};
    if (!c.sizeReply.empty()) query = Concat(query, {"C: SIZE " + c.asked, "S: " + c.sizeReply});
    Session session(Concat(Concat(LoginScript(), query), retr));
    auto& [server, loop, ftp, rec] = session;
    ASSERT_TRUE(session.LogIn()) << rec.Dump();
    ASSERT_TRUE(ftp.QuerySize(c.asked));
    ASSERT_TRUE(rec.WaitReady(loop)) << rec.Dump();
    EXPECT_FALSE(rec.Has("error")) << rec.Dump();
    EXPECT_EQ(rec.Has("info 13 20"), c.sizeReply == "213 20") << rec.Dump();
    EXPECT_EQ(ftp.SizeAllowed(), c.sizeAllowedAfter);
    rec.Clear();
    const std::string local = ::testing::TempDir() + "/queried-" + std::to_string(server.Port());
    ASSERT_TRUE(ftp.Download("f.bin", local));
    ASSERT_TRUE(rec.WaitReady(loop)) << rec.Dump();
    EXPECT_TRUE(rec.Has(c.outcome)) << rec.Dump();
    EXPECT_EQ(ReadFile(local), "half\r\n");  // kept either way
    EXPECT_TRUE(server.Failures().empty()) << server.Failures().front();
    std::remove(local.c_str());
  }
}

TEST(EngineSession, InitialFolderThatCannotBeEnteredFailsTheLogin) {
  Script script = LoginScript();
  script.resize(script.size() - 2);
  script = Concat(script, {"C: CWD /nodir", "S: 550 /nodir: No such file or directory."});
  Session session(script);
  auto& [server, loop, ftp, rec] = session;
  ftp.InitialDirectory = "/nodir";
  ftp.Login();
  ASSERT_TRUE(rec.WaitReady(loop)) << rec.Dump();
  EXPECT_TRUE(rec.Has("error 29 Zugriff verweigert oder Datei existiert nicht")) << rec.Dump();
  EXPECT_EQ(ftp.LastReply(), "550 /nodir: No such file or directory.");
  EXPECT_FALSE(rec.Has("LoggedIn"));
  EXPECT_FALSE(rec.Has("info 12"));
  EXPECT_FALSE(ftp.LoggedIn());
  EXPECT_FALSE(ftp.Connected());
  EXPECT_TRUE(server.Failures().empty()) << server.Failures().front();
}

// A line break or NUL in an argument would let it carry a second command to the server.
TEST(EngineSession, ArgumentsWithLineBreaksOrNulAreRefusedAndNothingIsSent) {
  const std::string nul("a\0DELE x", 8);
  const std::string local = ::testing::TempDir() + "/inject-local";
  std::ofstream(local) << "x";
  const std::vector<std::pair<std::string, std::function<bool(ftp::TMFtp&)>>> operations = {
      {"CWD", [](ftp::TMFtp& f) { return f.ChangeDir("a\r\nDELE x"); }},
      {"MKD", [](ftp::TMFtp& f) { return f.MakeDir("a\nDELE x"); }},
      {"DELE", [&](ftp::TMFtp& f) { return f.DeleteFile(nul); }},
      {"RNFR", [](ftp::TMFtp& f) { return f.Rename("old", "new\rDELE x"); }},
      {"RETR", [&](ftp::TMFtp& f) { return f.Download("f\r\nDELE x", local + ".get"); }},
      {"STOR", [&](ftp::TMFtp& f) { return f.Upload(local, "f\nDELE x"); }},
  };
  Script script = LoginScript();
  for (std::size_t i = 0; i < operations.size(); ++i) {
    script = Concat(script, {"C: MKD ok" + std::to_string(i), "S: 257 \"/ok\" created"});
  }
  Session session(script);
  auto& [server, loop, ftp, rec] = session;
  ASSERT_TRUE(session.LogIn()) << rec.Dump();
  for (std::size_t i = 0; i < operations.size(); ++i) {
    SCOPED_TRACE(operations[i].first);
    rec.Clear();
    operations[i].second(ftp);
    ASSERT_TRUE(rec.WaitReady(loop)) << rec.Dump();
    EXPECT_TRUE(rec.Has("error 12 Flasche Syntax")) << rec.Dump();
    EXPECT_FALSE(rec.Has("info 4")) << rec.Dump();
    EXPECT_TRUE(ftp.Connected());
    // The session goes on: the next command pairs with its own reply.
    rec.Clear();
    ASSERT_TRUE(ftp.MakeDir("ok" + std::to_string(i)));
    ASSERT_TRUE(rec.WaitReady(loop)) << rec.Dump();
    EXPECT_TRUE(rec.Has("DirectoryCreated")) << rec.Dump();
  }
  EXPECT_FALSE(std::ifstream(local + ".get").good()) << "no local file for a refused download";
  EXPECT_TRUE(server.Failures().empty()) << server.Failures().front();
  std::remove(local.c_str());
}

TEST(EngineSession, LoginFieldsWithLineBreaksAreRefusedBeforeTheyAreSent) {
  struct Case {
    std::string name;
    std::function<void(ftp::TMFtp&)> spoil;
    Script script;
  };
  const Script fromCwd = {"S: 220 hello", "C: USER user", "S: 331 password please",
                          "C: PASS pw",   "S: 230 in",    "C: SYST",
                          "S: 215 UNIX",  "C: TYPE I",    "S: 200 binary",
                          "C: REST 100",  "S: 350 ok",    "C: REST 0",
                          "S: 350 ok"};
  const std::vector<Case> cases = {
      {"user", [](ftp::TMFtp& f) { f.Username = "user\r\nDELE x"; }, {"S: 220 hello"}},
      {"password",
       [](ftp::TMFtp& f) { f.Password = "pw\nDELE x"; },
       {"S: 220 hello", "C: USER user", "S: 331 password please"}},
      {"initial folder", [](ftp::TMFtp& f) { f.InitialDirectory = "a\r\nDELE x"; }, fromCwd},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Session session(c.script);
    auto& [server, loop, ftp, rec] = session;
    c.spoil(ftp);
    ftp.Login();
    ASSERT_TRUE(rec.WaitReady(loop)) << rec.Dump();
    EXPECT_TRUE(rec.Has("error 12 Flasche Syntax")) << rec.Dump();
    EXPECT_FALSE(rec.Has("LoggedIn"));
    EXPECT_FALSE(ftp.Connected());
    loop.RunFor(50);
    for (const auto& line : server.Received()) EXPECT_EQ(line.find("DELE"), std::string::npos);
    EXPECT_TRUE(server.Failures().empty()) << server.Failures().front();
  }
}

// A server that sends a reply one byte every few seconds, or stops sending the data a transfer's
// reply announced, must not hold the client forever.
TEST(EngineSession, RepliesAndOwedDataMustCompleteWithinTheTimeOut) {
  const std::string endless(200, 'z');
  const std::string local = ::testing::TempDir() + "/stalled-download";
  struct Case {
    std::string name;
    Script script;
    std::function<void(ftp::TMFtp&)> start;  // after login; none: the login itself
  };
  const std::vector<Case> cases = {
      {"greeting", {"S: 220-hello", "TRICKLE 220-" + endless}, nullptr},
      {"reply to a command",
       Concat(LoginScript(), {"C: MKD slow", "TRICKLE 257 \"/slow\" " + endless}),
       [](ftp::TMFtp& f) { f.MakeDir("slow"); }},
      {"data after the transfer's reply",
       Concat(LoginScript(),
              {"C: TYPE I", "S: 200 binary", "C: PASV",
               "S: 227 Entering Passive Mode (127,0,0,1,{p1},{p2}).", "C: RETR f.bin",
               "S: 150 here it comes", "D: some", "S: 226 done", "SILENT"}),
       [&](ftp::TMFtp& f) { f.Download("f.bin", local); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::remove(local.c_str());
    FakeFtpServer server(c.script);
    core::SimLoop loop;
    ftp::TMFtp ftp(loop);
    EngineRecorder rec(ftp);
    Prepare(ftp, server);
    ftp.TimeOut = 20;
    ftp.Login();
    if (c.start) {
      ASSERT_TRUE(rec.WaitFor(loop, "LoggedIn", 60'000)) << rec.Dump();
      rec.Clear();
      c.start(ftp);
    }
    const std::int64_t start = loop.NowMs();
    // One byte every four seconds of the engine's clock.
    std::function<void()> tick = [&] {
      server.Tick();
      loop.CallAfter(4'000, tick);
    };
    loop.CallAfter(4'000, tick);
    ASSERT_TRUE(rec.WaitFor(loop, "error 7 Connection timed out", 60'000)) << rec.Dump();
    EXPECT_LE(loop.NowMs() - start, 20'000 + 1'000);
    ASSERT_TRUE(rec.WaitReady(loop, 60'000));
    EXPECT_FALSE(ftp.Connected());
    EXPECT_FALSE(rec.Has("FileReceived"));
  }
  std::remove(local.c_str());
}

// The server drops the upload's data connection, then answers 150 and waits for another one:
// the time-out ends the session and names the dropped connection.
TEST(EngineSession, DataConnectionLostBeforeTheTransferReplyIsNamedAtTheTimeOut) {
  const std::string local = ::testing::TempDir() + "/dropped-upload";
  { std::ofstream(local) << "page"; }
  FakeFtpServer server(Concat(
      LoginScript(), {"C: TYPE I", "S: 200 binary", "C: SIZE page.html", "S: 550 no such file",
                      "C: PASV", "S: 227 Entering Passive Mode (127,0,0,1,{p1},{p2}).", "DCLOSE",
                      "C: STOR page.html", "S: 150 send it", "SILENT"}));
  core::SimLoop loop;
  ftp::TMFtp ftp(loop);
  EngineRecorder rec(ftp);
  Prepare(ftp, server);
  ftp.TimeOut = 20;
  ftp.Login();
  ASSERT_TRUE(rec.WaitFor(loop, "LoggedIn", 60'000)) << rec.Dump();
  rec.Clear();
  ftp.Upload(local, "page.html");
  ASSERT_TRUE(rec.WaitReady(loop, 60'000)) << rec.Dump();
  EXPECT_TRUE(
      rec.Has("error 7 Connection timed out (data connection: Verbindung vom Remote Host "
              "abgebrochen)"))
      << rec.Dump();
  EXPECT_FALSE(rec.Has("FileStored"));
  EXPECT_FALSE(ftp.Connected());
  std::remove(local.c_str());
}

TEST(EngineSession, AbortDuringLoginStopsTheRetries) {
  FakeFtpServer server({"SILENT"});
  core::SimLoop loop;
  ftp::TMFtp ftp(loop);
  EngineRecorder rec(ftp);
  Prepare(ftp, server);
  ftp.TimeOut = 20;
  ftp.Retries = 5;
  ftp.Login();
  ASSERT_TRUE(rec.WaitFor(loop, "info 18", 60'000)) << rec.Dump();
  ftp.AbortTransfer();
  ASSERT_TRUE(rec.WaitReady(loop, 60'000));
  EXPECT_TRUE(rec.Has("Aborted"));
  loop.RunFor(120'000);
  EXPECT_EQ(rec.Count("error 7"), 1) << rec.Dump();
}

TEST(EngineSession, KeepAliveSendsNoopWhenIdle) {
  FakeFtpServer server(
      Concat(LoginScript(), {"C: NOOP", "S: 200 still here", "C: NOOP", "S: 200 still here"}));
  core::SimLoop loop;
  loop.SetRealGraceMs(200);
  ftp::TMFtp ftp(loop);
  EngineRecorder rec(ftp);
  Prepare(ftp, server);
  ftp.NoopInterval = 30;
  ftp.TimeOut = 600;
  ftp.Login();
  ASSERT_TRUE(rec.WaitFor(loop, "LoggedIn", 60'000)) << rec.Dump();
  const std::int64_t loggedIn = loop.NowMs();
  ASSERT_TRUE(loop.RunUntil([&] { return rec.Count("info 4 NOOP") >= 2; }, 120'000)) << rec.Dump();
  EXPECT_GE(loop.NowMs() - loggedIn, 60'000);
  EXPECT_TRUE(server.Failures().empty()) << server.Failures().front();
}

}  // namespace
