#include "app/auto_ftp.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <system_error>

#include "app/connection_keeper.h"
#include "app/connection_recovery.h"
#include "app/ftp_connection_loader.h"
#include "app/t_stayline.h"
#include "app/time_log_writer.h"
#include "core/text.h"
#include "ras/time_log.h"

namespace app {

namespace {

constexpr int kHardTickCap = 40;
constexpr int kMaxPutCalls = 100;

int TickLimitOf(const std::string& text) {
  long long n = 0;
  if (!core::TryParseInt(core::Trim(text), n) || n > 1'000'000 || n < -1'000'000) return 20;
  return static_cast<int>(n);
}

}  // namespace

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
  TStayline::Call(main_.Later.SendeJetztBrowserRefresh);
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

// ---- the page -------------------------------------------------------------------------------

void AutoFtp::WriteFTPHtml() {
  MainForm& f = main_.Form();
  std::string ip = core::Trim(f.IsClientIP.Text());
  if (ip.empty()) ip = "0.0.0.0";
  if (!f.AutoFTPBox.Checked() || ip == "0.0.0.0") return;
  const settings::TRegsData& r = main_.Regs();
  const std::string name = core::Trim(r.FTP_HTML_Name);
  std::string dir = core::Trim(r.FTP_UploadPath);
  const std::string tmpl = core::Trim(r.FTP_HTML_User);
  if (name.empty() || dir.empty() || tmpl.empty()) return;
  if (dir.back() != '/') dir += '/';
  const std::string path = dir + name;
  try {
    ras::WriteTextFile(path, core::ReplaceAllNoCase(tmpl, "#CIP#", ip), true, true);
  } catch (const std::system_error&) {
    // No page: the procedure runs into its time-out and tries again.
    s_.PageFileSize = 0;
    return;
  }
  s_.PageFileSize = CheckFileSize(path);
}

// ---- the step -------------------------------------------------------------------------------

void AutoFtp::SendAutoFTPData() {
  MainForm& f = main_.Form();
  forms::TimerControl& tick = f.TimerCaption;
  const bool wasOn = tick.Enabled();
  tick.SetEnabled(false);
  if (!f.AutoFTPBox.Checked()) {
    StepUnchecked();
  } else if (s_.ManualSession) {
    if (main_.MFtp1().Connected()) {
      AutoFTPConnectClose();
      s_.FtpReadySeen = false;
    }
  } else {
    StepPublishing();
  }
  // A restart requested inside the step has switched the tick off for good.
  if (!main_.State().RestartInProgress) tick.SetEnabled(wasOn);
}

void AutoFtp::StepUnchecked() {
  MainForm& f = main_.Form();
  ftp::TMFtp& e = main_.MFtp1();
  if (!LineUp()) {
    if (e.Connected()) {
      e.Close();
      Status(main_.Tx("Verbindung getrennt.", "Disconnected."));
    }
    f.ConnectButton.SetEnabled(false);
  } else {
    f.ConnectButton.SetEnabled(true);
  }
  f.TabSheet3.SetCaption(e.Connected() ? main_.Tx("FTP aktiv", "FTP activ") : "FTP");
}

void AutoFtp::StepPublishing() {
  MainForm& f = main_.Form();
  ftp::TMFtp& e = main_.MFtp1();
  f.ConnectButton.SetEnabled(false);
  DisableToolbar();
  if (LineComplete()) {
    if (s_.FtpServerDown && !s_.FtpLoggedIn) {
      Status("AutoFTP: Server down");
      e.Abort();
      return;
    }
    if (s_.AutoFtpArmed) {
      Status("AutoFTP Count - " + std::to_string(s_.TickCount));
      s_.TickLimit = TickLimitOf(main_.Regs().AutoFTPCountTimeOut);
      if (s_.TickCount > kHardTickCap || s_.TickCount > s_.TickLimit) {
        TimeOut();
        return;
      }
      Progress();
      if (main_.State().RestartInProgress) return;
      if (e.Connected()) Complete();
    }
  }
  f.TabSheet3.SetCaption(LineUp() ? main_.Tx("Auto FTP aktiv", "Auto FTP activ")
                                  : main_.Tx("Auto FTP in-aktiv", "Auto FTP in-activ"));
}

void AutoFtp::TimeOut() {
  ftp::TMFtp& e = main_.MFtp1();
  FtpLog("FTPError: TimeOut - ReStart AutoFTP - " + std::to_string(s_.TickCount) + "/" +
         std::to_string(s_.TickLimit - s_.TickCount) + " - " + main_.TimeLog().GetTimeDate());
  e.Abort();
  AutoFTPConnectClose();
  const std::string page = Page();
  if (FileExists(page)) DeletePage(page);
  Reset();
  ClearProtocol();
  e.DeleteSent = false;
  e.PutFileClosed = false;
  Restart();
}

void AutoFtp::Progress() {
  ftp::TMFtp& e = main_.MFtp1();
  if (e.Connected()) {
    Status(main_.Tx("FTP Verbindung OK - Count - ", "FTP Connection OK - Count - ") +
           std::to_string(s_.TickCount));
    if (s_.ErrorTextSeen) {
      Status("FTP Error");
      RestartRequest();
      if (main_.State().RestartInProgress) return;
    }
    if (s_.TickCount == 0 && s_.FtpLoggedIn) AutoFTPConnectClose();
  } else {
    Status(main_.Tx("Keine FTP Verbindung - Start FTP - ", "No FTP Connection - Start FTP - ") +
           std::to_string(s_.TickCount));
  }
  ++s_.TickCount;
  if (!e.Connected()) {
    s_.FtpReadySeen = false;
    if (!s_.FtpResolving) AutoFTPConnectClick();
  }
  const std::string page = Page();
  if (e.Connected() && s_.FtpServerConnected && s_.FtpLoggedIn) {
    if (!FileExists(page)) {
      s_.PageFileSize = 0;
      WriteFTPHtml();
      s_.WaitTextSuppressed = false;
    } else if (s_.PageFileSize == 0) {
      e.Abort();
      DeletePage(page);
      WriteFTPHtml();
      s_.WaitTextSuppressed = false;
    }
  }
  if (!FileExists(page)) return;
  if (!s_.WaitTextSuppressed) {
    const int left = s_.TickLimit - s_.TickCount;
    Status(main_.Tx("Auto-FileTransfer - Bitte warten - ", "Auto-FileTransfer - Please wait - ") +
           std::to_string(e.PutCount) + " - " + std::to_string(left < 0 ? s_.TickLimit : left));
  }
  if (s_.UploadIssued || !s_.FtpReadySeen) return;
  s_.UploadStarted = true;
  const std::string remote = RemoteName(page);
  if (!s_.FtpLoggedIn) return;
  if (!s_.UploadIssued && s_.LastFtpError != static_cast<int>(ftp::FtpError::kPermissionDenied) &&
      !e.PutFileOpen && !e.DeleteSent) {
    e.DeleteFile(remote);
  }
  if (e.PutIssued) return;
  if (s_.PageFileSize > 0) {
    s_.FtpTransferDone = false;
    e.Upload(page, remote);
    s_.UploadIssued = e.PutIssued;
    if (s_.UploadIssued) s_.LastFtpError = 0;
    if (e.PutCount > kMaxPutCalls) {
      e.PutCount = 0;
      e.Abort();
      ClearProtocol();
      e.Close();
      e.PutFileClosed = false;
      FtpLog("FTPError: CounterMaximum - ReStart AutoFTP - " + main_.TimeLog().GetTimeDate());
      Restart();
    }
  } else {
    s_.PageFileSize = 0;
    WriteFTPHtml();
    s_.WaitTextSuppressed = false;
  }
}

void AutoFtp::Complete() {
  ftp::TMFtp& e = main_.MFtp1();
  const std::string page = Page();
  if (FileExists(page)) s_.UploadStarted = true;
  if (!(s_.UploadStarted && s_.AutoFtpArmed && FileExists(page))) return;
  settings::TRegsData& r = main_.Regs();
  r.AutoFTPCountTimeOut = main_.Store().ReadSetting("AutoFTPCountTimeOut");
  s_.TickLimit = TickLimitOf(r.AutoFTPCountTimeOut);
  if (!(e.PutIssued && s_.TickCount >= s_.TickLimit && e.Connected())) return;
  AutoFTPConnectClose();
  BrowserRefreshIfDue();
  if (!DeletePage(page)) {
    e.Abort();
    return;
  }
  Reset();
  ClearProtocol();
  e.DeleteSent = false;
  if (e.PutFileClosed) {
    e.PutFileClosed = false;  // published; idle until the next client IP
    return;
  }
  FtpLog("FTPError: PutFile open - ReStart AutoFTP - " + main_.TimeLog().GetTimeDate());
  Restart();
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

// ---- engine events --------------------------------------------------------------------------

std::string AutoFtp::EventLogLine(bool info, std::string_view name, const std::string& text) {
  const std::string prefix = info ? "FTPInfo : " : "FTPError: ";
  std::string line;
  if (!name.empty() && !text.empty()) {
    line = prefix + std::string(name) + " - " + text;
  } else if (!name.empty()) {
    line = prefix + std::string(name);
  } else if (!text.empty()) {
    line = prefix + text;
  } else {
    return {};
  }
  if (!info) return line;
  line = core::Trim(line);
  std::string out;
  for (std::size_t pos = 0;;) {
    const std::size_t crlf = line.find("\r\n", pos);
    if (crlf == std::string::npos) {
      out += line.substr(pos);
      break;
    }
    out += line.substr(pos, crlf - pos) + "\r\nFTPInfo : ";
    pos = crlf + 2;
  }
  out = core::Trim(out);
  if (core::EqualsNoCase(out, "FTPInfo :")) return " ";
  return out;
}

void AutoFtp::MFtp1FtpInfo(ftp::FtpInfo info, const std::string& addInfo) {
  if (main_.State().RestartInProgress) return;
  s_.ErrorTextSeen = addInfo.find("Error") != std::string::npos;
  using I = ftp::FtpInfo;
  switch (info) {
    case I::kServerConnected:
      s_.FtpServerConnected = true;
      break;
    case I::kServerDisconnected:
      s_.FtpServerDisconnected = true;
      break;
    case I::kResolvingAddress:
      s_.FtpResolving = true;
      break;
    case I::kTransferDone:
      s_.FtpTransferDone = true;
      break;
    case I::kLoggedIn:
      s_.FtpLoggedIn = true;
      s_.FtpServerDown = false;
      break;
    case I::kAddressResolved:
      s_.FtpAddressResolved = true;
      break;
    case I::kTransferPutStart:
      s_.FtpPutStarted = true;
      break;
    default:
      break;
  }
  if (!main_.Form().FTPLogCheckBox.Checked()) return;
  const std::string line = EventLogLine(true, ftp::FtpInfoName(info), addInfo);
  if (!line.empty()) FtpLog(line);
}

void AutoFtp::MFtp1FtpError(ftp::FtpError error, const std::string& addInfo) {
  MainState& st = main_.State();
  if (st.RestartInProgress) return;
  using E = ftp::FtpError;
  ftp::TMFtp& e = main_.MFtp1();
  if (error == E::kServerDown) s_.FtpServerDown = true;
  Status(main_.Tx("FTP Fehler", "FTP Error"));
  s_.ErrorTextSeen = addInfo.find("Error") != std::string::npos;
  Status("");
  if (error == E::kConnReset) {
    Status("ConnReset");
    FtpLog("FTPError: ConnReset - " + addInfo, true);
    s_.ErrorTextSeen = true;
    RestartRequest();
    if (st.RestartInProgress) return;  // the process restarts
  }
  const std::string_view name = error == E::kNone ? std::string_view{} : ftp::FtpErrorName(error);
  if (!name.empty()) Status(std::string(name));
  if (main_.Form().FTPLogCheckBox.Checked() && (!name.empty() || !addInfo.empty())) {
    FtpLog(EventLogLine(false, name, addInfo));
    if (error == E::kConnReset) {
      s_.ErrorTextSeen = true;
      RestartRequest();
      if (st.RestartInProgress) return;
    } else if (error != E::kNone && error != E::kFileNotFound && error != E::kPermissionDenied) {
      e.Abort();
      AutoFTPConnectClose();
      FtpLog("FTPError: Fatal - ReStart AutoFTP - " + main_.TimeLog().GetTimeDate());
      if (s_.FtpServerDown && !s_.FtpLoggedIn) {
        Status("AutoFTP: Server down");
        e.Abort();
      }
      Restart();
      return;
    }
  }
  s_.LastFtpError = static_cast<int>(error);
  if (error == E::kFileNotFound || error == E::kPermissionDenied) return;
  if (error == E::kConnReset) {
    s_.ErrorTextSeen = true;
    AutoFTPConnectClose();
    RestartRequest();
    if (st.RestartInProgress) return;
  }
  AutoFTPConnectClose();
  ClearSessionFields();
}

void AutoFtp::MFtp1FtpQuit() {
  ftp::TMFtp& e = main_.MFtp1();
  Status(main_.Tx("Verbindung getrennt.", "Disconnected."));
  ClearProtocol();
  const std::string page = Page();
  if (!e.PutIssued || !FileExists(page)) return;
  if (!DeletePage(page)) {
    e.Abort();
    return;
  }
  BrowserRefreshIfDue();
  e.DeleteSent = false;
  Reset();
  if (e.Connected()) AutoFTPConnectClose();
  if (!main_.Form().AutoFTPBox.Checked()) return;
  if (e.PutFileClosed) {
    e.PutFileClosed = false;
    return;
  }
  FtpLog("FTPError: FatalQuit ReStart AutoFTP - " + main_.TimeLog().GetTimeDate());
  Restart();
}

}  // namespace app
