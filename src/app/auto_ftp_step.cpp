// AutoFtp: the page and the step the status tick runs once a second.
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

}  // namespace app
