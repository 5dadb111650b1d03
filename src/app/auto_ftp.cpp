// AutoFtp: its state, switching on and off, login and close.
#include "app/auto_ftp.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <system_error>

#include "app/browser_refresh.h"
#include "app/connection_keeper.h"
#include "app/connection_recovery.h"
#include "app/ftp_connection_loader.h"
#include "app/t_stayline.h"
#include "app/time_log_writer.h"
#include "core/text.h"
#include "ras/time_log.h"

namespace app {

AutoFtp::AutoFtp(TStayline& main) : main_(main) {
  ftp::TMFtp& e = main_.MFtp1();
  e.OnFtpInfo = [this](ftp::FtpInfo info, const std::string& text) { MFtp1FtpInfo(info, text); };
  e.OnFtpError = [this](ftp::FtpError error, const std::string& text) {
    MFtp1FtpError(error, text);
  };
  e.OnFtpReady = [this] { MFtp1FtpReady(); };
  e.OnFtpQuit = [this] { MFtp1FtpQuit(); };
  main_.Form().AutoFTPBox.OnClick = [this] { AutoFTPBoxClick(); };
}

AutoFtp::~AutoFtp() {
  // The engine outlives this module inside the window; its events must not reach it any more.
  ftp::TMFtp& e = main_.MFtp1();
  e.OnFtpInfo = nullptr;
  e.OnFtpError = nullptr;
  e.OnFtpReady = nullptr;
  e.OnFtpQuit = nullptr;
}

// ---- state ----------------------------------------------------------------------------------

void AutoFtp::Arm() {
  s_.AutoFtpArmed = true;
  // A server that was down for the previous address must not hold back the next one forever.
  s_.FtpServerDown = false;
  main_.MFtp1().PutIssued = false;
  main_.MFtp1().PutCount = 0;
}

void AutoFtp::ClearStatusFlags() {
  s_.FtpResolving = false;
  s_.FtpAddressResolved = false;
  s_.FtpServerConnected = false;
  s_.FtpLoggedIn = false;
  s_.FtpTransferDone = false;
  s_.FtpPutStarted = false;
  s_.FtpServerDisconnected = false;
}

void AutoFtp::ClearSessionFields() {
  s_.UploadStarted = false;
  s_.AutoFtpArmed = false;
  s_.UploadIssued = false;
  s_.FtpReadySeen = false;
  s_.TickCount = 0;
  main_.MFtp1().PutIssued = false;
  main_.MFtp1().PutCount = 0;
}

void AutoFtp::Reset() {
  ClearStatusFlags();
  ClearSessionFields();
}

void AutoFtp::StopFtpActivity() {
  ftp::TMFtp& e = main_.MFtp1();
  e.PutFileOpen = false;
  e.PutFileClosed = false;
  e.DeleteSent = false;
  Reset();
  s_.ManualSession = true;
  s_.LastFtpError = 8193;
}

// ---- helpers --------------------------------------------------------------------------------

bool AutoFtp::LineUp() const {
  return main_.State().ActiveConnectionCount != 0;
}

bool AutoFtp::LineComplete() const {
  return main_.Keeper().ConnectionComplete();
}

bool AutoFtp::InStartPhase() const {
  const settings::TRegsData& r = main_.Regs();
  return main_.State().DialDelayActive || r.ErrorDelay == "1" || r.TempDelay == "1" ||
         main_.Form().TimeOutTimer.Enabled();
}

std::string AutoFtp::Page() const {
  return main_.LocalPagePath();
}

void AutoFtp::Status(const std::string& text) {
  main_.Form().StatusBar1.SetPanel(1, text);
}

void AutoFtp::FtpLog(const std::string& text, bool always) {
  if (!always && !main_.Form().FTPLogCheckBox.Checked()) return;
  try {
    ras::WriteTextFile(main_.TimeLog().FtpLogPath(), text, false, true);
  } catch (const std::system_error&) {
    // An unwritable log must not stop the publishing.
  }
}

bool AutoFtp::FileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool AutoFtp::DeletePage(const std::string& path) {
  ::chmod(path.c_str(), 0644);
  return ::unlink(path.c_str()) == 0;
}

std::int64_t AutoFtp::CheckFileSize(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return 0;
  return static_cast<std::int64_t>(st.st_size);
}

std::string AutoFtp::RemoteName(const std::string& pagePath) {
  const std::size_t slash = pagePath.rfind('/');
  std::string name = slash == std::string::npos ? pagePath : pagePath.substr(slash + 1);
  if (name.size() > 999) name.resize(999);
  return name;
}

void AutoFtp::ClearProtocol() {
  main_.Form().DebugListBox.ClearItems();
}

void AutoFtp::DisableToolbar() {
  MainForm& f = main_.Form();
  for (forms::Control* c : {&f.CreateDirButton, &f.DownloadButton, &f.UploadButton, &f.DeleteButton,
                            &f.BackButton, &f.AbortButton, &f.FTPRefresh}) {
    c->SetEnabled(false);
  }
}

void AutoFtp::BrowserRefreshIfDue() {
  if (main_.Form().BrowserRefreshBox.Checked()) s_.BrowserRefreshPending = true;
  if (!s_.BrowserRefreshPending) return;
  main_.Browser().SendeJetztBrowserRefresh();
  s_.BrowserRefreshPending = false;
}

void AutoFtp::RestartRequest() {
  main_.Recovery().HangUpManualShowMessage("FTP Error");
}

const TFTPData& AutoFtp::LoadAutoConnection() {
  FtpConnectionLoader& loader = main_.FtpConnection();
  const bool was = loader.AutoSettingsMode;
  loader.AutoSettingsMode = true;
  const TFTPData& c = loader.LoadFtpConnection("AutoFTP");
  loader.AutoSettingsMode = was;
  return c;
}

void AutoFtp::ShowConnection(const TFTPData& c) {
  MainForm& f = main_.Form();
  f.FTPProfileBox.SetText(c.Profil);
  f.FtpServerEdit.SetText(c.Host);
  f.UserIDEdit.SetText(c.UserID);
  f.CurrentDirEdit.SetText(c.HostDir);
}

void AutoFtp::SetEngineUp(const TFTPData& c) {
  ftp::TMFtp& e = main_.MFtp1();
  e.Account = c.UserID;
  e.Asynchronous = true;
  e.Cache = true;
  e.FileMask.clear();
  e.InitialDirectory = c.HostDir;
  e.MultiThreaded = false;
  e.NoopInterval = 30;
  e.Passive = c.Passive;
  e.Security = c.Tls ? ftp::TMFtpSecurity::ExplicitTls : ftp::TMFtpSecurity::None;
  e.TlsCAFile = main_.Regs().TlsCAFile;
  e.Password = c.Password;
  e.Port = std::clamp(c.Port, 0, 65535);
  e.ProxyPassword.clear();
  e.ProxyPort = 21;
  e.ProxyServer.clear();
  e.ProxyType = ftp::TMFtpProxyType::proxyNone;
  e.ProxyUsername.clear();
  e.Retries = 3;
  e.RetryInterval = 15;
  e.Server = c.Host;
  e.ServerType = ftp::TMFtpServerType::ftpstAutoDetect;
  e.TimeOut = 20;
  e.TransferMode =
      c.Ascii ? ftp::TMFtpTransferMode::AsciiTransfer : ftp::TMFtpTransferMode::BinaryTransfer;
  e.Username = c.UserID;
}

// ---- switching, login and close -------------------------------------------------------------

void AutoFtp::AutoFTPBoxClick() {
  if (InStartPhase()) return;
  MainForm& f = main_.Form();
  ftp::TMFtp& e = main_.MFtp1();
  e.DeleteSent = false;
  ClearStatusFlags();
  ClearProtocol();
  const std::string page = Page();
  if (FileExists(page)) {
    if (DeletePage(page)) {
      ClearSessionFields();
      e.PutFileClosed = false;
    } else {
      e.Abort();
    }
  }
  const bool on = f.AutoFTPBox.Checked();
  if (on) {
    if (s_.FtpServerDown && !s_.FtpLoggedIn) {
      Status("AutoFTP: Server down");
      s_.FtpServerDown = false;
      e.Abort();
    } else {
      Status(" ");
    }
    e.PurgeCache(true, true, 7);
    ShowConnection(LoadAutoConnection());
    s_.AutoFtpArmed = true;
    e.PutIssued = false;
    e.PutCount = 0;
    f.FtpServerEdit.SetReadOnly(true);
    f.CurrentDirEdit.SetReadOnly(true);
    f.UserIDEdit.SetReadOnly(true);
    f.FTPProfileBox.SetEnabled(false);
  } else {
    f.FTPProfileBox.SetEnabled(true);
    f.CurrentDirEdit.SetReadOnly(false);
  }
  // Set after the connection was loaded: loading reloads the record from the registry and would
  // take back a value set before it.
  main_.Regs().FTP_Auto = on ? "1" : "0";
  main_.Store().WriteField("FTP_Auto");
  s_.FtpReadySeen = false;
  s_.TickCount = 0;
}

void AutoFtp::AutoFTPConnectClick() {
  MainForm& f = main_.Form();
  ftp::TMFtp& e = main_.MFtp1();
  Status("");
  forms::TimerControl* timers[] = {&f.PingTimer, &f.PingImageTimer,  &f.TimerTNA,
                                   &f.TimerX,    &f.FTPRefreshTimer, &f.TimerCaption};
  bool saved[std::size(timers)];
  for (std::size_t i = 0; i < std::size(timers); ++i) saved[i] = timers[i]->Enabled();
  ClearProtocol();
  if (LineComplete()) {
    f.ConnectButton.SetEnabled(false);
    if (e.Connected()) {
      if (s_.FtpLoggedIn) {
        FtpLog("\r\nAutoFTP Close - " + main_.TimeLog().GetTimeDate() + "\r\n");
      }
      e.Close();
      Status(main_.Tx("Verbindung getrennt.", "Disconnected."));
    }
    ClearStatusFlags();
    if (f.AutoFTPBox.Checked()) {
      const TFTPData& c = LoadAutoConnection();
      ShowConnection(c);
      SetEngineUp(c);
      DisableToolbar();
      f.ConnectButton.SetCaption(main_.Tx("Verbunden", "Connect"));
      f.ConnectButton.SetEnabled(!f.AutoFTPBox.Checked());
      Status(main_.Tx("FTP Verbindungsaufbau", "Connecting to Server"));
      for (forms::TimerControl* t : timers) t->SetEnabled(false);
      main_.Keeper().TesteConnections();
      if (LineUp()) {
        FtpLog(" ");
        FtpLog("Start AutoFTP Login - " + main_.TimeLog().GetTimeDate());
        e.Login();
      }
    }
  }
  for (std::size_t i = 0; i < std::size(timers); ++i) {
    if (timers[i]->Enabled() != saved[i]) timers[i]->SetEnabled(saved[i]);
  }
}

void AutoFtp::AutoFTPConnectClose() {
  if (!LineUp()) return;
  MainForm& f = main_.Form();
  ftp::TMFtp& e = main_.MFtp1();
  Status("");
  ClearProtocol();
  if (!e.Connected()) return;
  if (s_.FtpLoggedIn) FtpLog("\r\nAutoFTP Close - " + main_.TimeLog().GetTimeDate() + "\r\n");
  e.Close();
  s_.ManualSession = false;
  f.DebugListBox.ClearItems();
  f.FTPRefreshTimer.SetEnabled(false);
  DisableToolbar();
  f.ConnectButton.SetEnabled(!f.AutoFTPBox.Checked());
  Status(main_.Tx("Verbindung getrennt.", "Disconnected."));
}

}  // namespace app
