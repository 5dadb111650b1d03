#pragma once
// TfrmEntry: the program's own dialog for a new or an existing dial-up entry — its name, the user
// name and password stored with it, whether the password is saved, and the line's own keys (for
// the simulated line its simulation values, for the POSIX line the commands and the interface).
// The GUI draws it; headless runs fill its edits and click OK through the control socket.
//
// The name of an existing entry is shown read-only (the page renames entries). OK checks the name
// (a valid entry name that no other entry has) and says what is wrong without closing; the line
// backend checks and stores the result once the dialog has closed.
//
// Loop thread only.

#include <functional>
#include <string>

#include "app/language_aware.h"
#include "forms/check_box.h"
#include "forms/dialog_service.h"
#include "forms/edit.h"
#include "forms/form.h"
#include "ras/entry_editor.h"

namespace app {

class TfrmEntry : public forms::Form, public LanguageAware {
 public:
  // `nameTaken` tells whether another entry has this name already.
  TfrmEntry(forms::DialogService& dialogs, bool german, bool isNew,
            std::function<bool(const std::string&)> nameTaken);

  forms::Control& lblEntryName;
  forms::Edit& edtEntryName;
  forms::Control& lblUserName;
  forms::Edit& edtUserName;
  forms::Control& lblPassword;
  forms::Edit& edtPassword;
  forms::CheckBox& chkSavePassword;
  forms::Control& btnOK;
  forms::Control& btnCancel;

  // The edit of one of the line's own keys ("Key_" + key), nullptr when the form has none.
  [[nodiscard]] forms::Edit* KeyEdit(const std::string& key) const;

  // Shows `entry` in the form (adding an edit per key of the line) and reads it back.
  void Load(const ras::EntryForm& entry);
  void Store(ras::EntryForm& entry) const;
  // Captions and hints in German or English.
  void ApplyLanguage(bool german) override;

  // "OK" clicks OK, "Cancel" clicks Cancel (any case).
  bool TakeAnswer(std::string_view answer) override;

 private:
  void OkClick();

  forms::DialogService& dialogs_;
  bool german_;
  bool isNew_;
  std::string originalName_;
  std::function<bool(const std::string&)> nameTaken_;
};

}  // namespace app
