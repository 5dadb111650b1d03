#pragma once
// The recovery from a broken connection: stop everything, log the event, hang up, wait twice
// five seconds (the countdown shows in the FTP status bar and the caption), hold the restart back
// in real time while restarts come in a row (RestartBackoff; the countdown shows the same way and
// the time log gets a "Backoff...." line), clear the FTP state and the client-IP page, leave the
// markers for the next start, write and start the restart script, and end this instance so that
// the script starts a fresh one. A second request while one runs ends the process at once; a quit
// or a signal while one runs ends the program as asked, and nothing is restarted.
//
// Threading: loop thread only. The waits run the loop, so timers and events go on; every timer
// that could re-enter the connection logic is switched off first.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/restart_backoff.h"

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
  // command line and the count of restarts in a row. Tests replace it. Returns whether the
  // restart was started.
  std::function<bool()> StartRestart;
  // Waits `ms` of real time while the loop runs, telling `onSecond` the seconds left; false when
  // `stop` ended it early. The default is RealTimeWait; tests replace it.
  std::function<bool(std::int64_t ms, const std::function<void(int)>& onSecond,
                     const std::function<bool()>& stop)>
      WaitRealTime;

  [[nodiscard]] RestartBackoff& Backoff() { return backoff_; }
  // The program was asked to end (quit, a signal: the close handler has run) while the recovery
  // ran.
  [[nodiscard]] bool EndRequested() const;

  static constexpr int kRestartSeconds = 10;  // twice WaitTimer1's 5000 ms

 private:
  void Wait(bool clearMemoryPhase);
  [[nodiscard]] std::string WaitText(int seconds);
  // Shows `text` in panel 1 and, after the base caption, in the caption.
  void ShowCountdown(const std::string& text);
  // Holds the restart back until the backoff's real time since `realStartMs` has passed or the
  // program is asked to end.
  void HoldBack(std::int64_t realStartMs);
  // Ends a recovery the program was asked to end: the line is hung up, nothing restarts.
  bool Abandoned();
  bool RunRestartScript();
  void EndProcess();

  TStayline& main_;
  RestartBackoff backoff_;
};

}  // namespace app
