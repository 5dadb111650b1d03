#pragma once
// AutoFtp: publishes a new client IP as a redirect page on the user's FTP server. The status
// tick calls SendAutoFTPData once a second; each call advances the procedure by at most one step
// (log in, write the page, delete the old page, upload, close), judged from flags the engine's
// events set. A tick counter bounds the procedure; every failure leads through the reset and
// AutoFTPBoxClick back to "armed", logged in FTP.Log.
//
// Threading: loop thread only.

#include <cstdint>
#include <string>

#include "ftp/ftp_codes.h"

namespace app {

class TStayline;
struct TFTPData;

class AutoFtp {
 public:
  // The session state of the publishing (the reset clears part of it).
  struct Session {
    bool AutoFtpArmed = false;
    bool UploadStarted = false;
    bool UploadIssued = false;
    bool FtpReadySeen = false;
    int TickCount = 0;
    int TickLimit = 10;
    std::int64_t PageFileSize = 0;
    int LastFtpError = 0;
    bool BrowserRefreshPending = false;
    bool ManualSession = false;  // the mini client holds the engine
    bool ErrorTextSeen = false;
    bool WaitTextSuppressed = false;
    // set by the engine's events
    bool FtpResolving = false;
    bool FtpAddressResolved = false;
    bool FtpServerConnected = false;
    bool FtpLoggedIn = false;
    bool FtpTransferDone = false;
    bool FtpPutStarted = false;
    bool FtpServerDisconnected = false;
    bool FtpServerDown = false;
  };

  explicit AutoFtp(TStayline& main);
  ~AutoFtp();
  AutoFtp(const AutoFtp&) = delete;
  AutoFtp& operator=(const AutoFtp&) = delete;

  [[nodiscard]] Session& State() { return s_; }

  // A new client IP waits to be published.
  void Arm();
  // The upload of an earlier start is taken as under way (auto-FTP found checked at the first
  // complete connection).
  void SetUploadInProgress() { s_.UploadStarted = true; }
  // The reset of the procedure (after success and before every restart).
  void Reset();
  // The recovery stops everything: the publishing forgets its state, the mini client's flag
  // keeps the procedure passive, the error marker holds the recovery's code.
  void StopFtpActivity();

  void SendAutoFTPData();
  void WriteFTPHtml();
  static std::int64_t CheckFileSize(const std::string& path);
  void AutoFTPBoxClick();
  void AutoFTPConnectClick();
  void AutoFTPConnectClose();

  // Engine events (their display side belongs to the FTP page).
  void MFtp1FtpInfo(ftp::FtpInfo info, const std::string& addInfo);
  void MFtp1FtpError(ftp::FtpError error, const std::string& addInfo);
  void MFtp1FtpReady() { s_.FtpReadySeen = true; }
  void MFtp1FtpQuit();

  // Shared with the FTP page, which logs in with the same engine: the engine's login properties
  // from a connection record, the page's edits showing that record, and whether the program is
  // still starting (no FTP action then).
  void SetEngineUp(const TFTPData& c);
  void ShowConnection(const TFTPData& c);
  [[nodiscard]] bool InStartPhase() const;

  // The remote name of the page: the text after the last "/" of its path, at most 999 characters.
  static std::string RemoteName(const std::string& pagePath);
  // The FTP.Log line of an info or error event; empty when nothing is to be written.
  static std::string EventLogLine(bool info, std::string_view name, const std::string& text);

 private:
  void StepUnchecked();
  void StepPublishing();
  void Progress();
  void Complete();
  void TimeOut();
  void Restart() { AutoFTPBoxClick(); }
  void ClearStatusFlags();
  void ClearSessionFields();
  void DisableToolbar();
  const TFTPData& LoadAutoConnection();
  void Status(const std::string& text);
  void FtpLog(const std::string& text, bool always = false);
  [[nodiscard]] bool LineUp() const;
  [[nodiscard]] bool LineComplete() const;
  [[nodiscard]] std::string Page() const;
  [[nodiscard]] static bool FileExists(const std::string& path);
  // Attributes to normal, then deleted; whether it is gone.
  static bool DeletePage(const std::string& path);
  void Aborted();
  void ClearProtocol();
  void BrowserRefreshIfDue();
  void RestartRequest();

  TStayline& main_;
  Session s_;
};

}  // namespace app
