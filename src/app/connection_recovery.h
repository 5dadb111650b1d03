#pragma once
// The recovery from a broken connection: stop everything, log the event, hang up, wait twice
// five seconds (the countdown shows in the FTP status bar and the caption), clear the FTP state
// and the client-IP page, leave the markers for the next start, write and start the restart
// script, and end this instance so that the script starts a fresh one. A second request while
// one runs ends the process at once.
//
// Threading: loop thread only. The waits run the loop, so timers and events go on; every timer
// that could re-enter the connection logic is switched off first.

#include <functional>
#include <string>
#include <vector>

namespace app {

class TStayline;

class ConnectionRecovery {
 public:
  explicit ConnectionRecovery(TStayline& main);

  // `reason` names the caller; it is not used.
  void HangUpManualShowMessage(const std::string& reason);
  void StopAllActivity();
  void WaitTimer1Timer();

  // Writes and starts the restart script; the default runs RestartScript with this process's
  // command line. Tests replace it. Returns whether the restart was started.
  std::function<bool()> StartRestart;

  static constexpr int kRestartSeconds = 10;  // twice WaitTimer1's 5000 ms

 private:
  void Wait(bool clearMemoryPhase);
  [[nodiscard]] std::string WaitText(int seconds);
  bool RunRestartScript();
  void EndProcess();

  TStayline& main_;
};

}  // namespace app
