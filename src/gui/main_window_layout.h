#pragma once
// Where every control of the main window goes: a table of boxes, each a list of rows, each row a
// list of entries placed side by side. An entry is a control's name, the name of another box of
// the table (a group the model does not know, such as " Mini FTP "), "~text" for a fixed label,
// or "" for a stretch. The names of boxes the model does not know must differ from every
// control's name in any case (the model finds names regardless of case). A box whose name is a
// control of the model (a page, a group box, a panel) fills that control's widget; the others get a
// QGroupBox titled Title.

#include <string_view>
#include <vector>

namespace gui {

struct LayoutBox {
  const char* Name;
  const char* Title;  // for boxes that are not controls of the model; null otherwise
  std::vector<std::vector<const char*>> Rows;
  bool Horizontal = false;  // a tool bar: one row, tight
};

const std::vector<LayoutBox>& MainWindowLayout();
const LayoutBox* FindLayoutBox(std::string_view name);

}  // namespace gui
