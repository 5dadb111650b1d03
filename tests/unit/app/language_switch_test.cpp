// The language switch: the radio buttons store the choice, and the next tick shows every caption
// and hint of the window in that language (tray menu and open dialogs always, the window while
// it is visible).
#include "app/language_switch.h"

#include <gtest/gtest.h>

#include "app/caption_table.h"
#include "app/mail_setup_form.h"
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
  std::string label, hint, typed;
  dialogs.OnModal = [&](forms::Form& form) {
    auto& setup = dynamic_cast<app::TfmSetup&>(form);
    setup.SMTPServer.SetProperty("Text", "typed.example.org", forms::Origin::User);
    ASSERT_EQ(setup.Label11.Caption(), "Outgoing Mail Server:");
    Form().German.SetChecked(true);
    RunFor(1100);
    label = setup.Label11.Caption();
    hint = setup.tsPop3.Hint();
    typed = setup.SMTPServer.Text();
    dialogs.QueueAnswer("Cancel");
  };
  Form().MailSetup.UserClick();
  dialogs.OnModal = nullptr;
  EXPECT_EQ(label, "Postausgangs-Server:");
  EXPECT_EQ(hint, "POP3 Einstellungen");
  EXPECT_EQ(typed, "typed.example.org");
  EXPECT_EQ(Form().PopupHangUp.Caption(), "Trennen");
  EXPECT_EQ(Form().TabSheet2.Caption(), "DFUE / Internet") << "the hidden window waits";
}

}  // namespace
