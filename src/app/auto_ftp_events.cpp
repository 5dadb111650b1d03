// AutoFtp: the engine events that drive the procedure, and its failure handling.
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
