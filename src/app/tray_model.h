#pragma once
// The tray icon as a model: the picture by connection state (`ImageConnect`/`ImageNotConnect`),
// the ping animation (`DrivePing1`/`DrivePing2` online, `DrivePingX1`/`DrivePingX2` offline),
// the tip "Stayline", the mouse callback (a left double click shows the window, a right click
// opens the tray menu), the tray menu's title, dial and hang-up items, and hiding to the tray
// instead of minimising. The views draw what this model holds.
//
// Threading: loop thread only.

namespace app {

class TStayline;

class TrayModel {
 public:
  explicit TrayModel(TStayline& main);

  static constexpr const char* kTip = "Stayline";
  static constexpr int kCallbackMessage = 1025;  // WM_USER + 1
  static constexpr int kScMinimize = 61472;      // SC_MINIMIZE

  // Adds the icon (not-connected picture); false when the shell refuses it.
  bool AddTrayIcon();
  void RemoveTrayIcon();
  // Connected or not-connected picture, unless the ping animation runs.
  void UpdateTrayIcon();
  // One step of the ping animation (while the auto-ping runs).
  void TaskBarChangePingIcon();
  // A mouse message on the icon.
  void TrayCallback(int mouseMessage);
  // A system command of the window; true when it was handled here (minimise hides to the tray),
  // false when it goes to the default handling.
  bool WMSysCommand(int command);
  // The title item "Stayline": show the window and bring it to the front.
  void PopupEinstellungenClick();
  void PopupDialingClick();
  void PopupHangUpClick();

 private:
  void ShowWindow();

  TStayline& main_;
};

}  // namespace app
