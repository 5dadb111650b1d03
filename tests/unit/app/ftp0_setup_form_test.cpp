// The auto-FTP setup dialog driven as a user would: what OK stores in the settings and as a
// profile copy, the check boxes acting on the record in memory, Default, the folder buttons, and
// every caption and hint in both languages, also after a switch while the dialog is open.

#include "app/ftp0_setup_form.h"

#include <functional>
#include <set>

#include "app/language_aware.h"
#include "settings/regs_table.h"
#include "unit/app/support/ftp_dialog_fixture.h"

namespace {

using app::Tftp0Setup;

class Ftp0SetupTest : public app_test::FtpDialogTest {
 protected:
  // Opens the dialog, lets `user` work in it, and answers it with `answer` ("OK" clicks OK).
  forms::ModalResult Run(const std::function<void(Tftp0Setup&)>& user,
                         const std::string& answer = "OK") {
    dialogs.OnModal = [&](forms::Form& form) {
      user(dynamic_cast<Tftp0Setup&>(form));
      dialogs.QueueAnswer(answer);
    };
    const auto result = Tftp0Setup::Execute(store, dialogs);
    dialogs.OnModal = nullptr;
    return result;
  }

 public:
  void FillComplete(Tftp0Setup& f) {
    Type(f, "ServerHostName", "ftp.example.net");
    Type(f, "LoginName", "webuser");
    Type(f, "FTPPassword", "pw1");
    Type(f, "HostPath", "/htdocs");
    Type(f, "UploadPath", "/home/u/up");
    Type(f, "DownloadPath", "/home/u/down");
    Type(f, "FTPPort", "2121");
  }
};

TEST_F(Ftp0SetupTest, OkStoresTheEditsTheTemplateAndAProfileCopy) {
  struct Case {
    const char* what;
    std::function<void(Ftp0SetupTest&, Tftp0Setup&)> user;
    std::map<std::string, std::string> settings;  // plain values expected in the registry
    std::string profileName;                      // the copy stored, "" for none
    int beeps;
  };
  const std::string longText(300, 'k');
  const std::vector<Case> cases{
      {"every field typed",
       [](Ftp0SetupTest& t, Tftp0Setup& f) {
         t.FillComplete(f);
         Type(f, "HtmlName", "ip.htm");
         Type(f, "MySetUpDynaUrlEdit", "  http://me.example.org/ip.htm ");
         Type(f, "HTMLText", "  <p>#CIP#</p>\r\n\r\n");
       },
       {{"FTP_Host", "ftp.example.net"},
        {"FTP_Login", "webuser"},
        {"FTP_Password", "pw1"},
        {"FTP_StartPath", "/htdocs"},
        {"FTP_UploadPath", "/home/u/up"},
        {"FTP_DownloadPath", "/home/u/down"},
        {"FTP_Port", "2121"},
        {"FTP_HTML_Name", "ip.htm"},
        {"DynaHomeUrl", "http://me.example.org/ip.htm"},
        {"FTP_HTML_User", "<p>#CIP#</p>"},
        {"FTP_Profil", "Auto FTP"}},
       "Auto FTP",
       0},
      {"an empty host keeps the stored one and stores no profile",
       [](Ftp0SetupTest& t, Tftp0Setup& f) {
         t.FillComplete(f);
         Type(f, "ServerHostName", "   ");
       },
       {{"FTP_Host", "old.example.net"}, {"FTP_Login", "webuser"}},
       "",
       1},
      {"a login \"Anonymous\" does not replace the real login",
       [](Ftp0SetupTest& t, Tftp0Setup& f) {
         t.FillComplete(f);
         Type(f, "LoginName", "AnonYmous");
       },
       {{"FTP_Login", "olduser"}, {"FTP_Login_Anonymus", "0"}},
       "Auto FTP",
       0},
      {"another profile name names only the copy",
       [](Ftp0SetupTest& t, Tftp0Setup& f) {
         t.FillComplete(f);
         f.ProfilName.SetText("My Server");  // read-only for a user
       },
       {{"FTP_Profil", "Auto FTP"}},
       "My Server",
       0},
      {"long host, login and password are cut to 255",
       [&](Ftp0SetupTest& t, Tftp0Setup& f) {
         t.FillComplete(f);
         Type(f, "ServerHostName", longText);
         Type(f, "LoginName", longText);
         Type(f, "FTPPassword", longText);
       },
       {{"FTP_Host", longText.substr(0, 255)},
        {"FTP_Login", longText.substr(0, 255)},
        {"FTP_Password", longText.substr(0, 255)}},
       "Auto FTP",
       0},
      {"an emptied page template becomes the factory page",
       [](Ftp0SetupTest& t, Tftp0Setup& f) {
         t.FillComplete(f);
         f.HTMLText.ClearLines();
       },
       {{"FTP_HTML_User", std::string(settings::kDefaultHtmlPage)}},
       "Auto FTP",
       0},
  };
  const std::set<std::string> scrambled{"FTP_Host", "FTP_Login", "FTP_Password"};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Seed({{"FTP_Host", settings::SettingsStore::ScrambleText("old.example.net")},
          {"FTP_Login", settings::SettingsStore::ScrambleText("olduser")},
          {"FTP_HTML_User", "<b>old</b>"}});
    std::vector<std::string> before;
    store.GetProfileNames(before);
    for (const auto& name : before) store.DeleteProfile(name);
    const int beeps = dialogs.BeepCount();

    EXPECT_EQ(Run([&](Tftp0Setup& f) { c.user(*this, f); }), forms::ModalResult::OK);

    for (const auto& [name, value] : c.settings) {
      EXPECT_EQ(scrambled.count(name) ? StoredPlain(name) : Stored(name), value) << name;
      EXPECT_EQ(store.Data().Field(name), value) << name << " in memory";
    }
    std::vector<std::string> profiles;
    store.GetProfileNames(profiles);
    EXPECT_EQ(profiles, c.profileName.empty() ? std::vector<std::string>{}
                                              : std::vector<std::string>{c.profileName});
    EXPECT_EQ(dialogs.BeepCount() - beeps, c.beeps);
    EXPECT_TRUE(application.OpenForms().empty()) << "freed on close";
  }
}

TEST_F(Ftp0SetupTest, TheProfileCopyTakesTheFieldsAndTheBoxes) {
  Seed({});
  Run([&](Tftp0Setup& f) {
    FillComplete(f);
    Click(f, "PassiveTransferBox");  // off -> on
    Click(f, "BinaryAsciiBox");      // on -> off: ASCII
    Click(f, "AnonymousBox");
    Click(f, "TlsBox");
    f.HTMLText.SetText("line 1\r\nline 2");
  });
  const settings::TProfileData p = store.ReadProfile("Auto FTP");
  EXPECT_EQ(p, (settings::TProfileData{"Auto FTP", "ftp.example.net", "anonymous", "pw1", "/htdocs",
                                       "/home/u/up", "/home/u/down", "1", "0", "1", "1", "", "2121",
                                       "line 1\r\nline 2", "1"}));
  // the settings keep the real login and take the boxes
  EXPECT_EQ(StoredPlain("FTP_Login"), "your login");
  EXPECT_EQ(Stored("FTP_Login_Anonymus"), "1");
  EXPECT_EQ(Stored("Port_PassiveTransfer"), "1");
  EXPECT_EQ(Stored("FTP_BinaryAscii"), "0");
  EXPECT_EQ(Stored("FTP_Security"), "1");
}

TEST_F(Ftp0SetupTest, CheckBoxesActOnTheRecordInMemoryEvenWithoutOk) {
  Seed({{"FTP_Login", settings::SettingsStore::ScrambleText("realuser")}});
  std::vector<std::string> logins;
  Run(
      [&](Tftp0Setup& f) {
        logins.push_back(f.LoginName.Text());
        Click(f, "AnonymousBox");
        logins.push_back(f.LoginName.Text());
        Click(f, "AnonymousBox");
        logins.push_back(f.LoginName.Text());
        Click(f, "TraceBox");
        Click(f, "PassiveTransferBox");
      },
      "Cancel");
  EXPECT_EQ(logins, (std::vector<std::string>{"realuser", "anonymous", "realuser"}));
  EXPECT_EQ(store.Data().FTP_Trace, "0");
  EXPECT_EQ(store.Data().Port_PassiveTransfer, "1");
  EXPECT_EQ(Stored("FTP_Trace"), "1") << "not written until the record is saved";
  EXPECT_EQ(Stored("Port_PassiveTransfer"), "0");
}

TEST_F(Ftp0SetupTest, DefaultResetsThePageAndWritesTemplateAndAddressAtOnce) {
  Seed({{"FTP_HTML_User", "<b>mine</b>"},
        {"FTP_HTML_Name", "x.htm"},
        {"FTP_StartPath", "/web"},
        {"FTP_Port", "2121"}});
  std::vector<std::string> shown;
  const int beeps = dialogs.BeepCount();
  Run(
      [&](Tftp0Setup& f) {
        Click(f, "BitBtn2Default");
        shown = {f.HtmlName.Text(), f.FTPPort.Text(), f.MySetUpDynaUrlEdit.Text(),
                 f.HTMLText.Text()};
      },
      "Cancel");
  EXPECT_EQ(dialogs.BeepCount() - beeps, 1);
  EXPECT_EQ(shown,
            (std::vector<std::string>{"mydyn.htm", "21", "http://www.example.com/web/mydyn.htm",
                                      std::string(settings::kDefaultHtmlPage)}));
  EXPECT_EQ(Stored("FTP_HTML_User"), settings::kDefaultHtmlPage);
  EXPECT_EQ(Stored("DynaHomeUrl"), "http://www.example.com/web/mydyn.htm");
  EXPECT_EQ(Stored("FTP_HTML_Name"), "x.htm") << "the page name waits for OK";
}

TEST_F(Ftp0SetupTest, FolderButtonsAskThePickerAndTakeAConfirmedChoice) {
  struct Case {
    const char* button;
    const char* edit;
    std::string before;
    std::string answer;
    std::string question;
    std::string after;
  };
  Seed({{"Language", "0"}});
  for (const Case& c : {
           Case{"UploadPathButton", "UploadPath", " /srv/a ", "/srv/b",
                "SelectFolder Select Upload Path [/srv/a] -> /srv/b", "/srv/b"},
           Case{"DownloadPathButton", "DownloadPath", "", "/srv/d",
                "SelectFolder Select Download Path [/] -> /srv/d", "/srv/d"},
           Case{"UploadPathButton", "UploadPath", "/srv/a", "Cancel",
                "SelectFolder Select Upload Path [/srv/a] -> Cancel", "/srv/a"},
       }) {
    SCOPED_TRACE(c.question);
    questions.clear();
    std::string after;
    bool enabled = false;
    Run(
        [&](Tftp0Setup& f) {
          Type(f, c.edit, c.before);
          dialogs.QueueAnswer(c.answer);
          Click(f, c.button);
          after = f.Find(c.edit)->GetProperty("Text").value_or("?");
          enabled = f.Find(c.button)->Enabled();
        },
        "Cancel");
    ASSERT_FALSE(questions.empty());
    EXPECT_EQ(questions.front(), c.question);
    EXPECT_EQ(after, c.after);
    EXPECT_TRUE(enabled);
  }
}

TEST_F(Ftp0SetupTest, CaptionsAndHintsInBothLanguages) {
  struct Text {
    std::string control;  // "" for the form
    std::string prop;
    std::string german;
    std::string english;
  };
  const std::vector<Text> texts{
      {"", "Caption", " Stayline Auto-FTP Setup", " Stayline Auto-FTP Setup"},
      {"TabSheet1", "Caption", "Auto-FTP Einstellungen", "Auto-FTP Setting"},
      {"ProfilNameLabel", "Caption", "Profil-Name:", "Profil-Name:"},
      {"ProfilNameLabel", "Hint", "Profil-Name", "Profil-Name"},
      {"ServerHostNameLabel", "Caption", "Server Host-Adresse:", "Server Host-Adress:"},
      {"ServerHostNameLabel", "Hint", "Server Host-Adresse", "Server Host-Adress"},
      {"ServerHostName", "Hint", "FTP Server Host-Adresse", "FTP Server Host-Adress"},
      {"LoginNameLabel", "Caption", "Login-ID:", "Login-ID:"},
      {"LoginNameLabel", "Hint", "Login Identifikation", "Login Identification"},
      {"LoginName", "Hint", "Login Identifikation, meist E-Mail-Adresse",
       "Login identification, most of electronic mail address"},
      {"FTPPasswordLabel", "Caption", "Kennwort:", "Password:"},
      {"FTPPasswordLabel", "Hint", "Kennwort", "Password"},
      {"FTPPassword", "Hint", "FTP Kennwort", "FTP Password"},
      {"HostPathLabel", "Caption", "Host Ordner:", "Host Directory:"},
      {"HostPathLabel", "Hint", "Server Host Ordner", "Server Host Directory"},
      {"HostPath", "Hint", "FTP Server Host Ordner", "FTP Server Host Directory"},
      {"UploadPathLabel", "Caption", "Upload Ordner", "Upload Directory"},
      {"UploadPath", "Hint", "HTML-Datei Ordner, muss der Stayline-Ordner sein",
       "HTML file path must be the Stayline Directory"},
      {"DownloadPathLabel", "Caption", "Download Ordner", "Download Directory"},
      {"UploadPathButton", "Hint", "Upload Ordner ausw\u00e4hlen", "Select Upload Directory"},
      {"DownloadPathButton", "Hint", "Download Ordner ausw\u00e4hlen", "Select Download Directory"},
      {"PassiveTransferBox", "Caption", "Passiver Transfer", "Passive Transfer"},
      {"PassiveTransferBox", "Hint", "Bei einer Firewall aktivieren", "Activating at a Firewall"},
      {"TraceBox", "Caption", "Verb. sichtbar", "Trace Connection"},
      {"TraceBox", "Hint", "Logs sichtbar", "Logs visible"},
      {"BinaryAsciiBox", "Caption", "Bin\u00e4r / ASCII", "Binary / ASCII"},
      {"BinaryAsciiBox", "Hint", "Dateien Bin\u00e4r oder als ASCII \u00fcbertragen",
       "Transferring files binarily or as ASCII"},
      {"AnonymousBox", "Caption", "Anonym", "Anonymous"},
      {"AnonymousBox", "Hint", "Login anonym", "Login anonymous"},
      {"TlsBox", "Caption", "FTP \u00fcber TLS", "FTP over TLS"},
      {"FTPPortLabel", "Caption", "Port:", "Port:"},
      {"FTPPortLabel", "Hint", "FTP-Port, meist 21", "FTP-Port, most 21"},
      {"HtmlName", "Hint", "Name der HTML-Datei die zum FTP-Server \u00fcbertragen werden soll",
       "That is the HTML-File to transferring to FTP server"},
      {"MySetUpDynaUrlLabel", "Caption", "Meine RuveRE URL:", "My RuveRE URL:"},
      {"MySetUpDynaUrlLabel", "Hint", "Meine RuveRE URL", "My RuveRE URL"},
      {"BitBtn2Default", "Hint", "Setze HTML-Datei auf Default-Werte", "Set HTML-File to Defaults"},
      {"BitBtn1ok", "Hint", "Auto-FTP Setup speichern", "Save Auto-FTP Setup"},
      {"HTMLText", "Hint", "HTMLText der in: ip.htm steht", "This is the HTML-Text in: ip.htm"},
      {"ProfilName", "ReadOnly", "True", "True"},
      {"ProfilName", "Text", "Auto FTP", "Auto FTP"},
  };
  for (const bool german : {true, false}) {
    Seed({{"Language", german ? "1" : "0"}, {"FTP_HTML_Name", "ip.htm"}});
    Tftp0Setup form(store, dialogs);
    for (const Text& t : texts) {
      SCOPED_TRACE(t.control + "." + t.prop);
      const auto value =
          t.control.empty() ? form.GetProperty(t.prop) : form.Find(t.control)->GetProperty(t.prop);
      EXPECT_EQ(value.value_or("?"), german ? t.german : t.english);
    }
  }
}

TEST_F(Ftp0SetupTest, AnOpenDialogFollowsTheLanguageButKeepsWhatItShows) {
  Seed({{"Language", "1"}, {"FTP_HTML_Name", "ip.htm"}});
  Run(
      [&](Tftp0Setup& f) {
        Type(f, "HtmlName", "typed.htm");
        Type(f, "ServerHostName", "ftp.typed.net");
        const std::string page = f.HTMLText.Text();
        app::ApplyLanguageToOpenForms(application, false);
        EXPECT_EQ(f.TabSheet1.Caption(), "Auto-FTP Setting");
        EXPECT_EQ(f.MySetUpDynaUrlLabel.Caption(), "My RuveRE URL:");
        EXPECT_EQ(f.MySetUpDynaUrlEdit.Hint(), "My RuveRE URL");
        EXPECT_EQ(f.ServerHostNameLabel.Caption(), "Server Host-Adress:");
        EXPECT_EQ(f.BitBtn1ok.Hint(), "Save Auto-FTP Setup");
        EXPECT_EQ(f.HTMLText.Hint(), "This is the HTML-Text in: ip.htm") << "the stored name";
        EXPECT_EQ(f.HtmlName.Text(), "typed.htm");
        EXPECT_EQ(f.ServerHostName.Text(), "ftp.typed.net");
        EXPECT_EQ(f.ProfilName.Text(), "Auto FTP");
        EXPECT_EQ(f.HTMLText.Text(), page);
        // The folder picker asks in the new language.
        dialogs.QueueAnswer("Cancel");
        Click(f, "UploadPathButton");
      },
      "Cancel");
  ASSERT_FALSE(questions.empty());
  EXPECT_EQ(questions.front().rfind("SelectFolder Select Upload Path ", 0), 0u)
      << questions.front();
}

}  // namespace
