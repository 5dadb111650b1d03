#include "app/connection_recovery.h"

#include <sys/stat.h>
#include <unistd.h>

#include <exception>

#include "app/auto_ftp.h"
#include "app/life_cycle.h"
#include "app/real_time_wait.h"
#include "app/restart_script.h"
#include "app/t_stayline.h"
#include "app/time_log_writer.h"
#include "net/network_error.h"
#include "ras/time_log.h"

namespace app {

namespace {
constexpr int kWaitSeconds = 5;                // WaitTimer1's 5000 ms
constexpr std::int64_t kWaitLimitMs = 60'000;  // a wait never holds the recovery for good
}  // namespace

ConnectionRecovery::ConnectionRecovery(TStayline& main)
    : main_(main), backoff_(main.Environment().RestartsInARow) {
  main_.Form().WaitTimer1.OnTimer() = [this] { WaitTimer1Timer(); };
  StartRestart = [this] { return RunRestartScript(); };
  WaitRealTime = [this](std::int64_t ms, const std::function<void(int)>& onSecond,
                        const std::function<bool()>& stop) {
    return RealTimeWait::Run(main_.Loop(), ms, onSecond, stop);
  };
}

bool ConnectionRecovery::EndRequested() const {
  return main_.Loop().QuitRequested() || main_.State().CloseCount > 0;
}

bool ConnectionRecovery::Abandoned() {
  if (!EndRequested()) return false;
  MainState& s = main_.State();
  main_.Form().WaitTimer1.SetEnabled(false);
  // The close handler leaves the line to the recovery; the recovery ends here.
  if (s.ConnectionHandle != 0) main_.DialUp().HangUpConnection(s.ConnectionHandle);
  return true;
}

void ConnectionRecovery::StopAllActivity() {
  MainForm& f = main_.Form();
  MainState& s = main_.State();
  for (forms::TimerControl* t :
       {&f.TimerX, &f.TimerCaption, &f.TimerTNA, &f.PingTimer, &f.PingImageTimer,
        &f.FTPRefreshTimer, &f.DelayTimer, &f.TimeOutTimer}) {
    t->SetEnabled(false);
  }
  main_.Publisher().StopFtpActivity();
  net::ClearNetworkError();
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
  main_.Loop().RunUntil([this, &f] { return !f.WaitTimer1.Enabled() || EndRequested(); },
                        kWaitLimitMs);
}

void ConnectionRecovery::ShowCountdown(const std::string& text) {
  MainForm& f = main_.Form();
  f.StatusBar1.SetPanel(1, text);
  f.SetCaption(main_.BaseCaption() + " - " + text);
}

void ConnectionRecovery::HoldBack(std::int64_t realStartMs) {
  const std::int64_t leftMs =
      std::int64_t{backoff_.DelaySeconds()} * 1000 - (backoff_.RealNowMs() - realStartMs);
  if (leftMs < 1000) return;  // the waits took that long already
  auto text = [](int seconds) {
    return "Corrupt Disconnect - Backoff, Restart in:  " + std::to_string(seconds) + "s";
  };
  const int seconds = static_cast<int>((leftMs + 999) / 1000);
  if (main_.Form().WriteLogFileBox.Checked()) {
    main_.TimeLog().WriteToLogFile("Backoff....",
                                   " ReStart Connection in " + std::to_string(seconds) +
                                       "s (restart " + std::to_string(backoff_.NextCount()) +
                                       " in a row, real time)",
                                   false);
  }
  WaitRealTime(
      leftMs, [&](int left) { ShowCountdown(text(left)); }, [this] { return EndRequested(); });
}

void ConnectionRecovery::WaitTimer1Timer() {
  MainForm& f = main_.Form();
  MainState& s = main_.State();
  --s.CountdownSeconds;
  if (s.CountdownSeconds > 0) {
    ShowCountdown(WaitText(s.CountdownSeconds));
    return;
  }
  f.WaitTimer1.SetEnabled(false);
  f.WaitTimer1.SetInterval(5000);
}

void ConnectionRecovery::EndProcess() {
  main_.Life().FormClose();
  if (main_.Terminate) main_.Terminate(1);
  if (main_.ExitNow) main_.ExitNow(1);
}

bool ConnectionRecovery::RunRestartScript() {
  const StaylineEnvironment& env = main_.Environment();
  std::vector<std::string> command{env.ProgramPath};
  command.insert(command.end(), env.ProgramArgs.begin(), env.ProgramArgs.end());
  try {
    const RestartScript::Files files = RestartScript::Write(
        command, {{RestartBackoff::kVariable, std::to_string(backoff_.NextCount())}}, ::getpid());
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
  const std::int64_t realStart = backoff_.RealNowMs();
  StopAllActivity();
  if (main_.MFtp1().Connected()) {
    main_.MFtp1().Quit();
    if (main_.MFtp1().Connected()) main_.MFtp1().Close();
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
  // A quit or a signal during a wait ends the program through the close handler; the recovery
  // then stops short of the restart.
  Wait(true);
  if (Abandoned()) return;
  if (s.ConnectionHandle != 0) main_.DialUp().HangUpConnection(s.ConnectionHandle);
  main_.Beep();
  Wait(false);
  if (Abandoned()) return;
  HoldBack(realStart);
  if (Abandoned()) return;
  f.StatusBar1.SetPanel(1, "Restart");
  StopAllActivity();
  main_.MFtp1().PurgeCache(true, true, 7);
  const std::string page = main_.LocalPagePath();
  struct stat st {};
  if (::stat(page.c_str(), &st) == 0 && S_ISREG(st.st_mode)) ::unlink(page.c_str());
  main_.Publisher().Reset();
  main_.Publisher().Arm();
  r.TempDelay = r.OnlineDelay;
  main_.Store().WriteField("TempDelay");
  r.ErrorDelay = "1";
  main_.Store().WriteField("ErrorDelay");
  main_.Store().SaveProgramSettings();
  StopAllActivity();
  main_.Beep();
  StopAllActivity();
  if (Abandoned()) return;
  StartRestart();
  EndProcess();
}

}  // namespace app
