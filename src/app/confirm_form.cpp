#include "app/confirm_form.h"

#include <utility>

#include "core/text.h"

namespace app {

TfrmConfirm::TfrmConfirm(bool german)
    : forms::Form("TfrmConfirm"),
      Image1(Add<forms::Control>("Image1", forms::ControlKind::Image)),
      Label1(Add<forms::Control>("Label1", forms::ControlKind::Label)),
      btnResume(AddButton("btnResume", kResume)),
      btnOverwrite(AddButton("btnOverwrite", kOverwrite)),
      btnCancel(AddButton("btnCancel", kCancel)),
      german_(german) {
  ApplyLanguage(german);
}

forms::Control& TfrmConfirm::AddButton(const char* name, int tag) {
  forms::Control& button = Add<forms::Control>(name, forms::ControlKind::Button);
  button.OnClick = [this, tag] {
    answer_ = tag;
    SetModalResult(tag == kCancel ? forms::ModalResult::Cancel : forms::ModalResult::OK);
  };
  return button;
}

void TfrmConfirm::SetLabel(std::string german, std::string english) {
  labelGerman_ = std::move(german);
  labelEnglish_ = std::move(english);
  Label1.SetCaption(german_ ? labelGerman_ : labelEnglish_);
}

void TfrmConfirm::ApplyLanguage(bool german) {
  german_ = german;
  SetCaption(german ? "Bets\u00e4tigung" : "Confirm");
  btnResume.SetCaption(german ? "Fortsetzen" : "Resume");
  btnOverwrite.SetCaption(german ? "\u00dcberschreiben" : "Overwrite");
  btnCancel.SetCaption(german ? "Abbrechen" : "Cancel");
  Label1.SetCaption(german ? labelGerman_ : labelEnglish_);
}

bool TfrmConfirm::TakeAnswer(std::string_view answer) {
  static constexpr const char* kEnglish[] = {"Resume", "Overwrite", "Cancel"};
  forms::Control* buttons[] = {&btnResume, &btnOverwrite, &btnCancel};
  for (int i = 0; i < 3; ++i) {
    if (core::EqualsNoCase(answer, kEnglish[i]) ||
        core::EqualsNoCase(answer, buttons[i]->Caption())) {
      buttons[i]->UserClick();  // a disabled Resume does nothing, as on screen
      return true;
    }
  }
  return false;
}

int TfrmConfirm::Ask(forms::DialogService& dialogs, bool german, const std::string& labelGerman,
                     const std::string& labelEnglish, bool resumeEnabled) {
  TfrmConfirm form(german);
  form.SetLabel(labelGerman, labelEnglish);
  form.btnResume.SetEnabled(resumeEnabled);
  dialogs.ShowModal(form);
  return form.Answer();
}

}  // namespace app
