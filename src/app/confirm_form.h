#pragma once
// TfrmConfirm: the small question the mini FTP client asks when a download's local target exists.
// Three buttons whose tags are the answer: Resume (0), Overwrite (1), Cancel (2, also Escape).
// The caller sets the label (in both languages, so it follows a switch while the question is
// open) and whether Resume is enabled. Created on demand, freed when closed. Loop thread only.

#include <string>

#include "app/language_aware.h"
#include "forms/dialog_service.h"
#include "forms/form.h"

namespace app {

class TfrmConfirm : public forms::Form, public LanguageAware {
 public:
  enum Answer { kResume = 0, kOverwrite = 1, kCancel = 2 };

  explicit TfrmConfirm(bool german);

  forms::Control& Image1;
  forms::Control& Label1;
  forms::Control& btnResume;
  forms::Control& btnOverwrite;
  forms::Control& btnCancel;

  // The tag of the button that closed the dialog; Cancel when it closed otherwise.
  [[nodiscard]] int Answer() const { return answer_; }
  // The Escape key.
  void KeyEscape() { btnCancel.UserClick(); }
  // A queued "Resume"/"Overwrite"/"Cancel" (any case) or a button's caption clicks that button.
  bool TakeAnswer(std::string_view answer) override;

  void SetLabel(std::string german, std::string english);
  void ApplyLanguage(bool german) override;

  // Shows the question modally and returns the answer.
  static int Ask(forms::DialogService& dialogs, bool german, const std::string& labelGerman,
                 const std::string& labelEnglish, bool resumeEnabled);

 private:
  forms::Control& AddButton(const char* name, int tag);

  int answer_ = kCancel;
  bool german_;
  std::string labelGerman_;
  std::string labelEnglish_;
};

}  // namespace app
