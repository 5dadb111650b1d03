#pragma once
// The main window's life cycle: the start-up sequence that turns the settings into control
// states, showing the window, the close query and close handlers, the exit button and tray item,
// save-and-hide, the option check boxes, the tray icon's creation and the end of the session.

#include <string>

namespace app {

class TStayline;

class LifeCycle {
 public:
  explicit LifeCycle(TStayline& main);

  void FormCreate();
  void FormShow();
  bool FormCloseQuery();
  void FormClose();
  void ExitProgramClick();
  void Beenden1Click();
  void CloseProgramClick();
  void AutoRunClick();
  void AutoConnectClick();
  void StartIEBrowserClick();
  void ClearAutoRunClick();
  void TimerTNATimer();
  // The desktop session ends (SIGTERM and friends): re-arm the autorun entry, then close.
  void EndSession();
  // The window's own closing: close query, then the close handler.
  void Close();

 private:
  void WireHandlers();
  void LoadControlsFromSettings();
  void FillPhonebook();
  void HandleRestartMarkers();
  void WriteEndLines();
  void QuitFtpSession();
  void StorePingHost();
  // Trims the ping interval edit; stores it when all digits. Returns whether it was.
  bool StorePingInterval();
  void WriteFlag(const std::string& name, bool on);

  TStayline& main_;
};

}  // namespace app
