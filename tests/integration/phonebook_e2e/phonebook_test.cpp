// The phonebook page of the headless program driven as a user would over the control socket: an
// entry created through the entry dialog, its credentials saved on the page, dialled, renamed
// while it is the chosen connection, and deleted; the phonebook file stays private throughout.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "integration/daemon_e2e/process_helpers.h"
#include "integration/help_e2e/sim_daemon.h"

namespace {

using namespace testing_support;

class PhonebookPage : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteFile(home_ / "config/phonebook.ini",
              "[Office DSL]\nUserName=alice\nPassword=secret\nPasswordSaved=1\nConnectMs=200\n");
    std::filesystem::permissions(
        home_ / "config/phonebook.ini",
        std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    WriteFile(home_ / "config/HKLM.reg",
              "Windows Registry Editor Version 5.00\r\n\r\n"
              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\_StaylineConnections]\r\n"
              "\"Language\"=\"0\"\r\n\"AutoConnect\"=\"0\"\r\n"
              "\"StaylineConnection\"=\"Office DSL\"\r\n");
    daemon_ = std::make_unique<SimDaemon>(home_.Path());
    ASSERT_TRUE(daemon_->Ready()) << daemon_->Output();
  }

  bool Do(const std::vector<std::string>& request) { return daemon_->Request(request); }
  std::string Get(const std::string& what) { return daemon_->Get(what); }
  bool Becomes(const std::string& what, const std::string& value, int ms = 5000) {
    return WaitUntil([&] { return Get(what) == value; }, ms);
  }
  std::string Phonebook() { return ReadFile(home_ / "config/phonebook.ini"); }

  TempHome home_;
  std::unique_ptr<SimDaemon> daemon_;
};

TEST_F(PhonebookPage, AnEntryIsCreatedSavedDialledRenamedAndDeleted) {
  ASSERT_TRUE(Do({"set", "PageControl1.ActivePage", "TabSheet2"}));
  ASSERT_TRUE(Becomes("ListBox2.Items", "Office DSL"));
  EXPECT_EQ(Get("DFUChanges.Caption"), "DFUE changes ok.");

  // The entry dialog, filled in and confirmed.
  ASSERT_TRUE(Do({"click", "CreateEntry"}));
  ASSERT_TRUE(WaitUntil(
      [&] { return Ctl(home_.Path(), {"forms"}).out.find("TfrmEntry") != std::string::npos; },
      5000));
  EXPECT_EQ(Get("TfrmEntry.Caption"), "New DFUE connection");
  for (const auto& [control, value] :
       std::vector<std::pair<std::string, std::string>>{{"edtEntryName", "Cable"},
                                                        {"edtUserName", "dave"},
                                                        {"edtPassword", "pw1"},
                                                        {"Key_ConnectMs", "200"},
                                                        {"Key_ClientIPs", "10.64.7.7"}}) {
    ASSERT_TRUE(Do({"set", "TfrmEntry." + control + ".Text", value})) << control;
  }
  ASSERT_TRUE(Do({"click", "TfrmEntry.btnOK"}));
  ASSERT_TRUE(Becomes("ListBox2.Items", "Cable\nOffice DSL")) << Get("ListBox2.Items");
  EXPECT_EQ(Get("ListBox1.Items"), "Cable\nOffice DSL");
  EXPECT_EQ(std::filesystem::status(home_ / "config/phonebook.ini").permissions() &
                std::filesystem::perms::all,
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);

  // Another password typed on the page and saved after the question.
  ASSERT_TRUE(Do({"set", "ListBox2.ItemIndex", "0"}));
  ASSERT_TRUE(Becomes("txtUserName2.Text", "dave"));
  ASSERT_TRUE(Do({"set", "txtPassword2.Text", "pw2"}));
  ASSERT_TRUE(Do({"answer", "Yes"}));
  ASSERT_TRUE(Do({"click", "SaveUserName"}));
  ASSERT_TRUE(
      WaitUntil([&] { return Phonebook().find("Password=pw2") != std::string::npos; }, 5000))
      << Phonebook();

  // Chosen on the main page and dialled at once with those credentials.
  ASSERT_TRUE(Do({"set", "ListBox1.ItemIndex", "0"}));
  ASSERT_TRUE(Becomes("ListBox1.Text", "Cable"));
  ASSERT_TRUE(Do({"click", "DialManual"}));
  ASSERT_TRUE(Becomes("IsClientIP.Text", "10.64.7.7", 10000)) << daemon_->Output();
  EXPECT_EQ(Ctl(home_.Path(), {"state", "EntryUserName"}).out, "dave");
  EXPECT_EQ(Ctl(home_.Path(), {"setting", "StaylineConnection"}).out, "Cable");

  // Connected: the page refuses changes until the line is hung up from it.
  ASSERT_TRUE(Do({"set", "PageControl1.ActivePage", "TabSheet1"}));
  ASSERT_TRUE(Do({"set", "PageControl1.ActivePage", "TabSheet2"}));
  ASSERT_TRUE(Becomes("RenameEntry.Enabled", "False"));
  EXPECT_EQ(Get("DFUChanges.Caption"), "Not possible for changes. - HangUp the DFUE connection.");
  ASSERT_TRUE(Do({"click", "HangUpManual2"}));
  ASSERT_TRUE(WaitUntil(
      [&] {
        return Ctl(home_.Path(), {"state", "ActiveConnectionCount"}).out == "0";
      },
      10000));
  ASSERT_TRUE(Becomes("RenameEntry.Enabled", "True"));

  // Renamed while it is the chosen connection: the choice follows and is stored at once.
  ASSERT_TRUE(Becomes("ListBox2.Text", "Cable"));
  ASSERT_TRUE(Do({"answer", "Cable Home"}));
  ASSERT_TRUE(Do({"click", "RenameEntry"}));
  ASSERT_TRUE(Becomes("ListBox2.Items", "Cable Home\nOffice DSL"));
  EXPECT_EQ(Ctl(home_.Path(), {"setting", "StaylineConnection"}).out, "Cable Home");
  EXPECT_EQ(Get("ListBox1.Text"), "Cable Home");
  const std::string hives =
      ReadFile(home_ / "config/HKLM.reg") + ReadFile(home_ / "config/HKCU.reg");
  EXPECT_NE(hives.find("\"StaylineConnection\"=\"Cable Home\""), std::string::npos) << hives;
  EXPECT_NE(Phonebook().find("[Cable Home]\nUserName=dave\nPassword=pw2"), std::string::npos)
      << Phonebook();

  // Deleted: the remaining entry becomes the choice.
  ASSERT_TRUE(Do({"answer", "Yes"}));
  ASSERT_TRUE(Do({"click", "DeleteEntry"}));
  ASSERT_TRUE(Becomes("ListBox2.Items", "Office DSL"));
  EXPECT_EQ(Ctl(home_.Path(), {"setting", "StaylineConnection"}).out, "Office DSL");
  EXPECT_EQ(Phonebook().find("Cable"), std::string::npos) << Phonebook();
}

}  // namespace
