#pragma once
// FtpPanel: the mini FTP client of the FTP page. The user picks a stored profile, connects,
// browses the server in a folder tree and a file list, creates and deletes folders, deletes
// files, downloads and uploads single files, and watches the protocol, the status and the
// transfer progress. It shares the engine with the auto-FTP publishing: while auto-FTP is on the
// panel is locked, and the panel lists folders only while it holds the engine (ManualSession).
// The engine's info, ready and quit events serve both; the panel adds its display side after the
// publishing's side.
//
// ftp_panel.cpp: set-up, enabled states, profiles, connect/disconnect, the log switch.
// ftp_panel_folders.cpp: listing, entering folders, new folder, delete, view menu.
// ftp_panel_transfers.cpp: download, upload, abort, the overwrite question, Copy Location.
// ftp_panel_status.cpp: status and progress, busy/ready/quit, the protocol list.
// ftp_panel_views.cpp: the folder tree and the file list shown in the page's view controls.
//
// Threading: loop thread only.

#include <cstdint>
#include <functional>
#include <string>

#include "ftp/file_list_view.h"
#include "ftp/folder_tree_view.h"
#include "ftp/ftp_codes.h"
#include "ftp/protocol_view.h"

namespace forms {
class TimerControl;
}

namespace app {

class TStayline;
struct TFTPData;

class FtpPanel {
 public:
  explicit FtpPanel(TStayline& main);
  ~FtpPanel();
  FtpPanel(const FtpPanel&) = delete;
  FtpPanel& operator=(const FtpPanel&) = delete;

  // The views bound to the engine.
  [[nodiscard]] ftp::TMFtpTreeView& TreeView() { return tree_; }
  [[nodiscard]] ftp::TMFtpListView& ListView() { return list_; }
  [[nodiscard]] ftp::TMFtpMessenger& Messenger() { return messenger_; }

  [[nodiscard]] bool TransferRunning() const { return transferRunning_; }
  [[nodiscard]] double TransferRate() const { return rate_; }
  [[nodiscard]] std::int64_t TransferSize() const { return transferSize_; }
  [[nodiscard]] const std::string& DownloadTarget() const { return downloadTarget_; }

  // Initial set-up, called by the main window's start-up.
  void FTPFormCreate();
  // The enabled states of the page's controls; the status tick keeps them once a second.
  void UpdateEnabledStates();

  void ConnectButtonManuellClick();
  void ConnectButtonClick();
  void ProfileSetupClick();
  void FTPProfileBoxChange();
  void FillMiniFTPbyProfile(const std::string& name);
  void FTPLogCheckBoxClick();

  // ---- folders (ftp_panel_folders.cpp) ----
  void MFtp1DirectoryChanged();
  void MFtp1ContentChanged();
  void MFtpListView1DblClick();
  void ToolButton11NewFolderClick();
  void ToolButton6DeleteClick();
  void ToolButton8ParentDirectoryClick();
  void ViewmenuClick(int tag);
  void MonsterPopupMenu1Popup();

  // ---- views (ftp_panel_views.cpp) ----
  // A folder the user chose in the tree (after the tree's change delay).
  void MFtpTreeView1DirChange(const ftp::TMFtpTreeNode& node);

  // ---- transfers (ftp_panel_transfers.cpp) ----
  void ToolButton4DownLoadClick();
  void ToolButton5UpLoaadClick();
  void ToolButton10StopClick();
  void MFtp1FtpNeedInfo(ftp::TMFtpInfoNeeded need, std::string& value);
  void CopyLocation1Click();

  // ---- display side of the engine's events ----
  void MFtp1FtpInfo(ftp::FtpInfo info, const std::string& addInfo);
  void MFtp1FtpBusy();
  void MFtp1FtpReady();
  void MFtp1FtpQuit();
  void MFtpMessenger1MessageShow(const std::string& text);

  // The rate of `bytes` in `elapsedMs` in KB/s; without elapsed time the previous rate stays.
  [[nodiscard]] static double Rate(std::uint64_t bytes, std::int64_t elapsedMs, double previous);
  // "Speed: 1.23 KB/s | Bytes: 1260".
  [[nodiscard]] static std::string SpeedText(double rate, std::uint64_t bytes);

 private:
  void BindControls();
  void BindEngine();
  void BindViews();
  void ShowListRows();
  void ShowListSelection();
  void ListChosenByUser();
  void ShowTree();
  void TreeChosenByUser();
  void StartTransfer(const std::string& sizeText);
  void ShowRate();
  void EnableToolbar(bool on);
  void DisableTransferButtons();
  void Status(const std::string& text);
  void FtpLog(const std::string& text);
  void CloseLine();
  void ServerDownCheck();
  [[nodiscard]] bool LineUp() const;
  // The mini client holds the engine (not the publishing).
  [[nodiscard]] bool HoldsEngine() const;
  [[nodiscard]] std::string FirstSelectedFile() const;
  void RemovePendingFolder();

  TStayline& main_;
  ftp::TMFtpTreeView tree_;
  ftp::TMFtpListView list_;
  ftp::TMFtpMessenger messenger_;

  bool transferRunning_ = false;
  std::int64_t transferStartMs_ = 0;
  std::int64_t transferSize_ = 0;
  double rate_ = 0.0;
  std::string downloadTarget_;
  // The remote name of the last transfer the page started.
  std::string transferName_;
  std::string lastProtocolLine_;
  // The folder of a delete that waits for the file's deletion (one operation at a time).
  std::string pendingRemoveDir_;
  // A user's selection in the list control is being copied into the list model.
  bool applyingUserChoice_ = false;

  // The publishing's handlers the panel's display side follows.
  std::function<void(ftp::FtpInfo, const std::string&)> autoInfo_;
  std::function<void()> autoReady_;
  std::function<void()> autoQuit_;
};

}  // namespace app
