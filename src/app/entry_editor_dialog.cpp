#include "app/entry_editor_dialog.h"

#include <algorithm>

#include "app/entry_editor_form.h"
#include "app/phonebook_page.h"
#include "app/t_stayline.h"

namespace app {

bool EntryEditorDialog::EditEntry(ras::EntryForm& form, bool isNew) {
  TfrmEntry dialog(main_.Dialogs(), main_.German(), isNew, [this](const std::string& name) {
    std::vector<std::string> names;
    EnumerateEntryNames(main_.Ras(), names);
    return std::find(names.begin(), names.end(), name) != names.end();
  });
  dialog.Load(form);
  if (main_.Dialogs().ShowModal(dialog) != forms::ModalResult::OK) return false;
  dialog.Store(form);
  return true;
}

}  // namespace app
