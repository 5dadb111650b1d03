#pragma once
// The windows of the dialogs' form models (mail setup, the FTP setups, the overwrite question,
// the entry editor), laid out from the model itself when the dialog is shown, so rows a form
// adds while it loads (the entry editor's key edits) are placed too:
//  - a page control becomes tabs, each page holding the controls whose parent it is;
//  - a label and the fields after it (edits, combo boxes, small buttons) make one form row;
//  - check boxes, memos, lists and lone labels take a row of their own;
//  - an image and the label after it make a row (a question's icon and text);
//  - the buttons make the button row at the bottom, in the model's order.
// The dialog service binds the window to the form. Qt GUI thread only.

#include <QDialog>
#include <memory>

#include "forms/form.h"

namespace gui {

std::unique_ptr<QDialog> MakeDialogWindow(forms::Form& form);

}  // namespace gui
