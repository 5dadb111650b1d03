#pragma once
// The dial delay and the auto-FTP start countdown. The dial delay holds every automatic action
// back for a number of minutes after start: the six automatic options are unchecked and stored
// as "0" while it runs (so a run that ends meanwhile starts without them) and come back when the
// countdown ends. The auto-FTP countdown waits 20 seconds after a start that followed a run with
// auto-FTP on, then switches auto-FTP on again. Both countdowns show their seconds in the caption.
//
// Threading: loop thread only; DelayTimer and TimeOutTimer fire once a second.

#include <array>
#include <string>

namespace app {

class TStayline;

class DialDelay {
 public:
  explicit DialDelay(TStayline& main);

  // A valid delay in minutes: digits only, not starting with "0".
  static bool DelayTimeInteger(const std::string& text);
  // Start-up only: holds the automatic options back for "OnlineDelayTime" minutes.
  void StartDialDelay();
  void DelayTimerTimer();
  // Ends a running dial delay early (the user touched "Dial", "HangUp" or the delay box): the
  // countdown stops; the options stay as they are.
  void StopDialDelay();
  void DelayBoxClick();
  void DelayTimeEditChange();

  // The 20-second auto-FTP countdown.
  void StartAutoFtpCountdown();
  void TimeOutTimerTimer();

 private:
  struct HeldOption {
    const char* setting;
    bool checked = false;
    std::string flag;
  };
  void WireHandlers();
  void SetFonts(const std::string& color);
  void ShowCountdown(const char* what);

  TStayline& main_;
  std::array<HeldOption, 6> held_;
};

}  // namespace app
