// The mini FTP client of the FTP page, driven as a user would: clicks on the page's controls and
// queued answers for its dialogs, against a scripted FTP server on simulated time.

#include "app/ftp_panel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "app/auto_ftp.h"
#include "app/confirm_form.h"
#include "app/control_commands.h"
#include "app/ftp_profile_setup_form.h"
#include "app/t_stayline.h"
#include "ftp/tm_ftp.h"
#include "settings/settings_store.h"
#include "unit/app/support/ftp_scripts.h"
#include "unit/app/support/stayline_fixture.h"
#include "unit/ftp/support/fake_ftp_server.h"

namespace {

using app_test::Concat;
using app_test::Listing;
using app_test::LoginScript;
using app_test::Script;
using app_test::StaylineTest;
using ftptest::FakeFtpServer;
using Settings = std::map<std::string, std::string>;

const char* const kDocs = "drwxr-xr-x   2 u g 4096 Jan  1  2020 docs";
const char* const kAtxt = "-rw-r--r--   1 u g   11 Jan  1  2020 a.txt";

class FtpPanelTest : public StaylineTest {
 protected:
  // A profile "Test" for the server on `port`, the line up, auto-FTP off.
  void StartWithProfile(std::uint16_t port, Settings extra = {}) {
    Settings s{{"FTP_Auto", "0"},
               {"FTPLogFile", "1"},
               {"ErrorDelay", "0"},
               {"FTP_DownloadPath", paths.dataDir},
               {"FTP_UploadPath", paths.dataDir}};
    for (auto& [k, v] : extra) s[k] = v;
    StartAutoDial(s);
    settings::TProfileData p;
    p.PProfil = "Test";
    p.PHost = "127.0.0.1";
    p.PUserID = "user";
    p.PPassword = "pw";
    p.PHostDir = "/";
    p.PPassive = "1";
    p.PTransferType = "1";  // binary
    p.PTrace = "0";
    p.PAnonym = "0";
    p.PPort = std::to_string(port);
    store->WriteProfile("Test", p);
  }
  app::FtpPanel& Panel() { return main->MiniFtp(); }
  ftp::TMFtp& Engine() { return main->MFtp1(); }
  std::string FtpLog() const { return ReadFile(paths.dataDir + "/FTP.Log"); }
  std::string Status() { return Form().StatusBar1.Panel(1); }
  // Chooses the profile in the box as the user does.
  void ChooseProfile(const std::string& name) {
    ASSERT_TRUE(Form().FTPProfileBox.SetProperty("Text", name, forms::Origin::User));
  }
  bool Idle() { return Engine().LoggedIn() && !Engine().Busy(); }
  // Waits until the engine is idle and the list shows `count` items.
  bool ListShows(std::size_t count) {
    return RunUntil([&] { return Idle() && Panel().ListView().ItemCount() == count; }, 10'000);
  }
  void Select(const std::vector<std::string>& names) {
    ftp::TMFtpListView& v = Panel().ListView();
    v.ClearSelection();
    for (std::size_t i = 0; i < v.ItemCount(); ++i) {
      for (const std::string& n : names) {
        if (v.Caption(i) == n) v.SetSelected(i, true);
      }
    }
  }
  std::vector<std::string> Toolbar() {
    std::vector<std::string> on;
    for (forms::Control* c :
         {&Form().CreateDirButton, &Form().DownloadButton, &Form().UploadButton, &Form().BackButton,
          &Form().FTPRefresh, &Form().AbortButton, &Form().DeleteButton}) {
      if (c->Enabled()) on.push_back(c->Name());
    }
    return on;
  }
};

TEST_F(FtpPanelTest, ABrowsingSessionListsEntersCreatesDeletesAndDisconnects) {
  const Script script = Concat(
      Concat(LoginScript(), Listing({kDocs, kAtxt})),
      Concat(Concat({"C: CWD docs", "S: 250 \"/docs\" is current"},
                    Listing({"-rw-r--r--   1 u g    3 Jan  1  2020 b.txt"})),
             Concat(Concat({"C: CDUP", "S: 250 \"/\" is current",  // listed from the cache
                            "C: MKD newdir", "S: 257 \"/newdir\" created"},
                           Listing({kDocs, "drwxr-xr-x   2 u g 4096 Jan  1  2020 newdir", kAtxt})),
                    Concat({"C: DELE a.txt", "S: 250 deleted", "C: RMD docs", "S: 250 removed"},
                           Listing({"drwxr-xr-x   2 u g 4096 Jan  1  2020 newdir"})))));
  FakeFtpServer server(Concat(script, {"SILENT"}));
  StartWithProfile(server.Port());
  ASSERT_TRUE(RunUntilOnline("10.64.0.10"));
  RunFor(1500);  // the status tick keeps the page's states
  EXPECT_TRUE(Form().ConnectButton.Enabled());
  EXPECT_TRUE(Toolbar().empty());

  ChooseProfile("Test");
  EXPECT_EQ(Form().FtpServerEdit.Text(), "127.0.0.1");
  EXPECT_EQ(Form().UserIDEdit.Text(), "user");
  Form().ConnectButton.UserClick();
  EXPECT_TRUE(main->Publisher().State().ManualSession);
  ASSERT_TRUE(ListShows(3)) << server.Failures().size();  // parent entry, docs, a.txt
  RunFor(1100);
  EXPECT_EQ(Form().ConnectButton.Caption(), "Connect");
  EXPECT_FALSE(Form().FTPProfileBox.Enabled());
  EXPECT_FALSE(Form().ProfileSetup.Enabled());
  EXPECT_EQ(Toolbar().size(), 7u);
  EXPECT_EQ(Form().CurrentDirEdit.Text(), "/");

  Select({"docs"});
  Form().MFtpListView1File.UserClick();
  ASSERT_TRUE(ListShows(2));
  EXPECT_EQ(Form().CurrentDirEdit.Text(), "/docs");
  Select({"Parent Directory"});
  Form().MFtpListView1File.UserClick();
  ASSERT_TRUE(ListShows(3));
  EXPECT_EQ(Form().CurrentDirEdit.Text(), "/");

  dialogs.QueueAnswer("newdir");
  Form().CreateDirButton.UserClick();
  ASSERT_TRUE(ListShows(4));

  Select({"a.txt", "docs"});  // one file and one folder: both go
  Form().DeleteButton.UserClick();
  ASSERT_TRUE(ListShows(2));
  EXPECT_TRUE(server.Failures().empty()) << server.Failures().front();

  const std::vector<std::string>& protocol = Form().DebugListBox.Items();
  EXPECT_NE(std::find(protocol.begin(), protocol.end(), "RMD docs"), protocol.end());
  EXPECT_EQ(Form().DebugListBox.ItemIndex(), Form().DebugListBox.Count() - 1);

  Form().ConnectButton.UserClick();
  EXPECT_FALSE(Engine().Connected());
  EXPECT_FALSE(main->Publisher().State().ManualSession);
  EXPECT_EQ(Status(), " ");
  EXPECT_TRUE(Toolbar().empty());
  EXPECT_EQ(Form().DebugListBox.Count(), 0);
  const std::string log = FtpLog();
  EXPECT_NE(log.find("Start MiniFTP Login - "), std::string::npos) << log;
  EXPECT_NE(log.find("MiniFTP Close - "), std::string::npos) << log;
  RunFor(1100);
  EXPECT_EQ(Form().ConnectButton.Caption(), "Disconnect");
  EXPECT_TRUE(Form().FTPProfileBox.Enabled());
}

// Download through the save dialog with the overwrite question (cancelled, then overwritten),
// upload through the open dialog under the file's own name.
TEST_F(FtpPanelTest, DownloadAsksBeforeOverwritingAndUploadKeepsTheName) {
  const char* const kHello = "-rw-r--r--   1 u g   13 Jan  1  2020 hello.txt";
  const Script script =
      Concat(Concat(LoginScript(), Listing({kHello})),
             Concat({"C: TYPE I", "S: 200 binary", "C: PASV",
                     "S: 227 Entering Passive Mode (127,0,0,1,{p1},{p2}).", "C: RETR hello.txt",
                     "S: 150 here it comes", "D: hello world", "DCLOSE", "S: 226 done"},
                    Concat({"C: TYPE I", "S: 200 binary", "C: PASV",
                            "S: 227 Entering Passive Mode (127,0,0,1,{p1},{p2}).", "C: STOR up.txt",
                            "S: 150 go ahead", "S: 226 stored"},
                           Listing({kHello, "-rw-r--r--   1 u g    2 Jan  1  2020 up.txt"}))));
  FakeFtpServer server(Concat(script, {"SILENT"}));
  StartWithProfile(server.Port());
  ASSERT_TRUE(RunUntilOnline("10.64.0.10"));
  ChooseProfile("Test");
  Form().ConnectButton.UserClick();
  ASSERT_TRUE(ListShows(2));
  RunFor(1100);  // the status tick enables the toolbar

  const std::string local = paths.dataDir + "/copy.txt";
  std::ofstream(local) << "an older and longer local file";
  std::vector<std::string> questions;
  dialogs.OnModal = [&](forms::Form& form) {
    questions.push_back(dynamic_cast<app::TfrmConfirm&>(form).Label1.Caption());
  };
  Select({"hello.txt"});
  dialogs.QueueAnswer(local);
  dialogs.QueueAnswer("Cancel");
  Form().DownloadButton.UserClick();
  RunUntil([&] { return Idle(); }, 2000);
  EXPECT_EQ(ReadFile(local), "an older and longer local file");
  EXPECT_FALSE(Panel().TransferRunning());
  EXPECT_EQ(Form().MonsterSaveDialog.Title(), "Download from FTP-Server");
  EXPECT_EQ(Form().MonsterSaveDialog.InitialDir(), paths.dataDir);

  RunFor(1100);  // the buttons a transfer disabled come back with the next tick
  dialogs.QueueAnswer(local);
  dialogs.QueueAnswer("Overwrite");
  Form().DownloadButton.UserClick();
  ASSERT_TRUE(RunUntil([&] { return Idle() && ReadFile(local) == "hello world\r\n"; }, 10'000))
      << ReadFile(local);
  EXPECT_EQ(questions,
            (std::vector<std::string>{"hello.txt already exists.", "hello.txt already exists."}));
  EXPECT_FALSE(Panel().TransferRunning());
  EXPECT_EQ(Panel().DownloadTarget(), "");

  const std::string upload = paths.dataDir + "/up.txt";
  std::ofstream(upload) << "up";
  RunFor(1100);
  dialogs.QueueAnswer(upload);
  Form().UploadButton.UserClick();
  EXPECT_EQ(Form().MonsterOpenDialog.Title(), "Upload Files to FTP-Server");
  ASSERT_TRUE(ListShows(3));  // listed anew from the server after the upload
  EXPECT_TRUE(server.Failures().empty()) << server.Failures().front();

  // A cancelled dialog does nothing.
  dialogs.QueueAnswer("");
  Form().UploadButton.UserClick();
  RunFor(100);
  EXPECT_TRUE(server.Failures().empty()) << server.Failures().front();
}

// The profile dialog hands back the chosen name; the page selects and shows it.
TEST_F(FtpPanelTest, TheProfileDialogSelectsTheNameItHandsBack) {
  StartWithProfile(2121);
  dialogs.OnModal = [&](forms::Form& form) {
    auto& d = dynamic_cast<app::TftpProfileSetup&>(form);
    d.ProfilNameBox.SetProperty("Text", "Test", forms::Origin::User);
    dialogs.QueueAnswer("Cancel");
  };
  Form().ProfileSetup.UserClick();
  dialogs.OnModal = nullptr;
  EXPECT_EQ(Form().FTPProfileBox.Text(), "Test");
  EXPECT_EQ(Form().FtpServerEdit.Text(), "127.0.0.1");
  EXPECT_EQ(Form().UserIDEdit.Text(), "user");
  EXPECT_EQ(Form().CurrentDirEdit.Text(), "/");
  const auto& items = Form().FTPProfileBox.Items();
  EXPECT_NE(std::find(items.begin(), items.end(), "Test"), items.end());
}

// In a German session the parent entry is "Vorheriger Ordner".
TEST_F(FtpPanelTest, TheGermanParentEntryLeadsUp) {
  const Script script =
      Concat(Concat(LoginScript(), Listing({kDocs})),
             Concat(Concat({"C: CWD docs", "S: 250 \"/docs\" is current"}, Listing({kAtxt})),
                    {"C: CDUP", "S: 250 \"/\" is current"}));
  FakeFtpServer server(Concat(script, {"SILENT"}));
  StartWithProfile(server.Port(), {{"Language", "1"}});
  ASSERT_TRUE(RunUntilOnline("10.64.0.10"));
  ChooseProfile("Test");
  Form().ConnectButton.UserClick();
  EXPECT_EQ(Form().ConnectButton.Caption(), "Verbunden");
  ASSERT_TRUE(ListShows(2));
  Select({"docs"});
  Form().MFtpListView1File.UserClick();
  ASSERT_TRUE(RunUntil([&] { return Idle() && Form().CurrentDirEdit.Text() == "/docs"; }, 10'000));
  ASSERT_TRUE(ListShows(2));
  Select({"Vorheriger Ordner"});
  Form().MFtpListView1File.UserClick();
  ASSERT_TRUE(RunUntil([&] { return Idle() && Form().CurrentDirEdit.Text() == "/"; }, 10'000));
  EXPECT_TRUE(server.Failures().empty()) << server.Failures().front();

  Form().ConnectButton.UserClick();
  EXPECT_FALSE(Engine().Connected());
  EXPECT_EQ(Form().DebugListBox.Count(), 0);
}

// A running download shows its progress and rate; the abort button stops it and the folder is
// listed anew from the server.
TEST_F(FtpPanelTest, ARunningDownloadShowsProgressAndTheAbortButtonStopsIt) {
  const char* const kBig = "-rw-r--r--   1 u g 1000 Jan  1  2020 big.bin";
  const Script script =
      Concat(Concat(LoginScript(), Listing({kBig})),
             Concat({"C: TYPE I", "S: 200 binary", "C: PASV",
                     "S: 227 Entering Passive Mode (127,0,0,1,{p1},{p2}).", "C: RETR big.bin",
                     "S: 150 here it comes", "D: the first bytes of a long file",
                     "C: \xFF\xF4\xFF"
                     "ABOR",
                     "S: 426 transfer aborted", "S: 226 abort done"},
                    Listing({kBig})));
  FakeFtpServer server(Concat(script, {"SILENT"}));
  StartWithProfile(server.Port());
  ASSERT_TRUE(RunUntilOnline("10.64.0.10"));
  ChooseProfile("Test");
  Form().ConnectButton.UserClick();
  ASSERT_TRUE(ListShows(2));
  RunFor(1100);
  int beeps = 0;
  dialogs.OnBeep = [&] { ++beeps; };
  Select({"big.bin"});
  dialogs.QueueAnswer(paths.dataDir + "/big.bin");
  Form().DownloadButton.UserClick();
  ASSERT_TRUE(RunUntil([&] { return Engine().BytesTransferred() > 0; }, 5000));
  RunFor(10);
  EXPECT_TRUE(Panel().TransferRunning());
  EXPECT_EQ(Panel().DownloadTarget(), "big.bin");
  EXPECT_EQ(Form().ProgressBar1.Max(), 1000);
  EXPECT_EQ(Form().ProgressBar1.Position(), static_cast<long long>(Engine().BytesTransferred()));
  EXPECT_EQ(Status().rfind("Speed: ", 0), 0u) << Status();
  EXPECT_NE(Status().find(" KB/s | Bytes: " + std::to_string(Engine().BytesTransferred())),
            std::string::npos)
      << Status();
  RunFor(1100);  // the tick keeps the transfer's buttons off and the abort button on
  EXPECT_EQ(Toolbar(), (std::vector<std::string>{"AbortButton"}));
  EXPECT_EQ(beeps, 0);  // only an upload's start beeps

  Form().AbortButton.UserClick();
  EXPECT_FALSE(Panel().TransferRunning());
  const auto lists = [&] {
    const std::vector<std::string> r = server.Received();
    return std::count(r.begin(), r.end(), "LIST");
  };
  ASSERT_TRUE(RunUntil([&] { return lists() == 2 && Idle(); }, 10'000))
      << (server.Failures().empty() ? "" : server.Failures().front());
  EXPECT_TRUE(server.Failures().empty()) << server.Failures().front();
}

// The headless program drives the panel through the control socket: the profile chosen, connect,
// a new folder and an upload with their dialogs answered by "answer".
TEST_F(FtpPanelTest, TheControlSocketDrivesThePanel) {
  const Script script =
      Concat(Concat(LoginScript(), Listing({kAtxt})),
             Concat(Script{"C: MKD made", "S: 257 \"/made\" created"},
                    Concat(Listing({"drwxr-xr-x   2 u g 4096 Jan  1  2020 made", kAtxt}),
                           Concat({"C: TYPE I", "S: 200 binary", "C: PASV",
                                   "S: 227 Entering Passive Mode (127,0,0,1,{p1},{p2}).",
                                   "C: STOR sent.txt", "S: 150 go ahead", "S: 226 stored"},
                                  Listing({"drwxr-xr-x   2 u g 4096 Jan  1  2020 made", kAtxt,
                                           "-rw-r--r--   1 u g    4 Jan  1  2020 sent.txt"})))));
  FakeFtpServer server(Concat(script, {"SILENT"}));
  StartWithProfile(server.Port());
  dialogs.Interactive = true;
  app::ControlCommands commands(*main, &dialogs);
  const auto ask = [&](const std::string& request) {
    const platform::ControlReply reply = commands.Handle(request);
    EXPECT_TRUE(reply.Ok) << request << ": " << reply.Value;
    loop.ProcessMessages();
  };
  ASSERT_TRUE(RunUntilOnline("10.64.0.10"));
  RunFor(1100);
  ask("set FTPProfileBox.Text Test");
  EXPECT_EQ(Form().FtpServerEdit.Text(), "127.0.0.1");
  ask("click ConnectButton");
  ASSERT_TRUE(ListShows(2));
  RunFor(1100);
  ask("answer made");
  ask("click CreateDirButton");
  ASSERT_TRUE(ListShows(3));
  RunFor(1100);
  const std::string local = paths.dataDir + "/sent.txt";
  std::ofstream(local) << "data";
  ask("answer " + local);
  ask("click UploadButton");
  ASSERT_TRUE(ListShows(4));
  EXPECT_TRUE(server.Failures().empty()) << server.Failures().front();
  ask("click ConnectButton");
  EXPECT_FALSE(Engine().Connected());
}

// The connect button with the line gone ends the session: the engine is closed, the log has the
// close line, the page falls back to idle.
TEST_F(FtpPanelTest, TheConnectButtonWithTheLineGoneEndsTheSession) {
  FakeFtpServer server(Concat(Concat(LoginScript(), Listing({kAtxt})), {"SILENT"}));
  StartWithProfile(server.Port());
  ASSERT_TRUE(RunUntilOnline("10.64.0.10"));
  RunFor(1100);
  ChooseProfile("Test");
  Form().ConnectButton.UserClick();
  ASSERT_TRUE(ListShows(2));
  Sim().Drop("");
  Form().ConnectButton.SetEnabled(true);  // clicked before the tick notices the line is gone
  Form().ConnectButton.UserClick();
  EXPECT_EQ(State().ActiveConnectionCount, 0);
  EXPECT_FALSE(Engine().Connected());
  EXPECT_FALSE(main->Publisher().State().ManualSession);
  EXPECT_EQ(Status(), " ");
  EXPECT_TRUE(Toolbar().empty());
  EXPECT_NE(FtpLog().find("MiniFTP Close - "), std::string::npos) << FtpLog();
}

// The page's view controls show the list and the tree and take a user's choice through the
// control socket: a click on a folder's row enters it, a click on the tree's root goes back, a
// selection of a file and a folder without a click feeds the delete button.
TEST_F(FtpPanelTest, TheViewControlsShowTheListingAndTakeTheUsersChoice) {
  const Script script =
      Concat(Concat(LoginScript(), Listing({kDocs, kAtxt})),
             Concat(Concat({"C: CWD docs", "S: 250 \"/docs\" is current"},
                           Listing({"-rw-r--r--   1 u g    3 Jan  1  2020 b.txt"})),
                    Concat({"C: CWD /", "S: 250 \"/\" is current",  // listed from the cache
                            "C: DELE a.txt", "S: 250 deleted", "C: RMD docs", "S: 250 removed"},
                           Listing({}))));
  FakeFtpServer server(Concat(script, {"SILENT"}));
  StartWithProfile(server.Port());
  app::ControlCommands commands(*main, &dialogs);
  const auto ask = [&](const std::string& request) {
    const platform::ControlReply reply = commands.Handle(request);
    EXPECT_TRUE(reply.Ok) << request << ": " << reply.Value;
    loop.ProcessMessages();
    return reply.Value;
  };
  ASSERT_TRUE(RunUntilOnline("10.64.0.10"));
  RunFor(1100);
  ask("set FTPProfileBox.Text Test");
  ask("click ConnectButton");
  ASSERT_TRUE(ListShows(3));
  EXPECT_EQ(ask("get MFtpListView1File.Items"), "Parent Directory\ndocs\na.txt");
  EXPECT_EQ(ask("get MFtpListView1File.Items[2].SubItems"),
            "1KB\tTXT File\t1/1/2020 12:00 AM\t-rw-r--r--\tu\tg\t");
  EXPECT_EQ(ask("get MFtpTreeView1Dir.Items"), "/\n/docs");
  EXPECT_EQ(ask("get MFtpTreeView1Dir.ItemIndex"), "0") << "the listed folder is marked";
  EXPECT_FALSE(commands.Handle("set MFtpListView1File.ItemIndex 3").Ok) << "no such row";

  ask("set MFtpListView1File.ItemIndex 1");  // a click on "docs"
  ASSERT_TRUE(RunUntil([&] { return Idle() && Form().CurrentDirEdit.Text() == "/docs"; }, 10'000));
  ASSERT_TRUE(ListShows(2));
  EXPECT_EQ(ask("get MFtpListView1File.Items"), "Parent Directory\nb.txt");
  EXPECT_EQ(ask("get MFtpListView1File.Selected"), "") << "a new listing comes unselected";
  EXPECT_EQ(ask("get MFtpTreeView1Dir.ItemIndex"), "1");

  ask("set MFtpTreeView1Dir.ItemIndex 0");  // the root, after the tree's change delay
  ASSERT_TRUE(RunUntil([&] { return Idle() && Form().CurrentDirEdit.Text() == "/"; }, 10'000));
  ASSERT_TRUE(ListShows(3));

  ask("set MFtpListView1File.Selected 2,1");  // no click: nothing is entered
  RunFor(1100);
  EXPECT_EQ(Panel().ListView().SelectedFolders(), std::vector<std::string>{"docs"});
  EXPECT_EQ(Panel().ListView().SelectedFiles(), std::vector<std::string>{"a.txt"});
  ask("click DeleteButton");
  ASSERT_TRUE(ListShows(1));
  EXPECT_EQ(ask("get MFtpListView1File.Items"), "Parent Directory");
  EXPECT_TRUE(server.Failures().empty()) << server.Failures().front();
}

// A server that can resume reports the size of a file that is already there; the question
// before the upload names the file being sent, whatever the list has selected.
TEST_F(FtpPanelTest, TheOverwriteQuestionOfAnUploadNamesTheFileSent) {
  const char* const kHello = "-rw-r--r--   1 u g   13 Jan  1  2020 hello.txt";
  const char* const kUp = "-rw-r--r--   1 u g    2 Jan  1  2020 up.txt";
  const Script script =
      Concat(Concat(LoginScript(true), Listing({kHello, kUp})),
             Concat({"C: TYPE I", "S: 200 binary", "C: SIZE up.txt", "S: 213 2", "C: PASV",
                     "S: 227 Entering Passive Mode (127,0,0,1,{p1},{p2}).", "C: STOR up.txt",
                     "S: 150 go ahead", "S: 226 stored"},
                    Listing({kHello, kUp})));
  FakeFtpServer server(Concat(script, {"SILENT"}));
  StartWithProfile(server.Port());
  ASSERT_TRUE(RunUntilOnline("10.64.0.10"));
  ChooseProfile("Test");
  Form().ConnectButton.UserClick();
  ASSERT_TRUE(ListShows(3));
  RunFor(1100);
  std::vector<std::string> questions;
  dialogs.OnModal = [&](forms::Form& form) {
    questions.push_back(dynamic_cast<app::TfrmConfirm&>(form).Label1.Caption());
  };
  Select({"hello.txt"});
  const std::string upload = paths.dataDir + "/up.txt";
  std::ofstream(upload) << "up";
  dialogs.QueueAnswer(upload);
  dialogs.QueueAnswer("Overwrite");
  Form().UploadButton.UserClick();
  ASSERT_TRUE(RunUntil([&] { return Idle() && !questions.empty(); }, 10'000));
  EXPECT_EQ(questions, std::vector<std::string>{"up.txt already exists."});
  RunFor(500);
  EXPECT_TRUE(server.Failures().empty()) << server.Failures().front();
}

}  // namespace
