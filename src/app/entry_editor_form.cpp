#include "app/entry_editor_form.h"

#include "core/text.h"
#include "ras/phonebook_file.h"

namespace app {

namespace {

constexpr const char* kKeyPrefix = "Key_";

forms::Control& AddLabel(forms::Form& form, const std::string& name) {
  return form.Add<forms::Control>(name, forms::ControlKind::Label);
}

forms::Control& AddButton(forms::Form& form, const char* name) {
  return form.Add<forms::Control>(name, forms::ControlKind::Button);
}

}  // namespace

TfrmEntry::TfrmEntry(forms::DialogService& dialogs, bool german, bool isNew,
                     std::function<bool(const std::string&)> nameTaken)
    : forms::Form("TfrmEntry"),
      lblEntryName(AddLabel(*this, "lblEntryName")),
      edtEntryName(Add<forms::Edit>("edtEntryName")),
      lblUserName(AddLabel(*this, "lblUserName")),
      edtUserName(Add<forms::Edit>("edtUserName")),
      lblPassword(AddLabel(*this, "lblPassword")),
      edtPassword(Add<forms::Edit>("edtPassword")),
      chkSavePassword(Add<forms::CheckBox>("chkSavePassword")),
      btnOK(AddButton(*this, "btnOK")),
      btnCancel(AddButton(*this, "btnCancel")),
      dialogs_(dialogs),
      german_(german),
      isNew_(isNew),
      nameTaken_(std::move(nameTaken)) {
  edtPassword.PasswordChar = '*';
  // An entry is renamed with the page's own button, which keeps the chosen connection's name.
  edtEntryName.SetReadOnly(!isNew);
  btnOK.OnClick = [this] { OkClick(); };
  btnCancel.OnClick = [this] { SetModalResult(forms::ModalResult::Cancel); };
  ApplyLanguage(german);
}

void TfrmEntry::ApplyLanguage(bool german) {
  german_ = german;
  const auto tx = [german](const char* de, const char* en) { return german ? de : en; };
  SetCaption(isNew_ ? std::string(tx("Neue DF\u00dc-Verbindung", "New DFUE connection"))
                    : tx("DF\u00dc-Verbindung bearbeiten: ", "Edit DFUE connection: ") +
                          originalName_);
  lblEntryName.SetCaption(tx("DF\u00dc-Name:", "DFUE name:"));
  edtEntryName.SetHint(tx("Name der DF\u00dc-Verbindung", "Name of the DFUE connection"));
  lblUserName.SetCaption(tx("Benutzername:", "Username:"));
  lblPassword.SetCaption(tx("Kennwort:", "Password:"));
  chkSavePassword.SetCaption(tx("Kennwort speichern", "Save password"));
  chkSavePassword.SetHint(tx("Ohne gespeichertes Kennwort w\u00e4hlt Stayline nicht selbst",
                             "Without a saved password Stayline does not dial by itself"));
  btnOK.SetCaption("OK");
  btnCancel.SetCaption(tx("Abbrechen", "Cancel"));
}

forms::Edit* TfrmEntry::KeyEdit(const std::string& key) const {
  return dynamic_cast<forms::Edit*>(Find(kKeyPrefix + key));
}

void TfrmEntry::Load(const ras::EntryForm& entry) {
  originalName_ = entry.Name;
  edtEntryName.SetText(entry.Name);
  edtUserName.SetText(entry.UserName);
  edtPassword.SetText(entry.Password);
  chkSavePassword.SetChecked(entry.PasswordSaved);
  for (const auto& [key, value] : entry.Keys) {
    forms::Edit* edit = KeyEdit(key);
    if (!edit) {
      AddLabel(*this, "lbl" + std::string(kKeyPrefix) + key).SetCaption(key + ":");
      edit = &Add<forms::Edit>(kKeyPrefix + key);
    }
    edit->SetText(value);
  }
  ApplyLanguage(german_);
}

void TfrmEntry::Store(ras::EntryForm& entry) const {
  entry.Name = core::Trim(edtEntryName.Text());
  entry.UserName = edtUserName.Text();
  entry.PasswordSaved = chkSavePassword.Checked();
  entry.Password = entry.PasswordSaved ? edtPassword.Text() : "";
  for (auto& [key, value] : entry.Keys) {
    if (const forms::Edit* edit = KeyEdit(key)) value = core::Trim(edit->Text());
  }
}

void TfrmEntry::OkClick() {
  const std::string name = core::Trim(edtEntryName.Text());
  const auto tx = [this](const char* de, const char* en) { return german_ ? de : en; };
  const std::string problem = ras::PhonebookFile::EntryNameProblem(name);
  std::string message;
  if (!problem.empty()) {
    message = std::string(tx("Ung\u00fcltiger DF\u00dc-Name: ", "Invalid DFUE name: ")) + problem;
  } else if (name != originalName_ && nameTaken_ && nameTaken_(name)) {
    message = std::string(tx("Eine DF\u00dc-Verbindung dieses Namens gibt es schon: ",
                             "A DFUE connection of this name exists already: ")) +
              name;
  }
  if (!message.empty()) {
    dialogs_.MessageBox(message, Caption(), forms::Buttons::OK, forms::MessageKind::Warning);
    return;
  }
  SetModalResult(forms::ModalResult::OK);
}

bool TfrmEntry::TakeAnswer(std::string_view answer) {
  if (core::EqualsNoCase(answer, "OK")) {
    btnOK.UserClick();
    return true;
  }
  if (core::EqualsNoCase(answer, "Cancel") || core::EqualsNoCase(answer, btnCancel.Caption())) {
    btnCancel.UserClick();
    return true;
  }
  return false;
}

}  // namespace app
