// New and edited entries through the program's entry dialog on the simulated line: the dialog's
// fields and the line's own keys, the checks of OK, the beep of a cancelled dialog, and an entry
// created from the page that dials at once with the credentials saved on the page.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include "app/entry_editor_form.h"
#include "unit/app/support/stayline_fixture.h"

namespace {

using forms::Origin;

class EntryEditorTest : public app_test::StaylineTest {
 protected:
  EntryEditorTest() {
    dialogs.OnQuestion = [this](const std::string& kind, const std::string& question,
                                const std::string& answer) {
      questions.push_back(kind + "|" + question + "|" + answer);
    };
  }
  void StartIdle() {
    Start({{"AutoConnect", "0"}, {"StaylineConnection", "Office DSL"}, {"Language", "0"}});
    Form().PageControl1.SetActivePage(&Form().TabSheet2);
  }
  // Each dialog shown is handed to the next of these steps.
  void OnDialogs(std::vector<std::function<void(app::TfrmEntry&)>> steps) {
    steps_ = std::move(steps);
    dialogs.OnModal = [this](forms::Form& form) {
      auto* entry = dynamic_cast<app::TfrmEntry*>(&form);
      ASSERT_NE(entry, nullptr);
      ASSERT_FALSE(steps_.empty());
      auto step = steps_.front();
      steps_.erase(steps_.begin());
      step(*entry);
    };
  }
  static void Type(forms::Edit& edit, const std::string& text) {
    ASSERT_TRUE(edit.SetProperty("Text", text, Origin::User));
  }
  std::string Phonebook() { return ReadFile(paths.configDir + "/phonebook.ini"); }

  std::vector<std::string> questions;

 private:
  std::vector<std::function<void(app::TfrmEntry&)>> steps_;
};

TEST_F(EntryEditorTest, ANewEntryWithItsCredentialsAndKeysDialsAtOnce) {
  StartIdle();
  OnDialogs({[&](app::TfrmEntry& d) {
    EXPECT_EQ(d.Caption(), "New DFUE connection");
    EXPECT_EQ(d.edtEntryName.Text(), "");
    EXPECT_TRUE(d.chkSavePassword.Checked());
    ASSERT_NE(d.KeyEdit("ConnectMs"), nullptr);
    EXPECT_EQ(d.KeyEdit("ConnectMs")->Text(), "1500");  // the line's default
    Type(d.edtEntryName, "  Cable  ");
    Type(d.edtUserName, "dave");
    Type(d.edtPassword, "pw1");
    Type(*d.KeyEdit("ConnectMs"), "700");
    Type(*d.KeyEdit("ClientIPs"), "10.9.9.9");
    d.btnOK.UserClick();
  }});
  Form().CreateEntry.UserClick();
  EXPECT_EQ(Form().ListBox2.Items(),
            (std::vector<std::string>{"Cable", "NoPassword", "Office DSL"}));
  EXPECT_EQ(Form().ListBox1.Count(), 3);
  EXPECT_EQ(dialogs.BeepCount(), 0);
  const std::string book = Phonebook();
  EXPECT_NE(book.find("[Cable]"), std::string::npos);
  EXPECT_NE(book.find("ConnectMs=700"), std::string::npos);
  struct stat st {};
  ASSERT_EQ(::stat((paths.configDir + "/phonebook.ini").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);

  // New credentials typed on the page and saved, then the entry chosen on the main page.
  ASSERT_TRUE(Form().ListBox2.SetProperty("ItemIndex", "0", Origin::User));
  EXPECT_EQ(Form().txtUserName2.Text(), "dave");
  Type(Form().txtPassword2, "pw2");
  dialogs.QueueAnswer("Yes");
  Form().SaveUserName.UserClick();
  ASSERT_TRUE(Form().ListBox1.SetProperty("ItemIndex", "0", Origin::User));
  EXPECT_EQ(Form().ListBox1.Text(), "Cable");
  Form().DialManual.UserClick();
  ASSERT_TRUE(RunUntilOnline("10.9.9.9"));
  EXPECT_EQ(State().EntryPassword, "pw2");
}

TEST_F(EntryEditorTest, OkSaysWhatIsWrongWithTheNameAndStaysOpen) {
  StartIdle();
  const std::string before = Phonebook();
  OnDialogs({[&](app::TfrmEntry& d) {
    for (const char* bad : {"", "[x]", "Office DSL"}) {
      Type(d.edtEntryName, bad);
      d.btnOK.UserClick();
      EXPECT_EQ(d.Result(), forms::ModalResult::None) << bad;
    }
    d.btnCancel.UserClick();
  }});
  Form().CreateEntry.UserClick();
  ASSERT_EQ(questions.size(), 4u);
  EXPECT_EQ(questions[0].rfind("MessageBox|New DFUE connection: Invalid DFUE name: ", 0), 0u);
  EXPECT_EQ(questions[2],
            "MessageBox|New DFUE connection: A DFUE connection of this name exists already: "
            "Office DSL|OK");
  // Cancelled: a beep, nothing written, the page open again.
  EXPECT_EQ(dialogs.BeepCount(), 1);
  EXPECT_EQ(Phonebook(), before);
  EXPECT_TRUE(Form().RenameEntry.Enabled());
}

TEST_F(EntryEditorTest, EditingShowsTheStoredValuesAndThePageFollowsTheDialog) {
  StartIdle();
  OnDialogs({[&](app::TfrmEntry& d) {
    EXPECT_EQ(d.Caption(), "Edit DFUE connection: Office DSL");
    EXPECT_EQ(d.edtEntryName.Text(), "Office DSL");
    EXPECT_TRUE(d.edtEntryName.ReadOnly());
    EXPECT_EQ(d.edtUserName.Text(), "alice");
    EXPECT_EQ(d.edtPassword.Text(), "secret");
    EXPECT_EQ(d.KeyEdit("ClientIPs")->Text(), "10.64.0.10 10.64.0.11 10.64.0.12");
    Type(d.edtUserName, "alice.b");
    Type(*d.KeyEdit("ServerIP"), "10.64.0.2");
    d.btnOK.UserClick();
  }});
  dialogs.QueueAnswer("Yes");  // the page's question after the dialog
  Form().EditEntry.UserClick();
  EXPECT_EQ(Form().txtUserName2.Text(), "alice.b");
  EXPECT_NE(questions.back().find("Username: alice.b\r\nPassword: secret"), std::string::npos);
  EXPECT_NE(Phonebook().find("ServerIP=10.64.0.2"), std::string::npos);
  EXPECT_NE(Phonebook().find("UserName=alice.b"), std::string::npos);
}

TEST_F(EntryEditorTest, TheDialogFollowsTheLanguageWhileOpen) {
  StartIdle();
  OnDialogs({[&](app::TfrmEntry& d) {
    EXPECT_EQ(d.btnCancel.Caption(), "Cancel");
    ASSERT_TRUE(Form().German.SetProperty("Checked", "1", Origin::User));
    RunFor(1'100);
    EXPECT_EQ(d.btnCancel.Caption(), "Abbrechen");
    EXPECT_EQ(d.Caption(), "Neue DF\u00dc-Verbindung");
    d.btnCancel.UserClick();
  }});
  Form().CreateEntry.UserClick();
}

}  // namespace
