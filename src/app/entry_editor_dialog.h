#pragma once
// The line backend's entry editor in this program: the "new entry" and "edit entry" calls of the
// phonebook page show TfrmEntry modally through the window's dialog service, in the window's
// language. Loop thread only.

#include "ras/entry_editor.h"

namespace app {

class TStayline;

class EntryEditorDialog : public ras::EntryEditor {
 public:
  explicit EntryEditorDialog(TStayline& main) : main_(main) {}

  bool EditEntry(ras::EntryForm& form, bool isNew) override;

 private:
  TStayline& main_;
};

}  // namespace app
