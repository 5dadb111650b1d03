// Dialling, the redial watcher and hanging up on the simulated line in virtual time.

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include "app/connection_keeper.h"
#include "app/direct_dial.h"
#include "app/life_cycle.h"
#include "core/text.h"
#include "unit/app/support/stayline_fixture.h"

namespace {

using app_test::StaylineTest;

class ConnectionTest : public StaylineTest {
 protected:
  int CountLines(const std::string& label) {
    int n = 0;
    for (const std::string& l : TimeLogLines()) n += core::StartsWithNoCase(l, label) ? 1 : 0;
    return n;
  }
};

TEST_F(ConnectionTest, AutoConnectAtStartDialsAndLogsTheConnectWithTheClientAddress) {
  StartAutoDial();
  ASSERT_TRUE(RunUntilOnline("10.64.0.10"));
  RunFor(1500);
  EXPECT_EQ(Form().Status2.Caption().rfind("Connected... ", 0), 0u) << Form().Status2.Caption();
  EXPECT_TRUE(Form().Status2.Visible());
  EXPECT_TRUE(Form().TimerX.Enabled());
  EXPECT_EQ(Form().IsClientIP.Text(), "10.64.0.10");
  EXPECT_EQ(Form().TrayIcon.Icon(), "ImageConnect");
  ASSERT_EQ(CountLines("Connect...:"), 1) << TimeLog();
  EXPECT_NE(TimeLog().find("ClientIP: 10.64.0.10      |"), std::string::npos) << TimeLog();
}

TEST_F(ConnectionTest, AConnectionCountsWithAClientAddressEvenWithoutAServerAddress) {
  auto phonebook = [&](const char* client, const char* server) {
    std::ofstream(paths.configDir + "/phonebook.ini", std::ios::trunc)
        << "[Office DSL]\nUserName=alice\nPassword=secret\nConnectMs=500\nClientIPs=" << client
        << "\nServerIP=" << server << "\n";
  };
  // a tunnel without a far end of its own
  phonebook("10.64.0.10", "0.0.0.0");
  StartAutoDial();
  ASSERT_TRUE(RunUntilOnline("10.64.0.10"));
  RunFor(1500);
  ASSERT_EQ(CountLines("Connect...:"), 1) << TimeLog();
  EXPECT_NE(TimeLog().find("ServerIP: 0.0.0.0         ClientIP: 10.64.0.10      |"),
            std::string::npos)
      << TimeLog();
  // a connection without a client address is not counted
  phonebook("0.0.0.0", "10.64.0.1");
  Sim().Drop("");
  RunFor(5000);
  EXPECT_EQ(State().ActiveConnectionCount, 1);
  EXPECT_EQ(State().ConnectTick, 0u);
  EXPECT_EQ(CountLines("Connect...:"), 1) << TimeLog();
}

TEST_F(ConnectionTest, ADroppedLineIsLoggedAndRedialledWithTheNextAddress) {
  StartAutoDial();
  ASSERT_TRUE(RunUntilOnline("10.64.0.10"));
  RunFor(5000);
  Sim().Drop("");
  ASSERT_TRUE(RunUntilOnline("10.64.0.11", 5000));
  RunFor(1500);
  EXPECT_EQ(CountLines("DisConnect:"), 1) << TimeLog();
  EXPECT_EQ(CountLines("Connect...:"), 2) << TimeLog();
  // The first connection lasted about five seconds; that time is carried over.
  EXPECT_GE(State().AccumulatedOnlineMs, 5000u);
  EXPECT_LT(State().AccumulatedOnlineMs, 8000u);
}

TEST_F(ConnectionTest, WithoutAutoConnectALostLineOnlyChangesTheStatus) {
  Start({{"AutoConnect", "0"}, {"StaylineConnection", "Office DSL"}, {"Language", "1"}});
  RunFor(3000);
  EXPECT_EQ(State().ActiveConnectionCount, 0);
  Form().DialManual.UserClick();
  ASSERT_TRUE(RunUntilOnline("10.64.0.10"));
  Sim().Drop("");
  RunFor(10'000);
  EXPECT_EQ(State().ActiveConnectionCount, 0);
  EXPECT_EQ(Form().Status2.Caption(), "Keine Verbindung... ");
}

TEST_F(ConnectionTest, HangUpStopsTheRedialAndDialResumesIt) {
  StartAutoDial();
  ASSERT_TRUE(RunUntilOnline("10.64.0.10"));
  Form().HangUpManual.UserClick();
  EXPECT_TRUE(State().ManualHangUp);
  EXPECT_EQ(State().ActiveConnectionCount, 0);
  EXPECT_TRUE(State().LastClientIP.empty());
  RunFor(10'000);
  EXPECT_EQ(State().ActiveConnectionCount, 0);
  EXPECT_FALSE(Form().TimerX.Enabled());
  EXPECT_EQ(Form().Status2.Caption().rfind("DisConnected... ", 0), 0u);

  Form().DialManual.UserClick();
  EXPECT_FALSE(State().ManualHangUp);
  ASSERT_TRUE(RunUntilOnline("10.64.0.11"));
  // and the watcher redials a later drop again
  Sim().Drop("");
  EXPECT_TRUE(RunUntilOnline("10.64.0.12", 5000));
}

TEST_F(ConnectionTest, StatusTextsFollowTheLanguageAndTheOnlineTimeBox) {
  struct Case {
    const char* language;
    bool viewTime;
    app::ConnectionKeeper::Status status;
    std::string expected;
  } cases[] = {
      {"1", false, app::ConnectionKeeper::Status::Dialing, "Verbinde... "},
      {"1", false, app::ConnectionKeeper::Status::Connected, "Verbunden... "},
      {"1", false, app::ConnectionKeeper::Status::DisConnected, "Keine Verbindung... "},
      {"0", false, app::ConnectionKeeper::Status::Dialing, "Dialing... "},
      {"0", false, app::ConnectionKeeper::Status::Connected, "Connected... "},
      {"0", false, app::ConnectionKeeper::Status::DisConnected, "DisConnected... "},
      {"0", true, app::ConnectionKeeper::Status::Connected, "Connected... <time>"},
  };
  Start();
  State().OnlineTimeText = "<time>";
  for (const Case& c : cases) {
    main->Regs().Language = c.language;
    Form().ViewOnlineTimeBox.SetChecked(c.viewTime);
    EXPECT_EQ(main->Keeper().StatusText(c.status), c.expected);
  }
}

TEST_F(ConnectionTest, MissingCredentialsShowTheErrorAndRunTheRecovery) {
  Start({{"AutoConnect", "0"}, {"StaylineConnection", "NoPassword"}, {"Language", "0"}});
  Form().DialManual.UserClick();
  EXPECT_TRUE(Form().ErrorMessage.Visible());
  EXPECT_EQ(Form().ErrorMessage.Caption(), "Error: No Username or Password");
  EXPECT_EQ(restarts, 1);
  EXPECT_EQ(exited, std::vector<int>{1});
  EXPECT_GE(dialogs.BeepCount(), 1);
}

TEST_F(ConnectionTest, ChoosingAnEntryStoresItAndChecksItsCredentials) {
  Start({{"AutoConnect", "0"}, {"StaylineConnection", "NoPassword"}, {"Language", "0"}});
  Form().ErrorMessage.SetVisible(true);
  Form().ListBox1.SetProperty("Text", "Office DSL", forms::Origin::User);
  EXPECT_EQ(Stored("StaylineConnection"), "Office DSL");
  EXPECT_EQ(Form().ActiveConnections.Caption(), "Selected Connection: Office DSL");
  EXPECT_FALSE(Form().ErrorMessage.Visible());
  EXPECT_EQ(restarts, 0);
  // an entry without a saved password cannot be dialled: the recovery restarts the program
  Form().ListBox1.SetProperty("Text", "NoPassword", forms::Origin::User);
  EXPECT_TRUE(Form().ErrorMessage.Visible());
  EXPECT_EQ(restarts, 1);
}

TEST_F(ConnectionTest, DirectDialReadsTheStoredCredentials) {
  Start({{"AutoConnect", "0"}, {"StaylineConnection", "Office DSL"}});
  app::DirectDial& direct = main->Direct();
  direct.btnGetParamsClick();
  EXPECT_EQ(State().EntryUserName, "alice");
  EXPECT_EQ(State().EntryPassword, "secret");
  EXPECT_EQ(ras::GetRasField(State().DialParams.szEntryName), "Office DSL");

  // an entry without a saved password does not inherit the last one
  Form().ListBox1.SetText("NoPassword");
  direct.btnGetParamsClick();
  EXPECT_EQ(State().EntryUserName, "carol");
  EXPECT_EQ(State().EntryPassword, "");

  // an unknown entry clears both and leaves the record as it was
  const ras::RASDIALPARAMSA before = State().DialParams;
  Form().ListBox1.SetText("Ghost");
  direct.btnGetParamsClick();
  EXPECT_EQ(State().EntryUserName, "");
  EXPECT_EQ(State().EntryPassword, "");
  EXPECT_EQ(std::memcmp(&before, &State().DialParams, sizeof before), 0);
}

TEST_F(ConnectionTest, ARefusedDirectDialKeepsTheRecordAndReturnsTheError) {
  Start({{"AutoConnect", "0"}, {"StaylineConnection", "Office DSL"}});
  app::DirectDial& direct = main->Direct();
  direct.btnGetParamsClick();
  const ras::RASDIALPARAMSA before = State().DialParams;
  Form().ListBox1.SetText("Ghost");
  EXPECT_EQ(direct.btnDialEntryClick(), ras::ERROR_CANNOT_FIND_PHONEBOOK_ENTRY);
  EXPECT_EQ(std::memcmp(&before, &State().DialParams, sizeof before), 0);

  Form().ListBox1.SetText("Office DSL");
  EXPECT_EQ(direct.btnDialEntryClick(), 0u);
  EXPECT_EQ(ras::GetRasField(State().DialParams.szUserName), "alice");
  // a second dial while the first still runs is refused by the line
  EXPECT_NE(direct.btnDialEntryClick(), 0u);
}

TEST_F(ConnectionTest, DialProgressAndDialErrorsOfTheComponentAreStatusLines) {
  std::ofstream(paths.configDir + "/phonebook.ini", std::ios::trunc)
      << "[Office DSL]\nUserName=alice\nPassword=secret\nConnectMs=1000\nFailDials=1\n"
         "FailError=678\n";
  line->SetErrorLanguage(ras::RasTextLanguage::kEnglish);
  Start({{"AutoConnect", "0"},
         {"StaylineConnection", "Office DSL"},
         {"SaveOnlineTimer", "1"},
         {"Language", "1"}});
  auto statusTexts = [&] {
    std::vector<std::string> texts;
    for (const std::string& l : TimeLogLines()) {
      if (l.rfind(" Status...: ", 0) != 0) continue;
      EXPECT_EQ(l.find("ServerIP"), std::string::npos) << l;  // no addresses, no browser part
      texts.push_back(l.substr(l.find(" | ") + 3));
    }
    return texts;
  };
  const int beeps = dialogs.BeepCount();
  // a dial that fails while the device connects
  main->Keeper().DialThroughComponent();
  RunFor(2000);
  EXPECT_EQ(statusTexts(),
            (std::vector<std::string>{"Anschluss wird geöffnet", "Anschluss ist geöffnet",
                                      "Error: The remote computer did not respond."}));
  EXPECT_EQ(dialogs.BeepCount(), beeps + 1);
  // an entry the phonebook lacks: the dial cannot start
  main->Regs().StaylineConnection = "Ghost";
  main->Keeper().DialThroughComponent();
  EXPECT_EQ(statusTexts().back(), "Error: GetEntryDialParams failed");
  EXPECT_EQ(dialogs.BeepCount(), beeps + 2);
  // with the log off nothing is written
  Form().WriteLogFileBox.SetChecked(false);
  const std::size_t before = TimeLogLines().size();
  main->Keeper().DialThroughComponent();
  EXPECT_EQ(TimeLogLines().size(), before);
}

TEST_F(ConnectionTest, WithoutPhonebookEntriesNothingIsDialled) {
  std::ofstream(paths.configDir + "/phonebook.ini", std::ios::trunc) << "";
  StartAutoDial();
  RunFor(5000);
  EXPECT_FALSE(State().HasPhonebookEntries);
  EXPECT_EQ(State().ActiveConnectionCount, 0);
  EXPECT_EQ(Form().IPHandle.Caption(), "No DFUE available or closed");
  EXPECT_TRUE(Form().IPHandle.Visible());
  Form().Show();  // Connecting beeps without entries
  EXPECT_GE(dialogs.BeepCount(), 1);
  EXPECT_EQ(restarts, 0);
}

}  // namespace
