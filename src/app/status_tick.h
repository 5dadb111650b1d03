#pragma once
// The status tick (`TimerCaption`, once a second): re-reads the connection state, notices a
// connection coming up (online time starts, "Connect...:" is logged, a new client IP is mailed
// and published by FTP) or going ("DisConnect:"), answers a broken connection with the recovery,
// dials while automatic connection is on, starts the auto-ping, and keeps the tray icon, the tray
// menu and, while the window is visible, the controls and their texts current.
//
// Threading: loop thread only. The operations the tick calls may run the loop; a tick never
// runs inside another one.

#include <cstdint>

namespace app {

class TStayline;

class StatusTick {
 public:
  explicit StatusTick(TStayline& main);

  // A connection is folded into the accumulated online time after this long.
  static constexpr std::uint32_t kFoldAfterMs = 0x8000'0000u;

  void TimerCaptionTimer();
  // Whether there is an entry to dial, and the main page's entry list enabled accordingly,
  // unless "Close DFUE" locked the choice.
  void UpdateEntryChoice();

 private:
  void Tick();
  void DetectConnect();
  void FoldLongConnection();
  void UpdateFtpPanel();
  void TakeAddresses();
  // The user's command and the dynamic-DNS update for the published address (each once).
  void PublishToCommandAndDns();
  void DialWhenOffline();
  void UpdateVisibleControls();
  void RedialDropped();
  void UpdateBrowser();
  void UpdateTrayMenu();
  void UpdateLanguage();
  void CopyChecksToSettings();
  void UpdateStatusLabels();
  void FirstCompleteConnection();
  void QuitFtpSessionForDial();
  [[nodiscard]] bool Online();

  TStayline& main_;
  bool inTick_ = false;
};

}  // namespace app
