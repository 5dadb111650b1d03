#pragma once
// The controls of the group " Log File ": the check boxes that switch the time log and the
// online-time display, opening "TimeLog.txt" or "FTP.Log" in the editor the user chose (the
// choice is asked for when no editor is set), and the resets of the online time and of the logs.
//
// Threading: loop thread only. The editor is started as a process of its own and not waited for.

#include <string>

namespace app {

class TStayline;

class TimeLogPage {
 public:
  explicit TimeLogPage(TStayline& main);

  void WriteLogFileBoxClick();
  void ViewOnlineTimeBoxClick();
  void OpenLogFileClick();
  void OpenLogFileFTPClick();
  void InstallEditorClick();
  void ResetOnlineTimeClick();
  void ResetLogFileClick();
  void OpenTimeLogClick() { OpenLogFileClick(); }
  void OpenFTPLogClick() { OpenLogFileFTPClick(); }

  // The folder the editor choice starts in (the system's program folder).
  static std::string GetWindowsPfad() { return "/usr/bin"; }
  // Starts `program` with `fileName` as its one argument; whether it started.
  static bool OpenTheProgramm(const std::string& program, const std::string& fileName);

 private:
  void WireHandlers();
  // Makes sure an editor is set (asking for one), then opens `logPath` in it; `createLog`
  // creates a missing log first.
  void OpenInEditor(const std::string& logPath, void (TimeLogPage::*createLog)());
  void CreateTimeLog();
  void CreateFtpLog();

  TStayline& main_;
};

}  // namespace app
