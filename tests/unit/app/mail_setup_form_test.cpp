// The mail setup dialog driven as a user would: what it shows from the settings, what OK stores
// (ports that are not numbers become 110 / 25, the type and the security from their lists, the
// CA file), the one warning about a password without security, Default, and every caption and
// hint in both languages, also after a switch while the dialog is open.
#include "app/mail_setup_form.h"

#include <algorithm>
#include <functional>

#include "app/language_aware.h"

#include "unit/app/support/ftp_dialog_fixture.h"

namespace {

using app::TfmSetup;

class MailSetupTest : public app_test::FtpDialogTest {
 protected:
  forms::ModalResult Run(const std::function<void(TfmSetup&)>& user,
                         const std::string& answer = "OK") {
    dialogs.OnModal = [&](forms::Form& form) {
      user(dynamic_cast<TfmSetup&>(form));
      dialogs.QueueAnswer(answer);
    };
    const auto result = TfmSetup::Execute(store, dialogs);
    dialogs.OnModal = nullptr;
    return result;
  }
};

TEST_F(MailSetupTest, ShowsTheSettingsOnTheSmtpPage) {
  Seed({{"SmtpServerName", "mail.example.net"},
        {"SmtpServerPort", "587"},
        {"SmtpAuthType", "1"},
        {"UserEmail", "me@example.net"},
        {"Pop3ServerPort", "995"},
        {"SmtpSecurity", "2"},
        {"TlsCAFile", "/etc/stayline/ca.pem"}});
  Run(
      [](TfmSetup& f) {
        EXPECT_EQ(f.Caption(), " Stayline Mail-Setup");
        EXPECT_EQ(f.PageControl1.ActivePage(), &f.tsSmtp);
        EXPECT_EQ(f.SMTPServer.Text(), "mail.example.net");
        EXPECT_EQ(f.SMTPPort.Text(), "587");
        EXPECT_EQ(f.POPPort.Text(), "995");
        EXPECT_EQ(f.cboAuthType.Items(), (std::vector<std::string>{"None", "Simple Login"}));
        EXPECT_EQ(f.cboAuthType.ItemIndex(), 1);
        EXPECT_EQ(f.Email.Text(), "me@example.net");
        EXPECT_EQ(f.edtAccount.Text(), "Dein SMTP Kontoname");
        EXPECT_EQ(f.edtPassword.PasswordChar, '*');
        EXPECT_EQ(f.cboSecurity.ItemIndex(), 2);
        EXPECT_EQ(f.edtCAFile.Text(), "/etc/stayline/ca.pem");
      },
      "Cancel");
}

TEST_F(MailSetupTest, OkStoresTheEditsWithPortsThatAreNotNumbersReplaced) {
  struct Case {
    const char* what;
    std::string smtpPort, popPort;
    int authIndex;
    std::string wantSmtpPort, wantPopPort, wantAuth;
  };
  const std::vector<Case> cases{
      {"numbers", "2525", "1110", 1, "2525", "1110", "1"},
      {"not numbers", "25x", "pop", 0, "25", "110", "0"},
      {"empty and out of range", "", "70000", 1, "25", "110", "1"},
  };
  for (const auto& c : cases) {
    Seed({});
    const auto result = Run([&](TfmSetup& f) {
      Type(f, "SMTPServer", "smtp.example.org");
      Type(f, "SMTPPort", c.smtpPort);
      Type(f, "POPPort", c.popPort);
      Type(f, "edtAccount", "alice");
      Type(f, "edtPassword", "s3cret");
      Type(f, "Email", "alice@example.org");
      f.cboAuthType.SetProperty("ItemIndex", std::to_string(c.authIndex), forms::Origin::User);
    });
    EXPECT_EQ(result, forms::ModalResult::OK) << c.what;
    EXPECT_EQ(Stored("SmtpServerName"), "smtp.example.org") << c.what;
    EXPECT_EQ(Stored("SmtpServerPort"), c.wantSmtpPort) << c.what;
    EXPECT_EQ(Stored("Pop3ServerPort"), c.wantPopPort) << c.what;
    EXPECT_EQ(Stored("SmtpAuthType"), c.wantAuth) << c.what;
    EXPECT_EQ(Stored("UserEmail"), "alice@example.org") << c.what;
    EXPECT_EQ(store.Data().SmtpServerUser, "alice") << c.what;
    EXPECT_EQ(store.Data().SmtpServerPassword, "s3cret") << c.what;
    EXPECT_NE(Stored("SmtpServerPassword"), "s3cret") << c.what << ": stored scrambled";
  }
}

TEST_F(MailSetupTest, OkStoresTheSecurityAndTheCaFile) {
  for (const int security : {0, 1, 2}) {
    Seed({});
    Run([&](TfmSetup& f) {
      f.cboSecurity.SetProperty("ItemIndex", std::to_string(security), forms::Origin::User);
      Type(f, "edtCAFile", "  /home/me/ca.pem ");
    });
    EXPECT_EQ(Stored("SmtpSecurity"), std::to_string(security));
    EXPECT_EQ(Stored("TlsCAFile"), "/home/me/ca.pem");
  }
}

TEST_F(MailSetupTest, APasswordWithoutSecurityIsWarnedOfOncePerCombination) {
  const auto warnings = [&] {
    return std::count_if(questions.begin(), questions.end(), [](const std::string& q) {
      return q.find("the password crosses the network readable") != std::string::npos;
    });
  };
  struct Step {
    const char* what;
    std::string password;
    int auth;
    int security;
    bool warned;
  };
  const std::vector<Step> steps{
      {"login with a password, no security", "s3cret", 1, 0, true},
      {"the same again", "s3cret", 1, 0, false},
      {"STARTTLS", "s3cret", 1, 1, false},
      {"back to none", "s3cret", 1, 0, true},
      {"another password", "other", 1, 0, true},
      {"TLS", "other", 1, 2, false},
      {"no login: the password is not sent", "other", 0, 0, false},
      {"no password", "", 1, 0, false},
  };
  Seed({{"Language", "0"}});
  for (const auto& step : steps) {
    const auto before = warnings();
    Run([&](TfmSetup& f) {
      Type(f, "edtPassword", step.password);
      f.cboAuthType.SetProperty("ItemIndex", std::to_string(step.auth), forms::Origin::User);
      f.cboSecurity.SetProperty("ItemIndex", std::to_string(step.security), forms::Origin::User);
    });
    EXPECT_EQ(warnings() - before, step.warned ? 1 : 0) << step.what;
    // Stored all the same.
    EXPECT_EQ(Stored("SmtpSecurity"), std::to_string(step.security)) << step.what;
  }
}

TEST_F(MailSetupTest, DefaultBeepsAndRestoresSubjectAndTextOfTheLanguage) {
  for (const auto& [language, text] :
       {std::pair<std::string, std::string>{"1", "Die IP hat sich ge\u00e4ndert in #CIP#"},
        {"0", "The IP has changed in #CIP#"}}) {
    Seed({{"Language", language}, {"ESubject", "mine"}, {"EmailText", "my text"}});
    const int beeps = dialogs.BeepCount();
    Run([](TfmSetup& f) { Click(f, "BitBtn2Default"); }, "Cancel");
    EXPECT_EQ(dialogs.BeepCount(), beeps + 1);
    EXPECT_EQ(Stored("ESubject"), "ClientIP Changed: #CIP#");
    EXPECT_EQ(Stored("EmailText"), text) << language;
  }
}

TEST_F(MailSetupTest, CaptionsAndHintsInBothLanguages) {
  struct Text {
    const char* control;
    const char* german[2];
    const char* english[2];
  };
  const std::vector<Text> texts{
      {"tsPop3", {"POP3 Einstellungen", "POP3 Einstellungen"}, {"POP3 Settings", "POP3 Settings"}},
      {"tsSmtp", {"SMTP Einstellungen", "SMTP Einstellungen"}, {"SMTP Settings", "SMTP Settings"}},
      {"Label1",
       {"Posteingangs-Server:", "Posteingangs-Server"},
       {"Incoming Mail Server:", "Incoming Mail Server"}},
      {"Label8", {"Kontoname:", "Kontoname"}, {"Account:", "Account"}},
      {"label9", {"Kennwort:", "Kennwort"}, {"Password:", "Password"}},
      {"Label10", {"E-Mail-Adresse:", "Eigene E-Mail-Adresse"}, {"Your Email:", "Your Email"}},
      {"Label11",
       {"Postausgangs-Server:", "Postausgangs-Server"},
       {"Outgoing Mail Server:", "Outgoing Mail Server"}},
      {"lblAuthenticationType", {"Typ:", "Typ"}, {"Type:", "Type"}},
      {"lbAccount", {"Kontoname:", "Kontoname"}, {"Account:", "Account"}},
      {"lbPassword", {"Kennwort:", "Kennwort"}, {"Password:", "Password"}},
      {"lblSecurity",
       {"Sicherheit:", "Verschl\u00fcsselung der Verbindung zum Postausgangs-Server"},
       {"Security:", "Encryption of the connection to the outgoing mail server"}},
      {"lblCAFile",
       {"CA-Datei:",
        "PEM-Datei mit Zertifikaten, denen au\u00dfer denen des Systems vertraut wird"},
       {"CA file:", "PEM file of certificates trusted besides the system's"}},
  };
  for (const bool german : {true, false}) {
    Seed({{"Language", german ? "1" : "0"}});
    TfmSetup f(store, dialogs);
    for (const auto& t : texts) {
      const auto& want = german ? t.german : t.english;
      forms::Control* c = f.Find(t.control);
      ASSERT_NE(c, nullptr) << t.control;
      EXPECT_EQ(c->Caption(), want[0]) << t.control;
      EXPECT_EQ(c->Hint(), want[1]) << t.control;
    }
  }
}

TEST_F(MailSetupTest, AnOpenDialogFollowsTheLanguageButKeepsWhatItShows) {
  Seed({{"Language", "1"},
        {"SmtpServerName", "mail.example.net"},
        {"EmailText", "my text"},
        {"SmtpSecurity", "1"}});
  Run(
      [&](TfmSetup& f) {
        Type(f, "SMTPServer", "typed.example.org");
        ASSERT_EQ(f.Label11.Caption(), "Postausgangs-Server:");
        ASSERT_EQ(f.cboSecurity.Items(),
                  (std::vector<std::string>{"Keine", "STARTTLS", "TLS (Port 465)"}));
        const std::string account = f.edtAccount.Text();
        app::ApplyLanguageToOpenForms(application, false);
        EXPECT_EQ(f.Label11.Caption(), "Outgoing Mail Server:");
        EXPECT_EQ(f.tsSmtp.Hint(), "SMTP Settings");
        EXPECT_EQ(f.lblAuthenticationType.Caption(), "Type:");
        EXPECT_EQ(f.Label10.Hint(), "Your Email");
        EXPECT_EQ(f.SMTPServer.Text(), "typed.example.org");
        EXPECT_EQ(f.edtAccount.Text(), account);
        EXPECT_EQ(f.cboAuthType.Items(), (std::vector<std::string>{"None", "Simple Login"}));
        EXPECT_EQ(f.cboSecurity.Items(),
                  (std::vector<std::string>{"None", "STARTTLS", "TLS (port 465)"}));
        EXPECT_EQ(f.cboSecurity.ItemIndex(), 1) << "the choice stays";
        // Default, clicked after the switch, restores the text of the language now chosen.
        Click(f, "BitBtn2Default");
      },
      "Cancel");
  EXPECT_EQ(Stored("EmailText"), "The IP has changed in #CIP#");
  EXPECT_EQ(Stored("SmtpServerName"), "mail.example.net") << "cancelled";
}

}  // namespace
