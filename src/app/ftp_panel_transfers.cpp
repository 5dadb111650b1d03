// The mini client's transfers: download, upload, abort, the overwrite question, Copy Location.

#include <string>
#include <vector>

#include "app/auto_ftp.h"
#include "app/confirm_form.h"
#include "app/ftp_panel.h"
#include "app/t_stayline.h"
#include "ftp/tm_ftp.h"

namespace app {

namespace {

// The part of a path after its last separator.
std::string BaseName(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::string FtpPanel::FirstSelectedFile() const {
  const std::vector<std::string> files = list_.SelectedFiles();
  return files.empty() ? std::string() : files.front();
}

void FtpPanel::ToolButton4DownLoadClick() {
  const std::string remote = FirstSelectedFile();
  if (remote.empty()) return;
  forms::FileDialog& d = main_.Form().MonsterSaveDialog;
  d.SetTitle(main_.Tx("Dateien vom FTP-Server runterladen", "Download from FTP-Server"));
  d.SetInitialDir(main_.Regs().FTP_DownloadPath);
  d.SetFileName(remote);
  if (!d.Execute(main_.Dialogs())) return;
  const std::string local = d.FileName();
  downloadTarget_ = BaseName(local);
  transferName_ = remote;
  main_.MFtp1().Download(remote, local);
}

void FtpPanel::ToolButton5UpLoaadClick() {
  forms::FileDialog& d = main_.Form().MonsterOpenDialog;
  d.SetTitle(main_.Tx("Dateien zum FTP-Server übertragen", "Upload Files to FTP-Server"));
  d.SetInitialDir(main_.Regs().FTP_UploadPath);
  d.SetFileMustExist(true);
  if (!d.Execute(main_.Dialogs())) return;
  const std::string local = d.FileName();
  transferName_ = BaseName(local);
  main_.MFtp1().Upload(local, transferName_);
}

void FtpPanel::ToolButton10StopClick() {
  main_.MFtp1().AbortTransfer();
  transferRunning_ = false;
}

void FtpPanel::MFtp1FtpNeedInfo(ftp::TMFtpInfoNeeded need, std::string& value) {
  if (need != ftp::TMFtpInfoNeeded::kLocalFileExists) return;
  // Outside a session of the mini client the question comes from the unattended upload of the
  // client-IP page: the new page replaces the old one, nobody is there to answer a dialog, and a
  // "Cancel" would leave the old address published for good.
  if (!main_.Publisher().State().ManualSession) {
    value = "Overwrite";
    return;
  }
  main_.Beep();
  // The question names the file of the transfer that asks: for an upload that is the file sent,
  // which the list's selection need not show.
  const int answer =
      TfrmConfirm::Ask(main_.Dialogs(), main_.German(), transferName_ + " existiert bereits.",
                       transferName_ + " already exists.", main_.MFtp1().SupportsResume());
  switch (answer) {
    case TfrmConfirm::kResume:
      value = "Resume";
      break;
    case TfrmConfirm::kOverwrite:
      value = "Overwrite";
      break;
    default:
      value = "Cancel";
      transferRunning_ = false;
      break;
  }
}

void FtpPanel::CopyLocation1Click() {
  const std::string location = main_.MFtp1().Location();
  const std::vector<std::string> folders = list_.SelectedFolders();
  std::string text;
  if (folders.size() == 1) {
    text = location + folders.front() + "/";
  } else {
    text = location + FirstSelectedFile();
  }
  main_.Dialogs().SetClipboard(text);
}

}  // namespace app
