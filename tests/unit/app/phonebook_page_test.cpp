// The "DFUE / Internet" page's entries and credentials, and the main page's Open/Close DFUE, on
// the simulated line's phonebook: what the page enables while a line is up, saving credentials
// after the question, rename and delete with the chosen connection following, the empty
// phonebook, and the dial-parameter record left as it was by every failure.

#include <gtest/gtest.h>

#include <cstring>

#include "app/phonebook_page.h"
#include "unit/app/support/stayline_fixture.h"

namespace {

using forms::Origin;

class PhonebookPageTest : public app_test::StaylineTest {
 protected:
  explicit PhonebookPageTest(const std::string& phonebook = app_test::kPhonebook)
      : StaylineTest(phonebook) {
    dialogs.OnQuestion = [this](const std::string& kind, const std::string& question,
                                const std::string& answer) {
      questions.push_back(kind + "|" + question + "|" + answer);
    };
  }

  void StartIdle(const std::string& language = "0") {
    Start({{"AutoConnect", "0"}, {"StaylineConnection", "Office DSL"}, {"Language", language}});
  }
  void ShowPage() { Form().PageControl1.SetActivePage(&Form().TabSheet2); }
  void Choose(const std::string& entry) {
    const int i = Form().ListBox2.IndexOf(entry);
    ASSERT_GE(i, 0) << entry;
    ASSERT_TRUE(Form().ListBox2.SetProperty("ItemIndex", std::to_string(i), Origin::User));
  }
  app::PhonebookPage& Page() { return main->Phonebook(); }
  // The credentials stored with `entry`: user, password ("" unless saved); "?" when unreadable.
  std::pair<std::string, std::string> StoredCredentials(const std::string& entry) {
    ras::RASDIALPARAMSA p{};
    p.dwSize = ras::kSizeRasDialParams;
    ras::SetRasField(p.szEntryName, entry);
    bool saved = false;
    if (main->Ras().RasGetEntryDialParamsA(&p, &saved) != 0) return {"?", "?"};
    return {ras::GetRasField(p.szUserName), saved ? ras::GetRasField(p.szPassword) : ""};
  }
  // The page's nine controls that the DFUE buttons switch, as "1"/"0" in that order.
  std::string PageControls() {
    app::MainForm& f = Form();
    std::string s;
    for (const forms::Control* c : {static_cast<const forms::Control*>(&f.ListBox2),
                                    static_cast<const forms::Control*>(&f.txtUserName2),
                                    static_cast<const forms::Control*>(&f.txtPassword2),
                                    static_cast<const forms::Control*>(&f.CreateEntry),
                                    static_cast<const forms::Control*>(&f.EditEntry),
                                    static_cast<const forms::Control*>(&f.RenameEntry),
                                    static_cast<const forms::Control*>(&f.DeleteEntry),
                                    static_cast<const forms::Control*>(&f.SaveUserName),
                                    static_cast<const forms::Control*>(&f.SavePassWord)}) {
      s += c->Enabled() ? '1' : '0';
    }
    return s;
  }
  bool SameParams(const ras::RASDIALPARAMSA& a, const ras::RASDIALPARAMSA& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
  }

  std::vector<std::string> questions;
};

TEST_F(PhonebookPageTest, ThePageShowsTheChosenEntryAndItsSavedCredentials) {
  StartIdle();
  ShowPage();
  app::MainForm& f = Form();
  EXPECT_EQ(f.ListBox2.Items(), (std::vector<std::string>{"NoPassword", "Office DSL"}));
  EXPECT_EQ(f.ListBox2.Text(), "Office DSL");
  EXPECT_EQ(f.txtUserName2.Text(), "alice");
  EXPECT_EQ(f.txtPassword2.Text(), "secret");
  EXPECT_EQ(f.DFUChanges.Caption(), "DFUE changes ok.");
  EXPECT_EQ(PageControls(), "111111111");
  EXPECT_TRUE(f.HangUpManual2.Enabled());
  // A password that is not saved is not shown.
  Choose("NoPassword");
  EXPECT_EQ(f.txtUserName2.Text(), "carol");
  EXPECT_EQ(f.txtPassword2.Text(), "");
}

TEST_F(PhonebookPageTest, WhileConnectedOnlyCreateAndEditStayOpen) {
  StartAutoDial();
  ASSERT_TRUE(RunUntilOnline("10.64.0.10"));
  ShowPage();
  app::MainForm& f = Form();
  EXPECT_EQ(f.DFUChanges.Caption(), "Not possible for changes. - HangUp the DFUE connection.");
  EXPECT_EQ(PageControls(), "111110000");
  EXPECT_TRUE(f.HangUpManual2.Enabled());
  // After a dialog the same rule holds.
  Page().OpenDFUButtons();
  EXPECT_EQ(PageControls(), "111110000");
  // Hanging up from the page opens it for changes.
  f.HangUpManual2.UserClick();
  ASSERT_TRUE(RunUntil([&] { return State().ActiveConnectionCount == 0; }, 10'000));
  Page().TestTabSheet2();
  EXPECT_EQ(f.DFUChanges.Caption(), "DFUE changes ok.");
  EXPECT_EQ(PageControls(), "111111111");
}

TEST_F(PhonebookPageTest, TheShownPageFollowsALineThatComesUpOrGoesDown) {
  StartIdle();
  ShowPage();
  app::MainForm& f = Form();
  f.DialManual.UserClick();
  ASSERT_TRUE(RunUntilOnline("10.64.0.10"));
  RunFor(1'000);
  EXPECT_EQ(f.DFUChanges.Caption(), "Not possible for changes. - HangUp the DFUE connection.");
  EXPECT_EQ(PageControls(), "111110000");
  ASSERT_EQ(Sim().Drop(""), 1);
  RunFor(1'500);
  EXPECT_EQ(f.DFUChanges.Caption(), "DFUE changes ok.");
  EXPECT_EQ(PageControls(), "111111111");
}

TEST_F(PhonebookPageTest, SavingAsksFirstAndStoresBothOnYes) {
  StartIdle();
  ShowPage();
  app::MainForm& f = Form();
  f.txtUserName2.SetProperty("Text", "alice2", Origin::User);
  f.txtPassword2.SetProperty("Text", "new-secret", Origin::User);
  // No: nothing stored, the controls open again.
  f.SaveUserName.UserClick();
  ASSERT_EQ(questions.size(), 1u);
  EXPECT_EQ(questions[0],
            "MessageBox|Stayline: Username: alice2\r\nPassword: new-secret\r\n\r\nreally "
            "saving?\r\n\r\nWrong entries close the internet entrance!|No");
  EXPECT_EQ(StoredCredentials("Office DSL"),
            (std::pair<std::string, std::string>{"alice", "secret"}));
  EXPECT_EQ(PageControls(), "111111111");
  // Yes: both stored, whichever of the two buttons.
  dialogs.QueueAnswer("Yes");
  f.SavePassWord.UserClick();
  EXPECT_EQ(StoredCredentials("Office DSL"),
            (std::pair<std::string, std::string>{"alice2", "new-secret"}));
  EXPECT_EQ(ras::GetRasField(State().DialParams.szUserName), "alice2");
  EXPECT_EQ(dialogs.BeepCount(), 0);
}

TEST_F(PhonebookPageTest, TheSaveQuestionInGermanAndAFailedSaveLeavesTheRecord) {
  StartIdle("1");
  ShowPage();
  app::MainForm& f = Form();
  dialogs.QueueAnswer("Yes");
  f.SaveUserName.UserClick();
  EXPECT_EQ(questions.back(),
            "MessageBox|Stayline: Benutzername: alice\r\nKennwort: secret\r\n\r\nwirklich "
            "speichern?\r\n\r\nFalsche Eintr\u00e4ge sperren den Internetzugang!|Yes");
  // The entry vanished behind the page's back: the save fails, says so and beeps.
  ASSERT_EQ(main->Ras().RasDeleteEntry("Office DSL"), 0u);
  const ras::RASDIALPARAMSA before = State().DialParams;
  dialogs.QueueAnswer("Yes");
  f.SaveUserName.UserClick();
  EXPECT_EQ(questions.back(), "MessageBox|Stayline: Eint\u00e4ge misslungen.|OK");
  EXPECT_EQ(dialogs.BeepCount(), 1);
  EXPECT_TRUE(SameParams(State().DialParams, before));
  EXPECT_EQ(PageControls(), "111111111");
}

TEST_F(PhonebookPageTest, RenamingTheChosenEntryStoresTheNewNameAtOnce) {
  StartIdle();
  // Written by hand in another case: the comparison ignores the letters' case.
  main->Regs().StaylineConnection = "OFFICE DSL";
  ShowPage();
  Choose("Office DSL");
  app::MainForm& f = Form();
  f.txtPassword2.SetProperty("Text", "typed", Origin::User);
  dialogs.QueueAnswer("Home DSL");
  f.RenameEntry.UserClick();
  EXPECT_EQ(Stored("StaylineConnection"), "Home DSL");
  EXPECT_EQ(f.ListBox1.Items(), (std::vector<std::string>{"Home DSL", "NoPassword"}));
  EXPECT_EQ(f.ListBox1.Text(), "Home DSL");
  EXPECT_EQ(f.ListBox2.Text(), "Home DSL");
  // The credentials shown on the page went with it, without a question.
  EXPECT_EQ(StoredCredentials("Home DSL"), (std::pair<std::string, std::string>{"alice", "typed"}));
  EXPECT_EQ(f.txtPassword2.Text(), "typed");
  EXPECT_EQ(questions.front(), "InputBox|Rename DFUE: Enter new DFUE name|Home DSL");
  EXPECT_EQ(questions.size(), 1u);
  EXPECT_EQ(PageControls(), "111111111");
}

TEST_F(PhonebookPageTest, RenamingChangesNothingOnCancelAnEmptyNameOrAFailure) {
  StartIdle();
  ShowPage();
  Choose("NoPassword");
  app::MainForm& f = Form();
  const std::string file = ReadFile(paths.configDir + "/phonebook.ini");
  const ras::RASDIALPARAMSA before = State().DialParams;
  for (const char* answer : {"Cancel", ""}) {
    dialogs.QueueAnswer(answer);
    f.RenameEntry.UserClick();
  }
  EXPECT_EQ(ReadFile(paths.configDir + "/phonebook.ini"), file);
  dialogs.QueueAnswer("Office DSL");  // taken
  f.RenameEntry.UserClick();
  EXPECT_EQ(questions.back(), "MessageBox|Stayline: Rename DFUE failed.|OK");
  EXPECT_EQ(ReadFile(paths.configDir + "/phonebook.ini"), file);
  EXPECT_TRUE(SameParams(State().DialParams, before));
  EXPECT_EQ(main->Regs().StaylineConnection, "Office DSL");
  // Another entry renamed: the chosen connection stays.
  dialogs.QueueAnswer("Spare");
  f.RenameEntry.UserClick();
  EXPECT_EQ(Stored("StaylineConnection"), "Office DSL");
  EXPECT_EQ(f.ListBox2.Items(), (std::vector<std::string>{"Office DSL", "Spare"}));
  EXPECT_EQ(f.ListBox2.Text(), "Office DSL");
  // It keeps its own credentials, the unsaved password unsaved: the refill showed the chosen
  // entry's credentials in between, and those must not land in the renamed one.
  EXPECT_EQ(StoredCredentials("Spare"), (std::pair<std::string, std::string>{"carol", ""}));
  EXPECT_NE(ReadFile(paths.configDir + "/phonebook.ini")
                .find("[Spare]\nUserName=carol\n"
                      "Password=hidden\nPasswordSaved=0"),
            std::string::npos);
  EXPECT_EQ(StoredCredentials("Office DSL"),
            (std::pair<std::string, std::string>{"alice", "secret"}));
}

TEST_F(PhonebookPageTest, DeletingTheChosenEntryChoosesTheFirstRemainingInMemory) {
  StartIdle();
  ShowPage();
  app::MainForm& f = Form();
  f.DeleteEntry.UserClick();  // answered No
  EXPECT_EQ(questions.back(),
            "MessageBox|Stayline: Office DSL DFUE will be deleted: Are you sure?|No");
  EXPECT_EQ(f.ListBox2.Count(), 2);
  EXPECT_EQ(PageControls(), "111111111");

  dialogs.QueueAnswer("Yes");
  f.DeleteEntry.UserClick();
  EXPECT_EQ(f.ListBox1.Items(), (std::vector<std::string>{"NoPassword"}));
  EXPECT_EQ(main->Regs().StaylineConnection, "NoPassword");
  EXPECT_EQ(Stored("StaylineConnection"), "Office DSL");  // in memory only
  EXPECT_EQ(f.ListBox2.Text(), "NoPassword");
  EXPECT_EQ(f.txtUserName2.Text(), "carol");

  dialogs.QueueAnswer("Yes");
  f.DeleteEntry.UserClick();
  EXPECT_EQ(f.ListBox1.Count(), 0);
  EXPECT_EQ(f.ListBox2.Count(), 0);
  EXPECT_EQ(main->Regs().StaylineConnection, "0");
}

TEST_F(PhonebookPageTest, AConnectedEntryIsNotDeleted) {
  StartAutoDial();
  ASSERT_TRUE(RunUntilOnline("10.64.0.10"));
  ShowPage();
  const ras::RASDIALPARAMSA before = State().DialParams;
  dialogs.QueueAnswer("Yes");
  Page().DeleteEntryClick();  // the button is disabled; the backend refuses as well
  EXPECT_EQ(questions.back(), "MessageBox|Stayline: DFUE delete failed.|OK");
  EXPECT_TRUE(SameParams(State().DialParams, before));
  EXPECT_EQ(Form().ListBox2.Count(), 2);
}

class EmptyPhonebookTest : public PhonebookPageTest {
 protected:
  EmptyPhonebookTest() : PhonebookPageTest("; nothing yet\n") {}
};

TEST_F(EmptyPhonebookTest, ThePageStaysEmptyAndNoConnectionIsChosen) {
  StartIdle();
  ShowPage();
  app::MainForm& f = Form();
  EXPECT_EQ(f.ListBox2.Count(), 0);
  EXPECT_EQ(main->Regs().StaylineConnection, "0");
  // Only the list, the edits, create and edit are open.
  EXPECT_EQ(PageControls(), "111110000");
  EXPECT_EQ(f.ListBox2.Text(), "") << "\"0\" names no entry and is not shown";
  EXPECT_EQ(f.ListBox1.Text(), "");

  // The first entry made on the page becomes the connection to dial, as it would at a start.
  dialogs.OnModal = [](forms::Form& form) {
    auto& edit = form.Get<forms::Edit>("edtEntryName");
    ASSERT_TRUE(edit.SetProperty("Text", "Cable", Origin::User));
    ASSERT_TRUE(form.Get<forms::Edit>("edtUserName").SetProperty("Text", "dave", Origin::User));
    form.Find("btnOK")->UserClick();
  };
  f.CreateEntry.UserClick();
  EXPECT_EQ(Stored("StaylineConnection"), "Cable");
  EXPECT_EQ(f.ListBox1.Text(), "Cable");
  EXPECT_EQ(f.ListBox2.Text(), "Cable");
  EXPECT_EQ(f.txtUserName2.Text(), "dave");
  EXPECT_EQ(PageControls(), "111111111");
  // Dialable at once, also with the window hidden (no tick looks at the list then).
  EXPECT_FALSE(f.Visible());
  EXPECT_TRUE(State().HasPhonebookEntries);
  EXPECT_TRUE(f.ListBox1.Enabled());
}

TEST_F(PhonebookPageTest, CloseDfueLocksTheEntryChoiceUntilOpenDfue) {
  StartIdle();
  app::MainForm& f = Form();
  f.Show();
  f.CloseDFUE.UserClick();
  EXPECT_FALSE(f.CloseDFUE.Enabled());
  EXPECT_FALSE(f.ListBox1.Enabled());
  EXPECT_TRUE(State().EntryChoiceLocked);
  RunFor(3'000);  // the tick keeps it locked
  EXPECT_FALSE(f.ListBox1.Enabled());
  EXPECT_FALSE(State().HasPhonebookEntries);
  EXPECT_EQ(f.ListBox1.Text(), "Office DSL");

  f.OpenDFUE.UserClick();
  EXPECT_TRUE(f.CloseDFUE.Enabled());
  EXPECT_TRUE(f.ListBox1.Enabled());
  EXPECT_TRUE(State().HasPhonebookEntries);
  RunFor(2'000);
  EXPECT_TRUE(f.ListBox1.Enabled());

  // While the dial delay runs both buttons do nothing.
  State().DialDelayActive = true;
  f.CloseDFUE.UserClick();
  EXPECT_FALSE(State().EntryChoiceLocked);
  EXPECT_TRUE(f.CloseDFUE.Enabled());
}

}  // namespace
