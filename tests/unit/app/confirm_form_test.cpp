// The overwrite question of the mini FTP client: the answer is the tag of the button the user
// takes, Escape and closing count as Cancel, a disabled Resume cannot be taken; its texts follow
// a language switch while it is open.

#include "app/confirm_form.h"

#include "app/language_aware.h"

#include "unit/app/support/ftp_dialog_fixture.h"

namespace {

class ConfirmFormTest : public app_test::FtpDialogTest {};

TEST_F(ConfirmFormTest, TheAnswerIsTheTagOfTheButtonTaken) {
  struct Case {
    const char* what;
    bool german;
    bool resumeEnabled;
    std::vector<std::string> queued;
    int answer;
  };
  for (const Case& c : {
           Case{"overwrite", false, true, {"Overwrite"}, 1},
           Case{"resume", false, true, {"Resume"}, 0},
           Case{"resume where the server cannot", false, false, {"Resume"}, 2},
           Case{"cancel", false, true, {"Cancel"}, 2},
           Case{"German caption", true, true, {"\u00dcberschreiben"}, 1},
           Case{"English word in German", true, true, {"resume"}, 0},
           Case{"nothing queued", false, true, {}, 2},
           Case{"closed with OK from outside", false, true, {"OK"}, 2},
       }) {
    SCOPED_TRACE(c.what);
    for (const auto& a : c.queued) dialogs.QueueAnswer(a);
    EXPECT_EQ(app::TfrmConfirm::Ask(dialogs, c.german, "x.zip existiert bereits.",
                                    "x.zip already exists.", c.resumeEnabled),
              c.answer);
    EXPECT_EQ(dialogs.PendingAnswers(), 0u) << "the answer belongs to this question";
    EXPECT_TRUE(application.OpenForms().empty());
  }
}

TEST_F(ConfirmFormTest, EscapeIsCancelAndTheLabelIsTheCallers) {
  std::string label;
  bool resume = true;
  dialogs.OnModal = [&](forms::Form& form) {
    auto& confirm = dynamic_cast<app::TfrmConfirm&>(form);
    label = confirm.Label1.Caption();
    resume = confirm.btnResume.Enabled();
    confirm.KeyEscape();
  };
  EXPECT_EQ(app::TfrmConfirm::Ask(dialogs, false, "a.txt existiert bereits.",
                                  "a.txt already exists.", false),
            2);
  EXPECT_EQ(label, "a.txt already exists.");
  EXPECT_FALSE(resume);
}

TEST_F(ConfirmFormTest, CaptionsInBothLanguages) {
  struct Case {
    bool german;
    std::vector<std::string> captions;  // form, Resume, Overwrite, Cancel
  };
  for (const Case& c : {
           Case{true, {"Bets\u00e4tigung", "Fortsetzen", "\u00dcberschreiben", "Abbrechen"}},
           Case{false, {"Confirm", "Resume", "Overwrite", "Cancel"}},
       }) {
    app::TfrmConfirm form(c.german);
    EXPECT_EQ((std::vector<std::string>{form.Caption(), form.btnResume.Caption(),
                                        form.btnOverwrite.Caption(), form.btnCancel.Caption()}),
              c.captions);
  }
}

TEST_F(ConfirmFormTest, AnOpenQuestionFollowsTheLanguage) {
  struct Shown {
    std::string caption, label, resume, overwrite, cancel;
    bool operator==(const Shown&) const = default;
  };
  const auto shown = [](const app::TfrmConfirm& f) {
    return Shown{f.Caption(), f.Label1.Caption(), f.btnResume.Caption(), f.btnOverwrite.Caption(),
                 f.btnCancel.Caption()};
  };
  const Shown german{"Bets\u00e4tigung", "x.zip existiert bereits.", "Fortsetzen",
                     "\u00dcberschreiben", "Abbrechen"};
  const Shown english{"Confirm", "x.zip already exists.", "Resume", "Overwrite", "Cancel"};
  for (const bool askedInGerman : {true, false}) {
    SCOPED_TRACE(askedInGerman ? "asked in German" : "asked in English");
    std::vector<Shown> seen;
    dialogs.OnModal = [&](forms::Form& form) {
      auto& confirm = dynamic_cast<app::TfrmConfirm&>(form);
      seen.push_back(shown(confirm));
      app::ApplyLanguageToOpenForms(application, !askedInGerman);
      seen.push_back(shown(confirm));
      // The buttons answer under their new captions.
      EXPECT_TRUE(confirm.TakeAnswer(askedInGerman ? "Overwrite" : "\u00dcberschreiben"));
    };
    EXPECT_EQ(app::TfrmConfirm::Ask(dialogs, askedInGerman, "x.zip existiert bereits.",
                                    "x.zip already exists.", true),
              app::TfrmConfirm::kOverwrite);
    EXPECT_EQ(seen, askedInGerman ? (std::vector<Shown>{german, english})
                                  : (std::vector<Shown>{english, german}));
  }
  dialogs.OnModal = nullptr;
}

}  // namespace
