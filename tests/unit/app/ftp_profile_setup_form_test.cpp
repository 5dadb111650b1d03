// The mini-FTP profile dialog driven as a user would: the list of profiles, choosing one,
// Save, Delete, Default and OK, the name handed back on close, and its own captions, which follow
// a language switch while the dialog is open.

#include "app/ftp_profile_setup_form.h"

#include <functional>

#include "app/language_aware.h"
#include "unit/app/support/ftp_dialog_fixture.h"

namespace {

using app::TftpProfileSetup;
using settings::TProfileData;

class ProfileSetupTest : public app_test::FtpDialogTest {
 protected:
  void SetUp() override {
    Seed({{"Language", "0"},
          {"FTP_Host", settings::SettingsStore::ScrambleText("auto.example.net")},
          {"FTP_Login", settings::SettingsStore::ScrambleText("autouser")}});
  }
  static TProfileData Profile(const std::string& name, const std::string& host,
                              const std::string& passive = "0") {
    return {name, host, "user-" + name, "pw",           "/", "/up", "/down", passive, "1", "1",
            "0",  "",   "21",           "about " + name};
  }
  // Opens the dialog, lets `user` work in it and answers with `answer`; the name handed back.
  std::string Run(const std::function<void(TftpProfileSetup&)>& user,
                  const std::string& answer = "Cancel") {
    dialogs.OnModal = [&](forms::Form& form) {
      user(dynamic_cast<TftpProfileSetup&>(form));
      dialogs.QueueAnswer(answer);
    };
    const std::string name = TftpProfileSetup::Execute(store, dialogs);
    dialogs.OnModal = nullptr;
    return name;
  }
  static std::vector<std::string> Shown(TftpProfileSetup& f) {
    return {f.ProfilNameBox.Text(), f.ServerHostName.Text(),
            f.LoginName.Text(),     f.FTPPort.Text(),
            f.HTMLText.Text(),      f.PassiveTransferBox.Checked() ? "P" : "-"};
  }
  std::vector<std::string> Names() {
    std::vector<std::string> names;
    store.GetProfileNames(names);
    return names;
  }
};

TEST_F(ProfileSetupTest, OpensOnTheFirstProfileOrOnTheAutoFtpSettings) {
  std::vector<std::string> shown;
  EXPECT_EQ(Run([&](TftpProfileSetup& f) { shown = Shown(f); }), "Auto FTP");
  EXPECT_EQ(shown, (std::vector<std::string>{"Auto FTP", "auto.example.net", "autouser", "21",
                                             std::string(settings::kDefaultHtmlPage), "-"}));

  store.WriteProfile("zeta", Profile("zeta", "z.example.net"));
  store.WriteProfile("alpha", Profile("alpha", "a.example.net", "1"));
  std::vector<std::string> items;
  EXPECT_EQ(Run([&](TftpProfileSetup& f) {
              shown = Shown(f);
              items = f.ProfilNameBox.Items();
            }),
            "alpha");
  EXPECT_EQ(items, (std::vector<std::string>{"alpha", "zeta"}));
  EXPECT_EQ(shown, (std::vector<std::string>{"alpha", "a.example.net", "user-alpha", "21",
                                             "about alpha", "P"}));
}

TEST_F(ProfileSetupTest, ButtonsKeepTheProfilesAsTheUserAsks) {
  struct Case {
    const char* what;
    std::function<void(TftpProfileSetup&)> user;
    std::string answer;
    std::string handedBack;
    std::vector<std::string> profiles;  // stored afterwards
    int beeps;
    std::string alphaHostDir;  // the stored alpha's host folder afterwards
  };
  const std::vector<Case> cases{
      {"choosing a profile shows it",
       [](TftpProfileSetup& f) {
         f.ProfilNameBox.SetProperty("ItemIndex", "1", forms::Origin::User);
         EXPECT_EQ(f.ServerHostName.Text(), "z.example.net");
         EXPECT_EQ(f.HTMLText.Text(), "about zeta");
       },
       "Cancel",
       "zeta",
       {"alpha", "zeta"},
       0,
       "/"},
      {"Save under a new name stores a copy and selects it",
       [](TftpProfileSetup& f) {
         Type(f, "ProfilNameBox", " beta ");
         Type(f, "ServerHostName", "b.example.net");
         Click(f, "AnonymousBox");
         Click(f, "BitBtn3Save");
         EXPECT_EQ(f.ProfilNameBox.Items(), (std::vector<std::string>{"alpha", "beta", "zeta"}));
         EXPECT_EQ(f.ProfilNameBox.Text(), "beta");
       },
       "Cancel",
       "beta",
       {"alpha", "beta", "zeta"},
       0,
       "/"},
      {"an incomplete profile is not stored",
       [](TftpProfileSetup& f) {
         Type(f, "ProfilNameBox", "gamma");
         Type(f, "FTPPort", "");
         Click(f, "BitBtn3Save");
       },
       "Cancel",
       "gamma",
       {"alpha", "zeta"},
       1,
       "/"},
      {"Save without a name",
       [](TftpProfileSetup& f) {
         Type(f, "ProfilNameBox", "  ");
         Click(f, "BitBtn3Save");
       },
       "Cancel",
       "Auto FTP",
       {"alpha", "zeta"},
       1,
       "/"},
      {"Delete of Auto FTP is refused",
       [](TftpProfileSetup& f) {
         Type(f, "ProfilNameBox", " auto ftp ");
         Click(f, "BitBtn4Delete");
       },
       "Cancel",
       "auto ftp",
       {"alpha", "Auto FTP", "zeta"},
       1,
       "/"},
      {"Delete removes the profile and shows Auto FTP",
       [](TftpProfileSetup& f) {
         Click(f, "BitBtn4Delete");  // alpha, shown first
         EXPECT_EQ(f.ProfilNameBox.Items(), (std::vector<std::string>{"zeta"}));
       },
       "Cancel",
       "Auto FTP",
       {"zeta"},
       0,
       ""},
      {"OK stores the shown profile",
       [](TftpProfileSetup& f) { Type(f, "HostPath", "/pub"); },
       "OK",
       "alpha",
       {"alpha", "zeta"},
       0,
       "/pub"},
      {"Default stores nothing",
       [](TftpProfileSetup& f) {
         Click(f, "BitBtn2Default");
         EXPECT_EQ(Shown(f), (std::vector<std::string>{"Default FTP", "auto.example.net",
                                                       "autouser", "21", "Comment", "-"}));
         EXPECT_TRUE(f.TraceBox.Checked());
         EXPECT_TRUE(f.BinaryAsciiBox.Checked());
       },
       "Cancel",
       "Default FTP",
       {"alpha", "zeta"},
       1,
       "/"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    for (const auto& name : Names()) store.DeleteProfile(name);
    store.WriteProfile("alpha", Profile("alpha", "a.example.net"));
    store.WriteProfile("zeta", Profile("zeta", "z.example.net"));
    if (std::string(c.what).starts_with("Delete of")) {
      store.WriteProfile("Auto FTP", Profile("Auto FTP", "auto.example.net"));
    }
    const int beeps = dialogs.BeepCount();
    EXPECT_EQ(Run(c.user, c.answer), c.handedBack);
    EXPECT_EQ(Names(), c.profiles);
    EXPECT_EQ(dialogs.BeepCount() - beeps, c.beeps);
    EXPECT_EQ(store.ReadProfile("alpha").PHostDir, c.alphaHostDir);
  }
}

TEST_F(ProfileSetupTest, SavedProfilesTakeTheFieldsAndTheBoxes) {
  Run([](TftpProfileSetup& f) {
    Type(f, "ProfilNameBox", "beta");
    Type(f, "ServerHostName", "b.example.net");
    Type(f, "HostPath", "/pub");
    Click(f, "AnonymousBox");
    Click(f, "PassiveTransferBox");
    Click(f, "TlsBox");
    f.HTMLText.SetText("first\r\nsecond\r\n");
    Click(f, "BitBtn3Save");
  });
  EXPECT_EQ(store.ReadProfile("beta"),
            (TProfileData{"beta", "b.example.net", "anonymous", "please enter your password",
                          "/pub", store.Data().FTP_UploadPath, store.Data().FTP_DownloadPath, "1",
                          "1", "1", "1", "", "21", "first\r\nsecond", "1"}));
  // The profile's boxes are the profile's: the auto-FTP settings keep theirs.
  EXPECT_EQ(store.Data().Port_PassiveTransfer, "0");
  EXPECT_EQ(store.Data().FTP_Login_Anonymus, "0");
  EXPECT_EQ(store.Data().FTP_Security, "0");
}

TEST_F(ProfileSetupTest, UncheckingAnonymousGivesBackTheProfilesOwnLogin) {
  store.WriteProfile("alpha", Profile("alpha", "a.example.net"));
  std::vector<std::string> logins;
  Run([&](TftpProfileSetup& f) {
    Click(f, "AnonymousBox");
    logins.push_back(f.LoginName.Text());
    Click(f, "AnonymousBox");
    logins.push_back(f.LoginName.Text());
  });
  EXPECT_EQ(logins, (std::vector<std::string>{"anonymous", "user-alpha"}));
}

TEST_F(ProfileSetupTest, CaptionsAndHintsOfItsOwn) {
  struct Text {
    std::string control;
    std::string prop;
    std::string german;
    std::string english;
  };
  const std::vector<Text> texts{
      {"", "Caption", " Stayline Mini-FTP Setup", " Stayline Mini-FTP Setup"},
      {"TabSheet1", "Caption", "Mini-FTP Einstellungen", "Mini-FTP Setting"},
      {"UploadPathLabel", "Caption", "Upload Ordner:", "Upload Directory:"},
      {"UploadPath", "Hint", "Upload Ordner", "Upload Directory"},
      {"DownloadPathLabel", "Caption", "Download Ordner:", "Download Directory:"},
      {"HTMLText", "Hint", "Comment Text", "Comment Text"},
      {"BitBtn2Default", "Hint", "Setze Mini-FTP auf Default-Werte", "Set Mini-FTP to Defaults"},
      {"BitBtn1ok", "Hint", "Mini-FTP Setup speichern und Ende", "Save Mini-FTP Setup and Exit"},
      {"BitBtn3Save", "Caption", "Speichern", "Save"},
      {"BitBtn3Save", "Hint", "Speichert das Profil", "Save Profil"},
      {"BitBtn4Delete", "Caption", "L\u00f6schen", "Delete"},
      {"BitBtn4Delete", "Hint", "L\u00f6scht das Profil", "Delete Profil"},
      {"ServerHostNameLabel", "Caption", "Server Host-Adresse:", "Server Host-Adress:"},
      {"ProfilNameBox", "Hint", "Profil-Name", "Profil-Name"},
  };
  for (const bool german : {true, false}) {
    Seed({{"Language", german ? "1" : "0"}});
    TftpProfileSetup form(store, dialogs);
    EXPECT_EQ(form.Find("HtmlName"), nullptr);
    EXPECT_EQ(form.Find("MySetUpDynaUrlEdit"), nullptr);
    for (const Text& t : texts) {
      SCOPED_TRACE(t.control + "." + t.prop);
      const auto value =
          t.control.empty() ? form.GetProperty(t.prop) : form.Find(t.control)->GetProperty(t.prop);
      EXPECT_EQ(value.value_or("?"), german ? t.german : t.english);
    }
  }
}

TEST_F(ProfileSetupTest, AnOpenDialogFollowsTheLanguageButKeepsWhatItShows) {
  Run([&](TftpProfileSetup& f) {
    // Default fills the comment with its English default; a switch must not translate it.
    Click(f, "BitBtn2Default");
    Type(f, "FTPPort", "2121");
    const std::vector<std::string> before = Shown(f);
    ASSERT_EQ(f.HTMLText.Text(), "Comment");
    app::ApplyLanguageToOpenForms(application, true);
    EXPECT_EQ(f.TabSheet1.Caption(), "Mini-FTP Einstellungen");
    EXPECT_EQ(f.BitBtn3Save.Caption(), "Speichern");
    EXPECT_EQ(f.BitBtn4Delete.Hint(), "L\u00f6scht das Profil");
    EXPECT_EQ(f.UploadPathLabel.Caption(), "Upload Ordner:");
    EXPECT_EQ(f.AnonymousBox.Caption(), "Anonym");
    EXPECT_EQ(f.HTMLText.Hint(), "Comment Text");
    EXPECT_EQ(Shown(f), before);
    // Default clicked after the switch gives the comment in the language now chosen.
    Click(f, "BitBtn2Default");
    EXPECT_EQ(f.HTMLText.Text(), "Kommentar");
  });
}

}  // namespace
