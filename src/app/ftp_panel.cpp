#include "app/ftp_panel.h"

#include <algorithm>
#include <iterator>
#include <system_error>
#include <vector>

#include "app/auto_ftp.h"
#include "app/connection_keeper.h"
#include "app/ftp_connection_loader.h"
#include "app/ftp_profile_setup_form.h"
#include "app/t_stayline.h"
#include "app/time_log_writer.h"
#include "core/text.h"
#include "ftp/tm_ftp.h"
#include "ras/time_log.h"

namespace app {

FtpPanel::FtpPanel(TStayline& main)
    : main_(main), tree_(&main.Loop()), messenger_([&main] { return main.WallNow(); }) {
  tree_.Preload = true;
  tree_.WebStyle = true;
  tree_.ChangeDelay = 50;
  list_.SetSortType(ftp::TMFtpSortType::stName);
  list_.WebStyle = false;
  list_.ReadOnly = false;
  messenger_.SetStyle(ftp::TMFtpMessengerStyle::msgClassic);
  messenger_.AutoScroll = true;
  messenger_.WordWrap = false;
  BindControls();
  BindEngine();
  BindViews();
}

FtpPanel::~FtpPanel() {
  ftp::TMFtp& e = main_.MFtp1();
  e.UnbindView(&tree_);
  e.UnbindView(&list_);
  e.UnbindView(&messenger_);
  // The publishing keeps its own handlers.
  e.OnFtpInfo = autoInfo_;
  e.OnFtpReady = autoReady_;
  e.OnFtpQuit = autoQuit_;
  e.OnFtpBusy = nullptr;
  e.OnFtpNeedInfo = nullptr;
  e.OnLoggedIn = nullptr;
  e.OnDirectoryChanged = nullptr;
  e.OnDirectoryCreated = nullptr;
  e.OnDirectoryDeleted = nullptr;
  e.OnFileDeleted = nullptr;
  e.OnFileStored = nullptr;
  e.OnFileRenamed = nullptr;
  e.OnAborted = nullptr;
}

void FtpPanel::BindControls() {
  MainForm& f = main_.Form();
  f.ConnectButton.OnClick = [this] { ConnectButtonManuellClick(); };
  f.CreateDirButton.OnClick = [this] { ToolButton11NewFolderClick(); };
  f.DownloadButton.OnClick = [this] { ToolButton4DownLoadClick(); };
  f.UploadButton.OnClick = [this] { ToolButton5UpLoaadClick(); };
  f.BackButton.OnClick = [this] { ToolButton8ParentDirectoryClick(); };
  f.FTPRefresh.OnClick = [this] { MFtp1ContentChanged(); };
  f.AbortButton.OnClick = [this] { ToolButton10StopClick(); };
  f.DeleteButton.OnClick = [this] { ToolButton6DeleteClick(); };
  f.ProfileSetup.OnClick = [this] { ProfileSetupClick(); };
  f.FTPProfileBox.OnChange = [this] { FTPProfileBoxChange(); };
  f.FTPLogCheckBox.OnClick = [this] { FTPLogCheckBoxClick(); };
  f.MFtpListView1File.OnClick = [this] { MFtpListView1DblClick(); };
  f.LargeIcons1.OnClick = [this] { ViewmenuClick(0); };
  f.SmallIcons1.OnClick = [this] { ViewmenuClick(1); };
  f.List1.OnClick = [this] { ViewmenuClick(2); };
  f.Details1.OnClick = [this] { ViewmenuClick(3); };
  f.CopyLocation1.OnClick = [this] { CopyLocation1Click(); };
  f.MonsterPopupMenu1.OnClick = [this] { MonsterPopupMenu1Popup(); };
  f.FTPRefreshTimer.OnTimer() = [] {};  // kept enabled while connected; it has nothing to do
  list_.OnFileDropped = [this](const std::vector<std::string>&) { MFtpListView1DblClick(); };
  messenger_.OnMessageShow = [this](const std::string& text) { MFtpMessenger1MessageShow(text); };
}

void FtpPanel::BindEngine() {
  ftp::TMFtp& e = main_.MFtp1();
  ftp::ListingSnapshotSource source = [&e] {
    return ftp::ListingSnapshot{e.Location(), e.Folders(), e.Files()};
  };
  tree_.Source = source;
  list_.Source = source;
  e.BindView(&tree_);
  e.BindView(&list_);
  e.BindView(&messenger_);
  autoInfo_ = e.OnFtpInfo;
  autoReady_ = e.OnFtpReady;
  autoQuit_ = e.OnFtpQuit;
  e.OnFtpInfo = [this](ftp::FtpInfo info, const std::string& text) {
    TStayline::Call(autoInfo_, info, text);
    MFtp1FtpInfo(info, text);
  };
  e.OnFtpReady = [this] {
    TStayline::Call(autoReady_);
    MFtp1FtpReady();
  };
  e.OnFtpQuit = [this] {
    TStayline::Call(autoQuit_);
    MFtp1FtpQuit();
  };
  e.OnFtpBusy = [this] { MFtp1FtpBusy(); };
  e.OnFtpNeedInfo = [this](ftp::TMFtpInfoNeeded need, std::string& value) {
    MFtp1FtpNeedInfo(need, value);
  };
  e.OnLoggedIn = [this] { MFtp1DirectoryChanged(); };
  e.OnDirectoryChanged = [this] { MFtp1DirectoryChanged(); };
  for (std::function<void()>* event :
       {&e.OnDirectoryCreated, &e.OnDirectoryDeleted, &e.OnFileDeleted, &e.OnFileStored,
        &e.OnFileRenamed, &e.OnAborted}) {
    *event = [this] { MFtp1ContentChanged(); };
  }
}

// ---- helpers --------------------------------------------------------------------------------

bool FtpPanel::LineUp() const {
  return main_.State().ActiveConnectionCount != 0;
}

bool FtpPanel::HoldsEngine() const {
  return main_.Publisher().State().ManualSession;
}

void FtpPanel::Status(const std::string& text) {
  main_.Form().StatusBar1.SetPanel(1, text);
}

void FtpPanel::FtpLog(const std::string& text) {
  if (!main_.Form().FTPLogCheckBox.Checked()) return;
  try {
    ras::WriteTextFile(main_.TimeLog().FtpLogPath(), text, false, true);
  } catch (const std::system_error&) {
    // An unwritable log must not stop the session.
  }
}

void FtpPanel::CloseLine() {
  FtpLog("\r\nMiniFTP Close - " + main_.TimeLog().GetTimeDate() + "\r\n");
}

void FtpPanel::ServerDownCheck() {
  AutoFtp::Session& s = main_.Publisher().State();
  if (s.FtpServerDown && !s.FtpLoggedIn) {
    Status("MiniFTP: Server down");
    main_.MFtp1().Abort();
    // Shown once: the login has only just started, so a kept marker would abort every later
    // attempt as well, even once the server is back.
    s.FtpServerDown = false;
  }
}

void FtpPanel::EnableToolbar(bool on) {
  MainForm& f = main_.Form();
  for (forms::Control* c : {&f.CreateDirButton, &f.DownloadButton, &f.UploadButton, &f.DeleteButton,
                            &f.BackButton, &f.AbortButton, &f.FTPRefresh}) {
    c->SetEnabled(on);
  }
}

void FtpPanel::DisableTransferButtons() {
  MainForm& f = main_.Form();
  for (forms::Control* c : {&f.DeleteButton, &f.FTPRefresh, &f.BackButton, &f.UploadButton,
                            &f.DownloadButton, &f.CreateDirButton}) {
    c->SetEnabled(false);
  }
}

// ---- set-up and enabled states --------------------------------------------------------------

void FtpPanel::FTPFormCreate() {
  MainForm& f = main_.Form();
  list_.SetGerman(main_.German());
  FtpConnectionLoader& loader = main_.FtpConnection();
  loader.ProfileMode = true;
  const TFTPData c = loader.LoadFtpConnection("Auto FTP");
  main_.Publisher().ShowConnection(c);
  main_.Publisher().SetEngineUp(c);
  EnableToolbar(false);
  main_.Keeper().TesteConnections();
  f.ConnectButton.SetEnabled(LineUp());
  f.ProgressBar1.SetParent(f.StatusBar1.Name());
}

void FtpPanel::UpdateEnabledStates() {
  MainForm& f = main_.Form();
  const bool connected = main_.MFtp1().Connected();
  const bool autoOn = f.AutoFTPBox.Checked();
  if (!connected) Status(" ");
  const bool lineUp = LineUp();
  if (lineUp) {
    f.ConnectButton.SetCaption(connected ? main_.Tx("Verbunden", "Connect")
                                         : main_.Tx("Keine Verbindung", "Disconnect"));
    f.FTPRefreshTimer.SetEnabled(connected);
  }
  const bool session = connected && lineUp;
  for (forms::Control* c : {static_cast<forms::Control*>(&f.FTPSetup), &f.ProfileSetup,
                            static_cast<forms::Control*>(&f.FtpServerEdit),
                            static_cast<forms::Control*>(&f.FTPProfileBox),
                            static_cast<forms::Control*>(&f.CurrentDirEdit),
                            static_cast<forms::Control*>(&f.UserIDEdit)}) {
    c->SetEnabled(!session);
  }
  if (!session) {
    EnableToolbar(false);
    f.ConnectButton.SetEnabled(!autoOn);
    return;
  }
  f.ConnectButton.SetEnabled(!autoOn);
  EnableToolbar(!autoOn);
  if (!autoOn && transferRunning_) DisableTransferButtons();
}

// ---- profiles -------------------------------------------------------------------------------

void FtpPanel::ProfileSetupClick() {
  MainForm& f = main_.Form();
  FtpConnectionLoader& loader = main_.FtpConnection();
  loader.ProfileMode = true;
  const std::string chosen = TftpProfileSetup::Execute(main_.Store(), main_.Dialogs());
  std::vector<std::string> names;
  main_.Store().GetProfileNames(names);
  f.FTPProfileBox.SetItems(names);
  f.AutoFTPProfil.SetText(main_.Regs().FTP_Profil);
  f.FTPProfileBox.SetText(chosen);
  const TFTPData c = loader.LoadFtpConnection(chosen);
  f.FtpServerEdit.SetText(c.Host);
  f.UserIDEdit.SetText(c.UserID);
  f.CurrentDirEdit.SetText(c.HostDir);
}

void FtpPanel::FTPProfileBoxChange() {
  FillMiniFTPbyProfile(main_.Form().FTPProfileBox.Text());
}

void FtpPanel::FillMiniFTPbyProfile(const std::string& name) {
  const settings::TProfileData p = main_.Store().ReadProfile(name);
  if (p.PProfil.empty()) return;
  FtpConnectionLoader& loader = main_.FtpConnection();
  loader.ProfileMode = true;
  main_.Publisher().ShowConnection(loader.LoadFtpConnection(p.PProfil));
}

void FtpPanel::FTPLogCheckBoxClick() {
  if (main_.Publisher().InStartPhase()) return;
  main_.Regs().FTPLogFile = main_.Form().FTPLogCheckBox.Checked() ? "1" : "0";
  main_.Store().WriteField("FTPLogFile");
}

// ---- connect and disconnect -----------------------------------------------------------------

void FtpPanel::ConnectButtonManuellClick() {
  if (main_.Publisher().InStartPhase()) return;
  ftp::TMFtp& e = main_.MFtp1();
  e.PutFileClosed = false;
  e.DeleteSent = false;
  AutoFtp::Session& s = main_.Publisher().State();
  s.FtpResolving = false;
  s.FtpAddressResolved = false;
  s.FtpServerConnected = false;
  s.FtpLoggedIn = false;
  s.FtpTransferDone = false;
  s.FtpPutStarted = false;
  s.FtpServerDisconnected = false;
  Status(" ");
  s.ManualSession = true;
  ConnectButtonClick();
}

void FtpPanel::ConnectButtonClick() {
  MainForm& f = main_.Form();
  ftp::TMFtp& e = main_.MFtp1();
  forms::TimerControl* timers[] = {&f.PingTimer, &f.PingImageTimer,  &f.TimerTNA,
                                   &f.TimerX,    &f.FTPRefreshTimer, &f.TimerCaption};
  bool saved[std::size(timers)];
  for (std::size_t i = 0; i < std::size(timers); ++i) saved[i] = timers[i]->Enabled();
  f.ConnectButton.SetEnabled(false);
  messenger_.Clear();
  main_.Keeper().TesteConnections();
  const bool lineUp = LineUp();
  if (lineUp && !e.Connected()) {
    e.PurgeCache(true, true, 7);
    f.DebugListBox.ClearItems();
    list_.SetGerman(main_.German());
    FtpConnectionLoader& loader = main_.FtpConnection();
    loader.ProfileMode = true;
    const TFTPData c = loader.LoadFtpConnection(f.FTPProfileBox.Text());
    main_.Publisher().ShowConnection(c);
    main_.Publisher().SetEngineUp(c);
    EnableToolbar(false);
    f.ConnectButton.SetCaption(main_.Tx("Verbunden", "Connect"));
    f.ConnectButton.SetEnabled(true);
    Status(main_.Tx("FTP Verbindungsaufbau", "Connecting to Server"));
    for (forms::TimerControl* t : timers) t->SetEnabled(false);
    main_.Keeper().TesteConnections();
    if (LineUp()) {
      FtpLog(" ");
      FtpLog("\r\nStart MiniFTP Login - " + main_.TimeLog().GetTimeDate() + "\r\n");
      e.Login();
    }
    ServerDownCheck();
    for (std::size_t i = 0; i < std::size(timers); ++i) {
      if (timers[i]->Enabled() != saved[i]) timers[i]->SetEnabled(saved[i]);
    }
    return;
  }
  if (lineUp) {
    CloseLine();
    ServerDownCheck();
    e.Abort();
    e.Close();
    transferRunning_ = false;
    f.DebugListBox.ClearItems();
    Status(main_.Tx("Verbindung getrennt.", "Disconnected."));
    main_.Publisher().State().ManualSession = false;
    f.FTPRefreshTimer.SetEnabled(false);
  } else {
    if (e.Connected()) {
      e.Abort();
      CloseLine();
      e.Close();
      transferRunning_ = false;
      f.DebugListBox.ClearItems();
      Status(main_.Tx("Verbindung getrennt.", "Disconnected."));
    }
    main_.Publisher().State().ManualSession = false;
  }
  EnableToolbar(false);
  Status(" ");
}

}  // namespace app
