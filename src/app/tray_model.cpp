#include "app/tray_model.h"

#include "app/connection_keeper.h"
#include "app/connection_recovery.h"
#include "app/life_cycle.h"
#include "app/t_stayline.h"

namespace app {

TrayModel::TrayModel(TStayline& main) : main_(main) {
  MainForm& f = main_.Form();
  f.TrayIcon.OnCallback = [this](int message) { TrayCallback(message); };
  f.PopupEinstellungen.OnClick = [this] { PopupEinstellungenClick(); };
  f.PopupDialing.OnClick = [this] { PopupDialingClick(); };
  f.PopupHangUp.OnClick = [this] { PopupHangUpClick(); };
}

bool TrayModel::AddTrayIcon() {
  MainForm& f = main_.Form();
  return f.TrayIcon.Add(f.ImageNotConnect.Picture(), kTip);
}

void TrayModel::RemoveTrayIcon() {
  main_.Form().TrayIcon.Remove();
}

void TrayModel::UpdateTrayIcon() {
  MainForm& f = main_.Form();
  if (f.PingImageTimer.Enabled()) return;  // the ping animation owns the icon meanwhile
  const forms::Image& picture =
      main_.State().ActiveConnectionCount != 0 ? f.ImageConnect : f.ImageNotConnect;
  // A modification of an icon the shell does not hold fails; that is ignored.
  if (f.TrayIcon.Added()) f.TrayIcon.Modify(picture.Picture(), kTip);
}

void TrayModel::TaskBarChangePingIcon() {
  MainForm& f = main_.Form();
  MainState& s = main_.State();
  if (!f.StopAutoPing.Enabled()) return;  // the auto-ping does not run
  ++s.PingBlinkCounter;
  if (!f.PingBlinkOnOff.Checked()) s.PingBlinkCounter = 1;  // a steady icon
  const bool online = s.ActiveConnectionCount != 0;
  const forms::Image* picture = nullptr;
  if (s.PingBlinkCounter == 1) picture = online ? &f.DrivePing1 : &f.DrivePingX1;
  if (s.PingBlinkCounter == 2) picture = online ? &f.DrivePing2 : &f.DrivePingX2;
  if (picture && f.TrayIcon.Added()) f.TrayIcon.Modify(picture->Picture(), kTip);
  if (s.PingBlinkCounter >= 2) s.PingBlinkCounter = 0;
}

void TrayModel::ShowWindow() {
  main_.Form().Show();  // shown windows come to the front
}

void TrayModel::TrayCallback(int mouseMessage) {
  if (mouseMessage == forms::kTrayLeftDoubleClick) {
    ShowWindow();
  } else if (mouseMessage == forms::kTrayRightDown) {
    MainForm& f = main_.Form();
    if (f.PopupMenu1.OnClick) f.PopupMenu1.OnClick();  // the menu opens
    if (main_.ShowPopupMenu) main_.ShowPopupMenu(f.PopupMenu1);
  }
}

bool TrayModel::WMSysCommand(int command) {
  if (command != kScMinimize) return false;
  main_.Life().CloseProgramClick();  // save and hide to the tray
  return true;
}

void TrayModel::PopupEinstellungenClick() {
  ShowWindow();
}

void TrayModel::PopupDialingClick() {
  main_.Keeper().DialManuellClick();
}

void TrayModel::PopupHangUpClick() {
  main_.Recovery().HangUpManualShowMessage("PopupHangUp");
}

}  // namespace app
