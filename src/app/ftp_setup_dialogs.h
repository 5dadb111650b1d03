#pragma once
// The main window's way into the auto-FTP setup: the speed button FTPSetup and clicks on the
// read-only edits AutoFTPProfil and WEBServerInfo show Tftp0Setup modally, then the FTP page
// shows what it stored. Loop thread only.

namespace app {

class TStayline;

class FtpSetupDialogs {
 public:
  explicit FtpSetupDialogs(TStayline& main);
  FtpSetupDialogs(const FtpSetupDialogs&) = delete;
  FtpSetupDialogs& operator=(const FtpSetupDialogs&) = delete;

  void FTPSetupClick();

 private:
  TStayline& main_;
};

}  // namespace app
