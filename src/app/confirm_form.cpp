#include "app/confirm_form.h"

#include "core/text.h"

namespace app {

TfrmConfirm::TfrmConfirm(bool german)
    : forms::Form("TfrmConfirm"),
      Image1(Add<forms::Control>("Image1", forms::ControlKind::Image)),
      Label1(Add<forms::Control>("Label1", forms::ControlKind::Label)),
      btnResume(AddButton("btnResume", "Fortsetzen", "Resume", kResume, german)),
      btnOverwrite(
          AddButton("btnOverwrite", "\u00dcberschreiben", "Overwrite", kOverwrite, german)),
      btnCancel(AddButton("btnCancel", "Abbrechen", "Cancel", kCancel, german)) {
  SetCaption(german ? "Bets\u00e4tigung" : "Confirm");
}

forms::Control& TfrmConfirm::AddButton(const char* name, const char* german, const char* english,
                                       int tag, bool isGerman) {
  forms::Control& button = Add<forms::Control>(name, forms::ControlKind::Button);
  button.SetCaption(isGerman ? german : english);
  button.OnClick = [this, tag] {
    answer_ = tag;
    SetModalResult(tag == kCancel ? forms::ModalResult::Cancel : forms::ModalResult::OK);
  };
  return button;
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

int TfrmConfirm::Ask(forms::DialogService& dialogs, bool german, const std::string& label,
                     bool resumeEnabled) {
  TfrmConfirm form(german);
  form.Label1.SetCaption(label);
  form.btnResume.SetEnabled(resumeEnabled);
  dialogs.ShowModal(form);
  return form.Answer();
}

}  // namespace app
