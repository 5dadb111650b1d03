#include "app/connection_recovery.h"

#include <sys/stat.h>
#include <unistd.h>

#include <exception>

#include "app/life_cycle.h"
#include "app/restart_script.h"
#include "app/t_stayline.h"
#include "app/time_log_writer.h"
#include "ras/time_log.h"

namespace app {

namespace {
constexpr int kWaitSeconds = 5;                // WaitTimer1's 5000 ms
constexpr std::int64_t kWaitLimitMs = 60'000;  // a wait never holds the recovery for good
}  // namespace

ConnectionRecovery::ConnectionRecovery(TStayline& main) : main_(main) {
  main_.Form().WaitTimer1.OnTimer() = [this] { WaitTimer1Timer(); };
  StartRestart = [this] { return RunRestartScript(); };
}

void ConnectionRecovery::StopAllActivity() {
  MainForm& f = main_.Form();
  MainState& s = main_.State();
  for (forms::TimerControl* t :
       {&f.TimerX, &f.TimerCaption, &f.TimerTNA, &f.PingTimer, &f.PingImageTimer,
        &f.FTPRefreshTimer, &f.DelayTimer, &f.TimeOutTimer}) {
    t->SetEnabled(false);
  }
  TStayline::Call(main_.Later.StopFtpActivity);
  s.NetworkErrorFlag = false;
  s.NetworkErrorText.clear();
  f.DebugListBox.ClearItems();  // the FTP protocol view
  s.RestartInProgress = true;
}

std::string ConnectionRecovery::WaitText(int seconds) {
  const MainState& s = main_.State();
  return std::string(s.ClearMemoryPhase ? "Corrupt Disconnect - Clear Memory in:  "
                                        : "Corrupt Disconnect - Restart in:  ") +
         std::to_string(seconds) + "s";
}

void ConnectionRecovery::Wait(bool clearMemoryPhase) {
  MainForm& f = main_.Form();
  MainState& s = main_.State();
  s.CountdownSeconds = kWaitSeconds;
  f.WaitTimer1.SetInterval(1000);
  s.ClearMemoryPhase = clearMemoryPhase;
  f.StatusBar1.SetPanel(1, WaitText(s.CountdownSeconds));
  f.WaitTimer1.SetEnabled(true);
  main_.Loop().RunUntil([&f] { return !f.WaitTimer1.Enabled(); }, kWaitLimitMs);
}

void ConnectionRecovery::WaitTimer1Timer() {
  MainForm& f = main_.Form();
  MainState& s = main_.State();
  --s.CountdownSeconds;
  if (s.CountdownSeconds > 0) {
    const std::string text = WaitText(s.CountdownSeconds);
    f.StatusBar1.SetPanel(1, text);
    f.SetCaption(main_.BaseCaption() + " - " + text);
    return;
  }
  f.WaitTimer1.SetEnabled(false);
  f.WaitTimer1.SetInterval(5000);
}

void ConnectionRecovery::EndProcess() {
  main_.Life().FormClose();
  TStayline::Call(main_.Terminate, 1);
  TStayline::Call(main_.ExitNow, 1);
}

bool ConnectionRecovery::RunRestartScript() {
  const StaylineEnvironment& env = main_.Environment();
  std::vector<std::string> command{env.ProgramPath};
  command.insert(command.end(), env.ProgramArgs.begin(), env.ProgramArgs.end());
  try {
    const RestartScript::Files files = RestartScript::Write(command, ::getpid());
    std::string error;
    if (RestartScript::Launch(files, &error)) return true;
    ::unlink(files.Script.c_str());
    ::unlink(files.TempFile.c_str());
    main_.Loop().ReportError("the restart script cannot be started: " + error);
  } catch (const std::exception& e) {
    main_.Loop().ReportError(std::string("the restart script cannot be written: ") + e.what());
  }
  return false;
}

void ConnectionRecovery::HangUpManualShowMessage(const std::string& /*reason*/) {
  MainForm& f = main_.Form();
  MainState& s = main_.State();
  settings::TRegsData& r = main_.Regs();
  f.TimerCaption.SetEnabled(false);
  if (s.RestartInProgress) {  // a second request while the recovery runs
    EndProcess();
    return;
  }
  StopAllActivity();
  if (main_.Later.FtpConnected && main_.Later.FtpConnected()) {
    TStayline::Call(main_.Later.FtpQuit);
    if (main_.Later.FtpConnected()) TStayline::Call(main_.Later.FtpDropConnection);
  }
  main_.Beep();
  StopAllActivity();
  f.StatusBar1.SetPanel(1, "Corrupt Disconnect");
  const std::string restartIn = "ReStart Connection in " + std::to_string(kRestartSeconds) + "s";
  if (f.WriteLogFileBox.Checked()) {
    main_.TimeLog().WriteToLogFile("", "", false);
    main_.TimeLog().WriteToLogFile("Corrupt....", " DisConnect: " + restartIn, false);
    main_.TimeLog().WriteToLogFile("", "", false);
  }
  StopAllActivity();
  if (f.FTPLogCheckBox.Checked()) {
    ras::WriteTextFile(
        main_.TimeLog().FtpLogPath(),
        "FTPError: Corrupt DisConnect - " + restartIn + " - " + main_.TimeLog().GetTimeDate(),
        false, true);
  }
  StopAllActivity();
  main_.DialUp().HangUp();
  main_.Beep();
  Wait(true);
  if (s.ConnectionHandle != 0) main_.DialUp().HangUpConnection(s.ConnectionHandle);
  main_.Beep();
  Wait(false);
  f.StatusBar1.SetPanel(1, "Restart");
  StopAllActivity();
  TStayline::Call(main_.Later.PurgeFtpCache);
  const std::string page = main_.LocalPagePath();
  struct stat st {};
  if (::stat(page.c_str(), &st) == 0 && S_ISREG(st.st_mode)) ::unlink(page.c_str());
  TStayline::Call(main_.Later.ResetUploadState);
  TStayline::Call(main_.Later.ArmAutoFtp);
  r.TempDelay = r.OnlineDelay;
  main_.Store().WriteField("TempDelay");
  r.ErrorDelay = "1";
  main_.Store().WriteField("ErrorDelay");
  main_.Store().SaveProgramSettings();
  StopAllActivity();
  main_.Beep();
  StopAllActivity();
  StartRestart();
  EndProcess();
}

}  // namespace app
