// End to end: the FTP page's mini client of staylined on the simulated line, driven through the
// control socket as a script would drive it, against a real pyftpdlib on loopback: a stored
// profile chosen, connect, the listing read, a folder made, entered, left and deleted, a file
// uploaded and downloaded with the file dialogs answered, and the overwrite question answered.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "integration/daemon_e2e/process_helpers.h"
#include "integration/ftp/ftp_test_servers.h"
#include "settings/settings_store.h"

namespace {

namespace fs = std::filesystem;
using testing_support::BinPath;
using testing_support::Child;
using testing_support::ReadFile;
using testing_support::TempHome;
using testing_support::WaitUntil;

constexpr int kWaitMs = 20'000;

std::string Scrambled(const std::string& text) {
  return settings::SettingsStore::ScrambleText(text);
}

class MiniFtpE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    server = ftptest::TestFtpServer::Start(ftptest::TestFtpServer::Kind::kPyftpdlib);
    if (!server) GTEST_SKIP() << "pyftpdlib does not run here";
    testing_support::WriteFile(server->Root() + "/hello.txt", "hello from the server\n");
    testing_support::WriteFile(home / "config/phonebook.ini",
                               "[Office DSL]\nUserName=alice\nPassword=secret\nPasswordSaved=1\n"
                               "ConnectMs=300\nClientIPs=10.64.0.10\nServerIP=10.64.0.1\n");
    fs::permissions(home / "config/phonebook.ini", fs::perms::owner_read | fs::perms::owner_write);
    fs::create_directories(home / "local");
    WriteHive();
    daemon = std::make_unique<Child>(
        std::vector<std::string>{BinPath("staylined"), "--home", home.Path(), "--ras", "sim"},
        home / "daemon.out");
  }

  // The settings with the line dialled at start, English texts, and the profile "Local".
  void WriteHive() {
    const std::string key = "[HKEY_CURRENT_USER\\SOFTWARE\\_StaylineConnections";
    std::string text = "Windows Registry Editor Version 5.00\r\n\r\n" + key + "]\r\n";
    const auto add = [&](const std::string& name, const std::string& value) {
      text += "\"" + name + "\"=" + platform::QuoteRegString(value) + "\r\n";
    };
    for (const auto& [name, value] :
         std::vector<std::pair<std::string, std::string>>{{"AReadFirstReg", "1"},
                                                          {"AutoConnect", "1"},
                                                          {"StaylineConnection", "Office DSL"},
                                                          {"Language", "0"},
                                                          {"FTPLogFile", "1"},
                                                          {"FTP_Auto", "0"},
                                                          {"FTP_UploadPath", home / "local"},
                                                          {"FTP_DownloadPath", home / "local"}}) {
      add(name, value);
    }
    text += "\r\n" + key + "\\Profile]\r\n\r\n" + key + "\\Profile\\Local]\r\n";
    for (const auto& [name, value] : std::vector<std::pair<std::string, std::string>>{
             {"PProfil", "Local"},
             {"PHost", Scrambled("127.0.0.1")},
             {"PUserID", Scrambled(server->User())},
             {"PPassword", Scrambled(server->Password())},
             {"PHostDir", server->Dir()},
             {"PPassive", "1"},
             {"PTransferType", "1"},  // binary
             {"PTrace", "1"},
             {"PAnonym", "0"},
             {"PPort", std::to_string(server->Port())}}) {
      add(name, value);
    }
    const std::string hive = home / "config/HKCU.reg";
    testing_support::WriteFile(hive, text);
    fs::permissions(hive, fs::perms::owner_read | fs::perms::owner_write);
  }

  // One request; a refused one fails the test.
  std::string Ask(const std::vector<std::string>& request) {
    const testing_support::CtlResult r = testing_support::Ctl(home.Path(), request);
    std::string shown;
    for (const auto& part : request) shown += part + " ";
    EXPECT_EQ(r.code, 0) << shown;
    return r.out;
  }
  std::string Get(const std::string& path) { return Ask({"get", path}); }
  // A user clicks the button once it is enabled (the status tick enables the toolbar).
  void Click(const std::string& button) {
    ASSERT_TRUE(WaitUntil([&] { return Get(button + ".Enabled") == "True"; }, kWaitMs)) << button;
    Ask({"click", button});
  }
  std::vector<std::string> Rows() {
    std::vector<std::string> rows;
    std::string items = Get("MFtpListView1File.Items");
    for (std::size_t at = 0; at <= items.size();) {
      const std::size_t nl = std::min(items.find('\n', at), items.size());
      if (nl > at) rows.push_back(items.substr(at, nl - at));
      at = nl + 1;
    }
    return rows;
  }
  // The row showing `name`, or -1.
  int RowOf(const std::string& name) {
    const std::vector<std::string> rows = Rows();
    for (std::size_t i = 0; i < rows.size(); ++i) {
      if (rows[i] == name) return static_cast<int>(i);
    }
    return -1;
  }
  // The engine has listed the folder and is ready for the next command.
  bool Ready() { return Get("StatusBar1.Panels[1]") == "FTP OK"; }
  bool Shows(const std::string& name, bool shown = true) {
    return Ready() && (RowOf(name) >= 0) == shown;
  }
  std::string Diagnosis() {
    std::string out = ReadFile(home / "daemon.out");
    if (out.size() > 4000) out = out.substr(out.size() - 4000);
    return "rows: " + Get("MFtpListView1File.Items") + "\nFTP.Log:\n" +
           ReadFile(home / "data/FTP.Log") + "\nstaylined:\n" + out;
  }

  TempHome home;
  std::unique_ptr<ftptest::TestFtpServer> server;
  std::unique_ptr<Child> daemon;
};

TEST_F(MiniFtpE2E, AScriptBrowsesMakesAndDeletesAFolderAndMovesFilesBothWays) {
  // The line is up and the start-up is over: the connect button takes a click.
  const auto value = [&](const std::vector<std::string>& request) {
    return testing_support::Ctl(home.Path(), request).out;
  };
  ASSERT_TRUE(WaitUntil(
      [&] {
        return value({"get", "ConnectButton.Enabled"}) == "True" &&
               value({"setting", "ErrorDelay"}) == "0" &&
               value({"get", "TimeOutTimer.Enabled"}) == "False";
      },
      30'000))
      << Diagnosis();
  Ask({"set", "FTPProfileBox.Text", "Local"});
  ASSERT_TRUE(WaitUntil([&] { return Get("FtpServerEdit.Text") == "127.0.0.1"; }, kWaitMs));
  EXPECT_EQ(Get("UserIDEdit.Text"), server->User());
  Click("ConnectButton");
  ASSERT_TRUE(WaitUntil([&] { return Shows("hello.txt"); }, kWaitMs)) << Diagnosis();
  EXPECT_EQ(Rows(), (std::vector<std::string>{"Parent Directory", "hello.txt"}));
  EXPECT_NE(ReadFile(home / "data/FTP.Log").find("Start MiniFTP Login - "), std::string::npos);

  // a new folder, entered by a click on its row and left by the parent entry, then deleted
  Ask({"answer", "made"});
  Click("CreateDirButton");
  ASSERT_TRUE(WaitUntil([&] { return Shows("made"); }, kWaitMs)) << Diagnosis();
  EXPECT_TRUE(fs::is_directory(server->Root() + "/made"));
  Ask({"set", "MFtpListView1File.ItemIndex", std::to_string(RowOf("made"))});
  ASSERT_TRUE(WaitUntil([&] { return Ready() && Get("CurrentDirEdit.Text") == "/made"; }, kWaitMs))
      << Diagnosis();
  EXPECT_EQ(Rows(), std::vector<std::string>{"Parent Directory"});
  Ask({"set", "MFtpListView1File.ItemIndex", "0"});
  ASSERT_TRUE(
      WaitUntil([&] { return Shows("made") && Get("CurrentDirEdit.Text") == "/"; }, kWaitMs))
      << Diagnosis();
  Ask({"set", "MFtpListView1File.Selected", std::to_string(RowOf("made"))});
  Click("DeleteButton");
  ASSERT_TRUE(WaitUntil([&] { return Shows("made", false); }, kWaitMs)) << Diagnosis();
  EXPECT_FALSE(fs::exists(server->Root() + "/made"));

  // an upload through the open dialog: the server holds the same bytes
  const std::string local = home / "local/up.bin";
  ftptest::WriteRandomFile(local, 300'000, 7);
  Ask({"answer", local});
  Click("UploadButton");
  ASSERT_TRUE(WaitUntil([&] { return Shows("up.bin"); }, kWaitMs)) << Diagnosis();
  EXPECT_TRUE(ftptest::SameFiles(local, server->Root() + "/up.bin"));

  // the same name again: the overwrite question, answered "Overwrite", replaces the server's copy
  ftptest::WriteRandomFile(local, 200'000, 8);
  Ask({"answer", local});
  Ask({"answer", "Overwrite"});
  Click("UploadButton");
  ASSERT_TRUE(WaitUntil(
      [&] { return Ready() && ftptest::SameFiles(local, server->Root() + "/up.bin"); }, kWaitMs))
      << Diagnosis();
  EXPECT_NE(ReadFile(home / "daemon.out").find("Dialog.ShowModal: TfrmConfirm -> "),
            std::string::npos)
      << Diagnosis();

  // a download through the save dialog of the selected file
  const std::string down = home / "local/hello-copy.txt";
  Ask({"set", "MFtpListView1File.Selected", std::to_string(RowOf("hello.txt"))});
  Ask({"answer", down});
  Click("DownloadButton");
  ASSERT_TRUE(WaitUntil([&] { return Ready() && fs::exists(down); }, kWaitMs)) << Diagnosis();
  ASSERT_TRUE(
      WaitUntil([&] { return ftptest::SameFiles(down, server->Root() + "/hello.txt"); }, kWaitMs))
      << Diagnosis();

  // disconnected: the page falls back to idle (the rows stay until the engine's quit event)
  Click("ConnectButton");
  ASSERT_TRUE(WaitUntil([&] { return Get("ConnectButton.Caption") == "Disconnect"; }, kWaitMs))
      << Diagnosis();
  EXPECT_NE(ReadFile(home / "data/FTP.Log").find("MiniFTP Close - "), std::string::npos);
  Ask({"quit"});
  EXPECT_EQ(daemon->Wait(10'000), 0) << Diagnosis();
}

}  // namespace
