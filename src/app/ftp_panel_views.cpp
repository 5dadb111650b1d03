// The mini client's folder tree and file list shown in the page's two view controls, both ways:
// the models' rows and selection appear in the controls, and a user's choice in a control
// selects in the model (and, in the tree, goes to that folder).

#include <cstddef>
#include <string>
#include <vector>

#include "app/ftp_panel.h"
#include "app/t_stayline.h"
#include "ftp/tm_ftp.h"

namespace app {

namespace {

// The tree's nodes depth first, as the tree shows them from the top.
void Flatten(const ftp::TMFtpTreeNode& node, std::vector<const ftp::TMFtpTreeNode*>& out) {
  out.push_back(&node);
  for (const auto& child : node.Children) Flatten(*child, out);
}

}  // namespace

void FtpPanel::BindViews() {
  MainForm& f = main_.Form();
  list_.OnChanged = [this](ftp::ListViewChange change) {
    if (applyingUserChoice_) return;  // the control shows that choice already
    if (change == ftp::ListViewChange::kSelection) {
      ShowListSelection();
    } else if (change != ftp::ListViewChange::kStyle) {
      ShowListRows();
    }
  };
  f.MFtpListView1File.OnSelectionChanged = [this] { ListChosenByUser(); };
  tree_.OnChanged = [this](ftp::TreeViewChange) { ShowTree(); };
  f.MFtpTreeView1Dir.OnSelectionChanged = [this] { TreeChosenByUser(); };
  tree_.OnChange = [this](const ftp::TMFtpTreeNode& node) { MFtpTreeView1DirChange(node); };
  ShowListRows();
  ShowTree();
}

void FtpPanel::ShowListRows() {
  std::vector<std::vector<std::string>> rows(list_.ItemCount());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    for (std::size_t c = 0; c < ftp::kListColumnCount; ++c) {
      rows[i].push_back(list_.ColumnText(i, static_cast<ftp::TMFtpListColumn>(c)));
    }
  }
  forms::ListView& view = main_.Form().MFtpListView1File;
  view.SetColumns(list_.ColumnCaptions());
  view.SetRows(rows);
  ShowListSelection();
}

void FtpPanel::ShowListSelection() {
  std::vector<int> selected;
  const auto& items = list_.Items();
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (items[i].Selected) selected.push_back(static_cast<int>(i));
  }
  main_.Form().MFtpListView1File.SetSelection(selected);
}

void FtpPanel::ListChosenByUser() {
  const forms::ListView& view = main_.Form().MFtpListView1File;
  applyingUserChoice_ = true;
  for (std::size_t i = 0; i < list_.ItemCount(); ++i) {
    list_.SetSelected(i, view.IsSelected(static_cast<int>(i)));
  }
  applyingUserChoice_ = false;
}

void FtpPanel::ShowTree() {
  std::vector<const ftp::TMFtpTreeNode*> nodes;
  if (tree_.Root()) Flatten(*tree_.Root(), nodes);
  std::vector<std::vector<std::string>> rows;
  std::vector<int> selected;
  for (std::size_t i = 0; i < nodes.size(); ++i) {
    rows.push_back({nodes[i]->Path, nodes[i]->Location});
    if (nodes[i] == tree_.Selected()) selected.push_back(static_cast<int>(i));
  }
  forms::ListView& view = main_.Form().MFtpTreeView1Dir;
  view.SetColumns({"Folder", "Location"});
  // Only a change of the folders redraws the rows; a new selection moves the mark.
  std::vector<std::string> paths;
  for (int i = 0; i < view.Count(); ++i) paths.push_back(view.Caption(i));
  std::vector<std::string> wanted;
  for (const auto& row : rows) wanted.push_back(row.front());
  if (paths != wanted) view.SetRows(rows);
  view.SetSelection(selected);
}

void FtpPanel::TreeChosenByUser() {
  const forms::ListView& view = main_.Form().MFtpTreeView1Dir;
  const int row = view.ItemIndex();
  tree_.SelectByUser(row < 0 ? nullptr : tree_.FindNode(view.Caption(row)));
}

void FtpPanel::MFtpTreeView1DirChange(const ftp::TMFtpTreeNode& node) {
  ftp::TMFtp& e = main_.MFtp1();
  // The publishing's session is not for browsing. A busy or closed engine reports the command
  // it cannot take, as it does for the toolbar's.
  if (!HoldsEngine() || node.Path == e.CurrentDir()) return;
  e.ChangeDir(node.Path);
}

}  // namespace app
