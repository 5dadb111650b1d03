// The language switch: the radio buttons store the choice, and the next tick shows every caption
// and hint of the window in that language (tray menu and open dialogs always, the window while
// it is visible).
#include "app/language_switch.h"

#include <gtest/gtest.h>

#include "app/caption_table.h"
#include "app/control_commands.h"
#include "unit/app/support/stayline_fixture.h"

namespace {

class LanguageSwitchTest : public app_test::StaylineTest {};

TEST_F(LanguageSwitchTest, EveryRowNamesAControlOfTheWindow) {
  Start();
  for (const auto rows : {app::MainWindowCaptions(), app::TrayMenuCaptions()}) {
    for (const app::CaptionRow& row : rows) {
      EXPECT_NE(Form().Find(row.Control), nullptr) << row.Control;
    }
  }
}

TEST_F(LanguageSwitchTest, ASwitchShowsWithinOneTick) {
  StartAutoDial();
  ASSERT_TRUE(RunUntilOnline("10.64.0.10"));
  Form().Show();
  RunFor(1100);
  EXPECT_EQ(Form().TabSheet2.Caption(), "DFUE / Internet");
  EXPECT_EQ(Form().RemoveProgram.Hint(), "Removing program from the system?");

  Form().German.SetChecked(true);
  EXPECT_EQ(Stored("Language"), "1");
  RunFor(1100);
  EXPECT_EQ(Form().TabSheet2.Caption(), "DFÜ / Internet");
  EXPECT_EQ(Form().RemoveProgram.Hint(), "Programm vom System entfernen?");
  EXPECT_EQ(Form().edtHost.Hint(),
            "Hier gültige WWW-Adresse oder IP-Numner oder Computer-Name eingeben");
  EXPECT_EQ(Form().Takt.Hint(), "M = AutoPing im Minutentakt | S = Im Sekundentakt");
  EXPECT_EQ(Form().ConnectButton.Hint(), "FTP-Server verbinden") << "not connected";
  EXPECT_EQ(Form().ListBox2.Hint(), "Verfügbare DFÜ-Verbindungen");
  EXPECT_EQ(Form().ViewOnlineTimeBox.Caption().rfind(" Online-Zeit", 0), 0u);

  Form().MailTo.SetText("me@example.com");
  Form().ESubject.SetText("IP #CIP#");
  Form().English.SetChecked(true);
  EXPECT_EQ(Stored("Language"), "0");
  RunFor(1100);
  EXPECT_EQ(Form().MailTo.Hint(), "Mail to: me@example.com");
  EXPECT_EQ(Form().ESubject.Hint(), "Subject: IP #CIP# | #CIP# = Variable for ClientIP");
  EXPECT_EQ(Form().HangUpManual2.Hint(), "Close Internet connection");
  EXPECT_EQ(Form().ViewOnlineTimeBox.Caption().rfind(" Online-Time", 0), 0u);
}

TEST_F(LanguageSwitchTest, AHiddenWindowKeepsItsTextsButTheTrayMenuFollows) {
  StartAutoDial();
  ASSERT_TRUE(RunUntilOnline("10.64.0.10"));
  Form().Show();
  RunFor(1100);
  Form().Hide();
  Form().German.SetChecked(true);
  RunFor(1100);
  EXPECT_EQ(Form().TabSheet2.Caption(), "DFUE / Internet");
  EXPECT_EQ(Form().PopupDialing.Caption(), "Verbinden");
}

TEST_F(LanguageSwitchTest, AnOpenDialogFollowsWithinOneTickWhileTheWindowIsHidden) {
  Start({{"Language", "0"}});
  RunFor(1100);
  ASSERT_FALSE(Form().Visible());
  dialogs.Interactive = true;  // as in the headless program: the loop and its tick run meanwhile
  app::ControlCommands commands(*main, &dialogs);
  const auto get = [&](const std::string& what) { return commands.Handle("get " + what).Value; };
  std::vector<std::string> before, after;
  loop.CallAfter(100, [&] {
    EXPECT_TRUE(commands.Handle("set TfmSetup.SMTPServer.Text typed.example.org").Ok);
    before = {get("TfmSetup.Label11.Caption"), get("TfmSetup.tsPop3.Hint")};
    Form().German.SetChecked(true);
  });
  loop.CallAfter(1200, [&] {
    after = {get("TfmSetup.Label11.Caption"), get("TfmSetup.tsPop3.Hint"),
             get("TfmSetup.SMTPServer.Text")};
    EXPECT_TRUE(commands.Handle("click TfmSetup.BitBtn1ok").Ok);
  });
  EXPECT_TRUE(commands.Handle("click MailSetup").Ok);
  loop.ProcessMessages();  // runs the click, which returns when the dialog has its result
  EXPECT_EQ(before, (std::vector<std::string>{"Outgoing Mail Server:", "POP3 Settings"}));
  EXPECT_EQ(after, (std::vector<std::string>{"Postausgangs-Server:", "POP3 Einstellungen",
                                             "typed.example.org"}));
  EXPECT_EQ(Stored("SmtpServerName"), "typed.example.org");
  EXPECT_EQ(Form().PopupHangUp.Caption(), "Trennen");
  EXPECT_EQ(Form().TabSheet2.Caption(), "DFUE / Internet") << "the hidden window waits";
}

}  // namespace
