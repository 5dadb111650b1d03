// Publishing the client IP by FTP: the loader of the connection data, the page, and the tick-driven
// procedure against a scripted FTP server on simulated time.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "app/auto_ftp.h"
#include "app/ftp_connection_loader.h"
#include "app/t_stayline.h"
#include "settings/settings_store.h"
#include "unit/app/support/ftp_scripts.h"
#include "unit/app/support/stayline_fixture.h"
#include "unit/ftp/support/fake_ftp_server.h"

namespace {

using app_test::Concat;
using app_test::LoginScript;
using app_test::Script;
using app_test::StaylineTest;
using ftptest::FakeFtpServer;
using Settings = std::map<std::string, std::string>;

std::string Scrambled(const std::string& text) {
  return settings::SettingsStore::ScrambleText(text);
}

// ---- LoadFtpConnection ----------------------------------------------------------------------

class FtpConnectionLoaderTest : public StaylineTest {};

TEST_F(FtpConnectionLoaderTest, TheModeFlagsAndTheExactNameChooseTheSource) {
  Start({{"FTP_Host", Scrambled("auto.example")},
         {"FTP_Login", Scrambled("autouser")},
         {"FTP_Password", Scrambled("autopw")},
         {"FTP_Port", ""},
         {"FTP_StartPath", "/www"},
         {"Port_PassiveTransfer", "1"},
         {"FTP_BinaryAscii", "0"},
         {"FTP_Trace", "0"},
         {"FTP_Security", "1"},
         {"TlsCAFile", "/etc/stayline/ca.pem"}});
  settings::TProfileData p;
  p.PProfil = "autoftp";
  p.PHost = "profile.example";
  p.PUserID = "puser";
  p.PPassword = "ppw";
  p.PHostDir = "/p";
  p.PPassive = "0";
  p.PTransferType = "1";
  p.PTrace = "1";
  p.PAnonym = "1";
  p.PPort = "";  // empty: the standard port
  store->WriteProfile("autoftp", p);

  app::FtpConnectionLoader& loader = main->FtpConnection();
  struct Case {
    bool autoMode;
    bool profileMode;
    std::string name;
    std::string host;  // empty: the record stays cleared
  };
  const std::vector<Case> cases = {
      {true, false, "AutoFTP", "auto.example"},
      {true, true, "AutoFTP", "auto.example"},
      {true, false, "autoftp", ""},
      {true, true, "autoftp", "profile.example"},
      {false, true, "autoftp", "profile.example"},
      {false, false, "AutoFTP", ""},
      {false, true, "", ""},
  };
  for (const Case& c : cases) {
    loader.AutoSettingsMode = c.autoMode;
    loader.ProfileMode = c.profileMode;
    const app::TFTPData& d = loader.LoadFtpConnection(c.name);
    SCOPED_TRACE(c.name + " auto " + std::to_string(c.autoMode) + " profile " +
                 std::to_string(c.profileMode));
    EXPECT_EQ(d.Host, c.host);
    if (c.host.empty()) {
      EXPECT_EQ(d, app::TFTPData{});
    }
  }

  loader.AutoSettingsMode = true;
  const app::TFTPData a = loader.LoadFtpConnection("AutoFTP");
  EXPECT_EQ(a.UserID, "autouser");
  EXPECT_EQ(a.Password, "autopw");
  EXPECT_EQ(a.HostDir, "/www");
  EXPECT_EQ(a.Port, 21);
  EXPECT_TRUE(a.Passive);
  EXPECT_TRUE(a.Ascii);  // "FTP_BinaryAscii" "0" is ASCII
  EXPECT_FALSE(a.Trace);
  EXPECT_FALSE(a.Anonymous);
  EXPECT_TRUE(a.Tls);
  // The engine takes the security and the CA file of the settings.
  main->Publisher().SetEngineUp(a);
  EXPECT_EQ(main->MFtp1().Security, ftp::TMFtpSecurity::ExplicitTls);
  EXPECT_EQ(main->MFtp1().TlsCAFile, "/etc/stayline/ca.pem");

  loader.AutoSettingsMode = false;
  loader.ProfileMode = true;
  const app::TFTPData q = loader.LoadFtpConnection("autoftp");
  EXPECT_EQ(q.UserID, "anonymous");  // the anonymous flag wins over the stored user
  EXPECT_EQ(q.Port, 21);
  EXPECT_FALSE(q.Passive);
  EXPECT_FALSE(q.Ascii);
  EXPECT_TRUE(q.Trace);
  // A profile from before the security value: plain FTP.
  EXPECT_FALSE(q.Tls);
  main->Publisher().SetEngineUp(q);
  EXPECT_EQ(main->MFtp1().Security, ftp::TMFtpSecurity::None);
}

TEST(FtpConnectionLoaderPort, EmptyOrNoNumberIsTheStandardPort) {
  EXPECT_EQ(app::FtpConnectionLoader::PortOf(""), 21);
  EXPECT_EQ(app::FtpConnectionLoader::PortOf("abc"), 21);
  EXPECT_EQ(app::FtpConnectionLoader::PortOf("21x"), 21);
  EXPECT_EQ(app::FtpConnectionLoader::PortOf(" 2121 "), 2121);
}

// ---- the page and the procedure -------------------------------------------------------------

const Script kUpload = {
    "C: DELE mydyn.htm", "S: 250 deleted",  "C: TYPE I",
    "S: 200 binary",     "C: PASV",         "S: 227 Entering Passive Mode (127,0,0,1,{p1},{p2}).",
    "C: STOR mydyn.htm", "S: 150 go ahead", "S: 226 stored"};

class AutoFtpTest : public StaylineTest {
 protected:
  void StartPublishing(std::uint16_t port, Settings extra = {}) {
    Settings s{{"FTP_Auto", "1"},
               {"FTP_Host", Scrambled("127.0.0.1")},
               {"FTP_Port", std::to_string(port)},
               {"FTP_Login", Scrambled("user")},
               {"FTP_Password", Scrambled("pw")},
               {"FTP_StartPath", "/"},
               {"FTP_UploadPath", paths.dataDir},
               {"Port_PassiveTransfer", "1"},
               {"FTPLogFile", "1"},
               {"ErrorDelay", "0"}};
    for (auto& [k, v] : extra) s[k] = v;
    StartAutoDial(s);
  }
  app::AutoFtp& Publisher() { return main->Publisher(); }
  app::AutoFtp::Session& Pub() { return main->Publisher().State(); }
  std::string FtpLog() const { return ReadFile(paths.dataDir + "/FTP.Log"); }
  bool PageExists() const { return std::filesystem::exists(main->LocalPagePath()); }
};

TEST_F(AutoFtpTest, TheNewAddressIsPublishedAndTheSessionClosedWhenTheLimitIsReached) {
  FakeFtpServer server(Concat(Concat(LoginScript(), kUpload), {"SILENT"}));
  StartPublishing(server.Port());
  ASSERT_TRUE(RunUntilOnline("10.64.0.10"));
  ASSERT_TRUE(Form().AutoFTPBox.Checked());
  const std::int64_t online = loop.NowMs();
  ASSERT_TRUE(RunUntil([&] { return Pub().FtpTransferDone; }, 10'000)) << FtpLog();
  EXPECT_TRUE(Pub().UploadIssued);
  EXPECT_TRUE(PageExists());
  ASSERT_TRUE(RunUntil([&] { return !Pub().AutoFtpArmed; }, 30'000)) << FtpLog();
  // twenty ticks from the first step to the close
  EXPECT_NEAR(static_cast<double>(loop.NowMs() - online), 20'000.0, 2'500.0);
  EXPECT_TRUE(server.Failures().empty()) << server.Failures().front();
  EXPECT_FALSE(main->MFtp1().Connected());
  EXPECT_FALSE(PageExists());
  EXPECT_FALSE(main->MFtp1().PutFileClosed);
  const std::string log = FtpLog();
  EXPECT_NE(log.find("\r\nStart AutoFTP Login - "), std::string::npos) << log;
  EXPECT_NE(log.find("\r\n\r\nAutoFTP Close - "), std::string::npos) << log;
  EXPECT_EQ(log.find("ReStart AutoFTP"), std::string::npos) << log;
  EXPECT_EQ(Form().TabSheet3.Caption(), "Auto FTP activ");
  // the same address once more is not published again
  RunFor(5000);
  EXPECT_EQ(server.Connections(), 1);
}

TEST_F(AutoFtpTest, ARedialWithANewAddressPublishesAgainWithGermanTexts) {
  const Script session = Concat(Concat(LoginScript(), kUpload), {"SILENT"});
  FakeFtpServer server(session);
  // The same server after the redial, on another port. The engine's marker of an opened upload
  // file stays set after a finished upload, so the later sessions store without a DELE first.
  FakeFtpServer second(
      Concat(Concat(LoginScript(), Script(kUpload.begin() + 2, kUpload.end())), {"SILENT"}));
  StartPublishing(server.Port(), {{"Language", "1"}, {"AutoFTPCountTimeOut", "6"}});
  std::vector<std::string> panels;
  const forms::Subscription watch =
      Form().Observe([&](const forms::Form&, const forms::Control* c, std::string_view) {
        if (c == &Form().StatusBar1) panels.push_back(Form().StatusBar1.Panel(1));
      });
  ASSERT_TRUE(RunUntilOnline("10.64.0.10"));
  ASSERT_TRUE(RunUntil([&] { return server.Connections() == 1 && !Pub().AutoFtpArmed; }, 20'000))
      << FtpLog();
  EXPECT_EQ(Form().TabSheet3.Caption(), "Auto FTP aktiv");
  for (const std::string text : {"Keine FTP Verbindung - Start FTP - 0", "FTP Verbindungsaufbau",
                                 "FTP Verbindung OK - Count - 3", "Verbindung getrennt."}) {
    EXPECT_NE(std::find(panels.begin(), panels.end(), text), panels.end()) << text;
  }
  EXPECT_NE(std::find_if(panels.begin(), panels.end(),
                         [](const std::string& p) {
                           return p.rfind("Auto-FileTransfer - Bitte warten - ", 0) == 0;
                         }),
            panels.end());
  EXPECT_TRUE(server.Failures().empty()) << server.Failures().front();
  store->WriteSetting("FTP_Port", std::to_string(second.Port()));
  Sim().SetNextClientIp("Office DSL", "10.64.0.99");
  Sim().Drop("");
  ASSERT_TRUE(RunUntilOnline("10.64.0.99", 10'000));
  ASSERT_TRUE(RunUntil([&] { return second.Connections() == 1 && !Pub().AutoFtpArmed; }, 20'000))
      << FtpLog();
  EXPECT_TRUE(second.Failures().empty()) << second.Failures().front();
  EXPECT_EQ(server.Connections(), 1);
  EXPECT_FALSE(PageExists());
  EXPECT_EQ(FtpLog().find("ReStart AutoFTP"), std::string::npos) << FtpLog();
}

// A real server supports resuming, so the upload asks SIZE first; a page still on the server
// (the old address) raises the engine's "file exists" question. Unattended, the new page must
// replace it without a dialog, else the old address stays published.
TEST_F(AutoFtpTest, APageStillOnTheServerIsReplacedWithoutAQuestion) {
  Script login = LoginScript();
  for (std::size_t i = 0; i < login.size(); ++i) {
    if (login[i] == "S: 502 no") {
      login[i] = "S: 350 restarting at 100";
      login.insert(login.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                   {"C: REST 0", "S: 350 restarting at 0"});
      break;
    }
  }
  const Script upload = {"C: DELE mydyn.htm", "S: 250 deleted",
                         "C: TYPE I",         "S: 200 binary",
                         "C: SIZE mydyn.htm", "S: 213 343",
                         "C: PASV",           "S: 227 Entering Passive Mode (127,0,0,1,{p1},{p2}).",
                         "C: STOR mydyn.htm", "S: 150 go ahead",
                         "S: 226 stored"};
  FakeFtpServer server(Concat(Concat(login, upload), {"SILENT"}));
  int dialogsShown = 0;
  dialogs.OnModal = [&](forms::Form&) { ++dialogsShown; };
  StartPublishing(server.Port());
  ASSERT_TRUE(RunUntilOnline("10.64.0.10"));
  ASSERT_TRUE(RunUntil([&] { return Pub().FtpTransferDone; }, 10'000)) << FtpLog();
  EXPECT_TRUE(server.Failures().empty()) << server.Failures().front();
  EXPECT_EQ(dialogsShown, 0);
}

TEST_F(AutoFtpTest, ThePageNamesTheClientAddressForEveryPlaceholderInAnyCase) {
  StartPublishing(1, {{"FTP_HTML_User", "<a href=\"http://#CIP#/\">#cip#</a> #Cip#"},
                      {"FTP_UploadPath", paths.dataDir + "/"}});
  ASSERT_TRUE(RunUntilOnline("10.64.0.10"));
  const std::string page = paths.dataDir + "/mydyn.htm";
  std::filesystem::remove(page);
  Publisher().WriteFTPHtml();
  EXPECT_EQ(ReadFile(page), "<a href=\"http://10.64.0.10/\">10.64.0.10</a> 10.64.0.10\r\n");
  EXPECT_EQ(Pub().PageFileSize, static_cast<std::int64_t>(ReadFile(page).size()));
  EXPECT_EQ(main->LocalPagePath(), page);  // no doubled "/"
}

TEST_F(AutoFtpTest, NoPageWithoutAnAddressOrWithAnEmptyTemplateNameOrFolder) {
  struct Case {
    std::string what;
    std::function<void()> prepare;
  };
  StartPublishing(1);
  ASSERT_TRUE(RunUntilOnline("10.64.0.10"));
  const std::string page = main->LocalPagePath();
  const std::vector<Case> cases = {
      {"address 0.0.0.0", [&] { Form().IsClientIP.SetText("0.0.0.0"); }},
      {"empty address", [&] { Form().IsClientIP.SetText(" "); }},
      {"empty template", [&] { main->Regs().FTP_HTML_User = "  "; }},
      {"empty name", [&] { main->Regs().FTP_HTML_Name = ""; }},
      {"empty folder", [&] { main->Regs().FTP_UploadPath = " "; }},
      {"auto-FTP off", [&] { Form().AutoFTPBox.SetChecked(false); }},
  };
  const settings::TRegsData saved = main->Regs();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    main->Regs() = saved;
    Form().AutoFTPBox.SetChecked(true);
    Form().IsClientIP.SetText("10.64.0.10");
    std::filesystem::remove(page);
    c.prepare();
    Pub().PageFileSize = 7;
    Publisher().WriteFTPHtml();
    EXPECT_FALSE(std::filesystem::exists(page));
  }
}

// The limit check of the step: more than the limit ("20" when it is no number) or more than
// 40 ticks ends the procedure with a restart.
TEST_F(AutoFtpTest, TheTickLimitAndTheHardCapRestartTheProcedure) {
  struct Case {
    std::string limit;
    int ticks;
    bool timeOut;
  };
  const std::vector<Case> cases = {{"20", 20, false}, {"20", 21, true},   {"abc", 20, false},
                                   {"abc", 21, true}, {"100", 40, false}, {"100", 41, true},
                                   {"5", 6, true}};
  FakeFtpServer server({"SILENT"});  // takes the logins, never answers
  StartPublishing(server.Port(), {{"FTP_Auto", "0"}});
  ASSERT_TRUE(RunUntilOnline("10.64.0.10"));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.limit + " " + std::to_string(c.ticks));
    std::filesystem::remove(paths.dataDir + "/FTP.Log");
    Form().AutoFTPBox.SetChecked(false);
    Form().AutoFTPBox.SetChecked(true);  // reloads the settings
    main->Regs().AutoFTPCountTimeOut = c.limit;
    ASSERT_TRUE(Pub().AutoFtpArmed);
    std::ofstream(main->LocalPagePath()) << "old";
    Pub().TickCount = c.ticks;
    Publisher().SendAutoFTPData();
    const std::string log = FtpLog();
    const std::string line =
        "FTPError: TimeOut - ReStart AutoFTP - " + std::to_string(c.ticks) + "/" +
        std::to_string(std::stoi(c.limit == "abc" ? "20" : c.limit) - c.ticks) + " - ";
    EXPECT_EQ(log.find(line) != std::string::npos, c.timeOut) << log;
    if (c.timeOut) {
      // restarted: the old page is gone, armed anew from the first tick
      EXPECT_FALSE(PageExists());
      EXPECT_TRUE(Pub().AutoFtpArmed);
      EXPECT_EQ(Pub().TickCount, 0);
    } else {
      EXPECT_EQ(Pub().TickCount, c.ticks + 1);
    }
    main->MFtp1().Abort();
  }
}

TEST_F(AutoFtpTest, AServerThatNeverAnswersRunsIntoTheTimeOutOneTickAfterTheLimit) {
  FakeFtpServer server({"SILENT"});
  StartPublishing(server.Port(), {{"AutoFTPCountTimeOut", "5"}});
  ASSERT_TRUE(RunUntilOnline("10.64.0.10"));
  const std::int64_t online = loop.NowMs();
  ASSERT_TRUE(RunUntil([&] { return FtpLog().find("TimeOut") != std::string::npos; }, 15'000));
  // ticks 0 to 5 try, the seventh tick gives up
  EXPECT_NEAR(static_cast<double>(loop.NowMs() - online), 6'000.0, 1'100.0);
  EXPECT_NE(FtpLog().find("FTPError: TimeOut - ReStart AutoFTP - 6/-1 - "), std::string::npos)
      << FtpLog();
  EXPECT_TRUE(Pub().AutoFtpArmed);
  EXPECT_EQ(Pub().TickCount, 0);
  // and it starts over with a new login at the next tick
  ASSERT_TRUE(RunUntil(
      [&] {
        const std::string log = FtpLog();
        return log.find("Start AutoFTP Login", log.find("TimeOut")) != std::string::npos;
      },
      2'000));
}

TEST_F(AutoFtpTest, MoreThanAHundredUploadCallsRestartTheProcedure) {
  FakeFtpServer server(
      Concat(LoginScript(), {"C: DELE mydyn.htm", "S: 250 deleted", "C: TYPE I", "SILENT"}));
  StartPublishing(server.Port());
  ASSERT_TRUE(RunUntilOnline("10.64.0.10"));
  ASSERT_TRUE(RunUntil([&] { return Pub().FtpLoggedIn && PageExists(); }, 10'000)) << FtpLog();
  main->MFtp1().PutCount = 100;
  ASSERT_TRUE(
      RunUntil([&] { return FtpLog().find("CounterMaximum") != std::string::npos; }, 10'000))
      << FtpLog();
  EXPECT_NE(FtpLog().find("FTPError: CounterMaximum - ReStart AutoFTP - "), std::string::npos);
  EXPECT_EQ(main->MFtp1().PutCount, 0);
  EXPECT_FALSE(main->MFtp1().Connected());
  EXPECT_FALSE(PageExists());
  EXPECT_TRUE(Pub().AutoFtpArmed);
}

// Error events by code and log switch: with the log on every error but 0, FileNotFound and
// PermissionDenied restarts the procedure; with it off they close the session and disarm.
TEST_F(AutoFtpTest, ErrorEventsRestartWithTheLogOnAndDisarmWithItOff) {
  using E = ftp::FtpError;
  struct Case {
    E error;
    std::string text;
    bool logOn;
    bool restarted;  // "Fatal" logged, armed anew
    bool armed;      // after the event
  };
  const std::vector<Case> cases = {
      {E::kTimeOut, "late", true, true, true},
      {E::kTimeOut, "late", false, false, false},
      {E::kFileNotFound, "no file", true, false, true},
      {E::kPermissionDenied, "no", true, false, true},
      {E::kPermissionDenied, "no", false, false, true},
      {E::kNone, "", true, false, false},
      {E::kConnectionRefused, "refused", true, true, true},
  };
  FakeFtpServer server({"SILENT"});
  StartPublishing(server.Port(), {{"FTP_Auto", "0"}});
  ASSERT_TRUE(RunUntilOnline("10.64.0.10"));
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(static_cast<int>(c.error)) + (c.logOn ? " log on" : " log off"));
    std::filesystem::remove(paths.dataDir + "/FTP.Log");
    Form().FTPLogCheckBox.SetChecked(c.logOn);
    Form().AutoFTPBox.SetChecked(false);
    Form().AutoFTPBox.SetChecked(true);
    ASSERT_TRUE(Pub().AutoFtpArmed);
    Pub().TickCount = 3;
    Publisher().MFtp1FtpError(c.error, c.text);
    const std::string log = FtpLog();
    EXPECT_EQ(log.find("FTPError: Fatal - ReStart AutoFTP - ") != std::string::npos, c.restarted)
        << log;
    EXPECT_EQ(Pub().AutoFtpArmed, c.armed);
    if (c.logOn && !c.text.empty()) {
      EXPECT_NE(log.find("FTPError: " + std::string(ftp::FtpErrorName(c.error)) + " - " + c.text),
                std::string::npos)
          << log;
    }
    if (!c.logOn) {
      EXPECT_EQ(log, "");
    }
    if (c.error == E::kPermissionDenied) {
      EXPECT_EQ(Pub().LastFtpError, 29);
    }
    EXPECT_TRUE(exited.empty());
  }
}

TEST_F(AutoFtpTest, AConnectionResetIsLoggedEvenWithTheLogOffAndRestartsTheConnection) {
  StartPublishing(1, {{"FTP_Auto", "0"}, {"FTPLogFile", "0"}});
  ASSERT_TRUE(RunUntilOnline("10.64.0.10"));
  Publisher().MFtp1FtpError(ftp::FtpError::kConnReset, "reset by peer");
  EXPECT_EQ(FtpLog().rfind("FTPError: ConnReset - reset by peer\r\n", 0), 0u) << FtpLog();
  EXPECT_TRUE(State().RestartInProgress);
  EXPECT_EQ(restarts, 1);
  // while the recovery runs, the engine's events are not heard
  Pub().FtpLoggedIn = false;
  Publisher().MFtp1FtpInfo(ftp::FtpInfo::kLoggedIn, "Verbinden");
  EXPECT_FALSE(Pub().FtpLoggedIn);
}

// A greeting that refuses the session is "server down": with the log on the procedure restarts
// at once; with it off it waits, and a new client address tries again.
TEST_F(AutoFtpTest, AServerThatRefusesTheSessionIsServerDown) {
  for (const bool logOn : {true, false}) {
    SCOPED_TRACE(logOn ? "log on" : "log off");
    FakeFtpServer server({"S: 421 not now", "SILENT"});
    StartPublishing(server.Port(), {{"FTPLogFile", logOn ? "1" : "0"}});
    ASSERT_TRUE(RunUntilOnline("10.64.0.10"));
    ASSERT_TRUE(RunUntil([&] { return server.Connections() == 1; }, 5000));
    RunFor(2000);
    if (logOn) {
      EXPECT_NE(FtpLog().find("FTPError: ServerDown - 421 not now"), std::string::npos) << FtpLog();
      EXPECT_NE(FtpLog().find("FTPError: Fatal - ReStart AutoFTP - "), std::string::npos);
      EXPECT_TRUE(Pub().AutoFtpArmed);
    } else {
      EXPECT_TRUE(Pub().FtpServerDown);
      EXPECT_FALSE(Pub().AutoFtpArmed);
      EXPECT_EQ(Form().StatusBar1.Panel(1), "AutoFTP: Server down");
      Publisher().Arm();  // the next client address
      EXPECT_FALSE(Pub().FtpServerDown);
    }
    main.reset();
    std::filesystem::remove(paths.dataDir + "/FTP.Log");
  }
}

TEST_F(AutoFtpTest, AnUploadWhoseFileWasNotClosedIsPutFileOpenAndRestarts) {
  FakeFtpServer server(Concat(Concat(LoginScript(), kUpload), {"SILENT"}));
  StartPublishing(server.Port(), {{"AutoFTPCountTimeOut", "8"}});
  ASSERT_TRUE(RunUntilOnline("10.64.0.10"));
  ASSERT_TRUE(RunUntil([&] { return Pub().FtpTransferDone; }, 10'000)) << FtpLog();
  main->MFtp1().PutFileClosed = false;
  ASSERT_TRUE(RunUntil([&] { return FtpLog().find("PutFile open") != std::string::npos; }, 15'000));
  EXPECT_NE(FtpLog().find("FTPError: PutFile open - ReStart AutoFTP - "), std::string::npos);
  EXPECT_TRUE(Pub().AutoFtpArmed);  // armed anew
  EXPECT_FALSE(main->MFtp1().Connected());
}

TEST_F(AutoFtpTest, AQuitAfterTheUploadWithTheFileStillOpenIsFatalQuit) {
  StartPublishing(1, {{"FTP_Auto", "0"}});
  ASSERT_TRUE(RunUntilOnline("10.64.0.10"));
  Form().AutoFTPBox.SetChecked(true);
  std::ofstream(main->LocalPagePath()) << "page";
  main->MFtp1().PutIssued = true;
  main->MFtp1().PutFileClosed = false;
  Publisher().MFtp1FtpQuit();
  EXPECT_NE(FtpLog().find("FTPError: FatalQuit ReStart AutoFTP - "), std::string::npos);
  EXPECT_FALSE(PageExists());
  EXPECT_TRUE(Pub().AutoFtpArmed);
  EXPECT_EQ(Form().StatusBar1.Panel(1), " ");
}

TEST_F(AutoFtpTest, CheckingAutoFtpDuringAManualSessionClosesItAtTheNextTick) {
  FakeFtpServer server(Concat(LoginScript(), {"SILENT"}));
  StartPublishing(server.Port());
  ASSERT_TRUE(RunUntilOnline("10.64.0.10"));
  ASSERT_TRUE(RunUntil([&] { return Pub().FtpLoggedIn; }, 10'000)) << FtpLog();
  Pub().ManualSession = true;
  ASSERT_TRUE(RunUntil([&] { return !main->MFtp1().Connected(); }, 1500));
  EXPECT_FALSE(Pub().ManualSession);
  EXPECT_FALSE(Pub().FtpReadySeen);
  EXPECT_EQ(Form().StatusBar1.Panel(1), "Disconnected.");
}

// Switching auto-FTP does nothing during the start-up phase; otherwise switching on deletes the
// page of an earlier run, arms the procedure and stores "FTP_Auto".
TEST_F(AutoFtpTest, SwitchingOnDeletesTheOldPageOutsideTheStartUpPhase) {
  struct Case {
    std::string what;
    std::function<void()> phase;
    bool acts;
  };
  StartPublishing(1, {{"FTP_Auto", "0"}});
  ASSERT_TRUE(RunUntilOnline("10.64.0.10"));
  const std::vector<Case> cases = {
      {"dial delay", [&] { State().DialDelayActive = true; }, false},
      {"error delay", [&] { main->Regs().ErrorDelay = "1"; }, false},
      {"temporary delay", [&] { main->Regs().TempDelay = "1"; }, false},
      {"countdown", [&] { Form().TimeOutTimer.SetEnabled(true); }, false},
      {"running", [] {}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Form().AutoFTPBox.SetChecked(false);
    Pub().AutoFtpArmed = false;
    store->WriteSetting("FTP_Auto", "0");
    std::ofstream(main->LocalPagePath()) << "old";
    c.phase();
    Form().AutoFTPBox.SetChecked(true);
    EXPECT_EQ(!PageExists(), c.acts);
    EXPECT_EQ(Pub().AutoFtpArmed, c.acts);
    EXPECT_EQ(Stored("FTP_Auto"), c.acts ? "1" : "0");
    State().DialDelayActive = false;
    main->Regs().ErrorDelay = "0";
    main->Regs().TempDelay = "0";
    Form().TimeOutTimer.SetEnabled(false);
  }
}

TEST_F(AutoFtpTest, EventLogLinesFollowTheirPrefixRules) {
  using A = app::AutoFtp;
  EXPECT_EQ(A::EventLogLine(false, "TimeOut", "late"), "FTPError: TimeOut - late");
  EXPECT_EQ(A::EventLogLine(false, "", "late"), "FTPError: late");
  EXPECT_EQ(A::EventLogLine(false, "", ""), "");
  EXPECT_EQ(A::EventLogLine(true, "Trace", " a\r\nb "), "FTPInfo : Trace -  a\r\nFTPInfo : b");
  EXPECT_EQ(A::EventLogLine(true, "", " \r\n"), " ");
  EXPECT_EQ(A::RemoteName("/home/u/mydyn.htm"), "mydyn.htm");
  EXPECT_EQ(A::RemoteName("mydyn.htm"), "mydyn.htm");
  EXPECT_EQ(A::RemoteName("/x/" + std::string(1200, 'a')).size(), 999u);
}

}  // namespace
