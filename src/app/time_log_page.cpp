#include "app/time_log_page.h"

#include "app/online_time.h"
#include "app/t_stayline.h"
#include "app/time_log_writer.h"
#include "platform/detached_launch.h"
#include "platform/program_info.h"
#include "ras/time_log.h"

namespace app {

TimeLogPage::TimeLogPage(TStayline& main) : main_(main) {
  WireHandlers();
}

void TimeLogPage::WireHandlers() {
  MainForm& f = main_.Form();
  f.WriteLogFileBox.OnClick = [this] { WriteLogFileBoxClick(); };
  f.ViewOnlineTimeBox.OnClick = [this] { ViewOnlineTimeBoxClick(); };
  f.OpenLogFile.OnClick = [this] { OpenLogFileClick(); };
  f.OpenLogFileFTP.OnClick = [this] { OpenLogFileFTPClick(); };
  f.InstallEditor.OnClick = [this] { InstallEditorClick(); };
  f.ResetOnlineTime.OnClick = [this] { ResetOnlineTimeClick(); };
  f.ResetLogFile.OnClick = [this] { ResetLogFileClick(); };
  f.OpenTimeLog.OnClick = [this] { OpenTimeLogClick(); };
  f.OpenFTPLog.OnClick = [this] { OpenFTPLogClick(); };
}

void TimeLogPage::WriteLogFileBoxClick() {
  main_.Regs().SaveOnlineTimer = main_.Form().WriteLogFileBox.Checked() ? "1" : "0";
  main_.Store().WriteField("SaveOnlineTimer");
}

void TimeLogPage::ViewOnlineTimeBoxClick() {
  main_.Regs().ViewOnlineTimer = main_.Form().ViewOnlineTimeBox.Checked() ? "1" : "0";
  main_.Store().WriteField("ViewOnlineTimer");
}

void TimeLogPage::InstallEditorClick() {
  forms::FileDialog& dialog = main_.Form().OpenDialog1;
  // Programs here carry no ".exe": no default extension, and a filter that shows every file.
  dialog.SetDefaultExt("");
  dialog.SetFileName("Editor");
  dialog.SetTitle(main_.Tx("Installiere Textverarbeitung:", "Install Word Processing:"));
  dialog.SetFilter(main_.Tx("Textverarbeitung (*)|*", "Word Processing (*)|*"));
  dialog.SetInitialDir(GetWindowsPfad());
  if (!dialog.Execute(main_.Dialogs())) return;
  main_.Regs().Editor = dialog.FileName();
  if (platform::ProgramInfo::FileExists(dialog.FileName())) main_.Store().WriteField("Editor");
}

bool TimeLogPage::OpenTheProgramm(const std::string& program, const std::string& fileName) {
  return platform::StartDetached({program, fileName}, nullptr, nullptr);
}

void TimeLogPage::CreateTimeLog() {
  main_.TimeLog().WriteToLogFile("Install...:", main_.State().OnlineTimeText, false);
}

void TimeLogPage::CreateFtpLog() {
  ras::WriteTextFile(main_.TimeLog().FtpLogPath(), "", false, false);
}

void TimeLogPage::OpenInEditor(const std::string& logPath, void (TimeLogPage::*createLog)()) {
  settings::TRegsData& r = main_.Regs();
  r.Editor = main_.Store().ReadSetting("Editor");
  if (!platform::ProgramInfo::FileExists(r.Editor)) InstallEditorClick();
  if (!platform::ProgramInfo::FileExists(r.Editor)) return;
  if (!platform::ProgramInfo::FileExists(logPath)) (this->*createLog)();
  if (!platform::ProgramInfo::FileExists(logPath)) return;
  if (!OpenTheProgramm(r.Editor, logPath)) main_.Beep();
}

void TimeLogPage::OpenLogFileClick() {
  OpenInEditor(main_.TimeLog().LogPath(), &TimeLogPage::CreateTimeLog);
}

void TimeLogPage::OpenLogFileFTPClick() {
  OpenInEditor(main_.TimeLog().FtpLogPath(), &TimeLogPage::CreateFtpLog);
}

void TimeLogPage::ResetOnlineTimeClick() {
  MainState& s = main_.State();
  s.ConnectTick = 0;
  s.AccumulatedOnlineMs = 0;
  s.OnlineDays = 0;
  s.OnlineTimeText.clear();
  s.OnlineTimeText = main_.Online().GetOnlineTime(true);
  if (main_.Form().WriteLogFileBox.Checked()) {
    main_.TimeLog().WriteToLogFile("Reset.....:", s.OnlineTimeText, false);
  }
}

void TimeLogPage::ResetLogFileClick() {
  MainForm& f = main_.Form();
  MainState& s = main_.State();
  s.OnlineTimeText = main_.Online().GetOnlineTime(true);
  if (f.WriteLogFileBox.Checked())
    main_.TimeLog().WriteToLogFile("Reset Logs:", s.OnlineTimeText, false);
  if (f.FTPLogCheckBox.Checked()) {
    ras::WriteTextFile(main_.TimeLog().FtpLogPath(), "\r\nClear FTP.Log\r\n", true, true);
  }
}

}  // namespace app
