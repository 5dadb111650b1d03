// The mini client's folders: listing, entering folders, new folder, delete, the view menu.

#include <optional>
#include <string>
#include <vector>

#include "app/auto_ftp.h"
#include "app/ftp_panel.h"
#include "app/t_stayline.h"
#include "ftp/tm_ftp.h"

namespace app {

void FtpPanel::MFtp1DirectoryChanged() {
  // The publishing logs in with the same engine; a listing would stand in the way of its steps.
  if (!HoldsEngine()) return;
  ftp::TMFtp& e = main_.MFtp1();
  e.Refresh();
  if (!e.CurrentDir().empty()) main_.Form().CurrentDirEdit.SetText(e.CurrentDir());
}

void FtpPanel::MFtp1ContentChanged() {
  ftp::TMFtp& e = main_.MFtp1();
  // A busy engine is on with the next operation; that one's content event lists again.
  if (!e.Connected() || !HoldsEngine() || e.Busy()) return;
  // Fetched from the server, not from the cache: the folder has just changed there.
  e.Cache = false;
  e.Refresh();
  e.Cache = true;
}

void FtpPanel::MFtpListView1DblClick() {
  const std::vector<std::string> folders = list_.SelectedFolders();
  if (folders.empty()) return;
  list_.SetGerman(main_.German());
  ftp::TMFtp& e = main_.MFtp1();
  const auto& items = list_.Items();
  if (!items.empty() && items.front().ParentEntry &&
      folders.front() == list_.ParentEntryCaption()) {
    e.ChangeDirUp();
  } else {
    e.ChangeDir(folders.front());
  }
}

void FtpPanel::ToolButton11NewFolderClick() {
  const std::optional<std::string> name = main_.Dialogs().InputBox(
      main_.Tx("Mini FTP - Neuer Ordner", "Mini FTP - New Directory"),
      main_.Tx("Neuer Name für den Ordner?", "What name is the new directory?"), "");
  if (!name) return;
  main_.MFtp1().MakeDir(*name);
}

void FtpPanel::ToolButton6DeleteClick() {
  ftp::TMFtp& e = main_.MFtp1();
  const std::vector<std::string> files = list_.SelectedFiles();
  if (!files.empty()) e.DeleteFile(files.front());
  const std::vector<std::string> folders = list_.SelectedFolders();
  if (!folders.empty()) {
    pendingRemoveDir_ = folders.front();
    // One operation at a time: the folder goes once the file's deletion is done.
    if (e.Busy()) return;
    RemovePendingFolder();
  }
}

void FtpPanel::RemovePendingFolder() {
  if (pendingRemoveDir_.empty()) return;
  const std::string name = std::move(pendingRemoveDir_);
  pendingRemoveDir_.clear();
  main_.MFtp1().RemoveDir(name);
}

void FtpPanel::ToolButton8ParentDirectoryClick() {
  main_.MFtp1().ChangeDirUp();
}

void FtpPanel::ViewmenuClick(int tag) {
  MainForm& f = main_.Form();
  list_.SetViewStyle(static_cast<ftp::TMFtpViewStyle>(tag));
  forms::MenuItem* items[] = {&f.LargeIcons1, &f.SmallIcons1, &f.List1, &f.Details1};
  for (int i = 0; i < 4; ++i) items[i]->SetChecked(i == tag);
}

void FtpPanel::MonsterPopupMenu1Popup() {
  main_.Form().CopyLocation1.SetEnabled(list_.AnySelected());
}

}  // namespace app
