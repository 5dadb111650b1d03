#include "app/status_tick.h"

#include "app/auto_ftp.h"
#include "app/auto_ping.h"
#include "app/browser_refresh.h"
#include "app/connection_keeper.h"
#include "app/connection_recovery.h"
#include "app/direct_dial.h"
#include "app/dyn_dns.h"
#include "app/ftp_panel.h"
#include "app/language_switch.h"
#include "app/mail_notifier.h"
#include "app/new_ip_command.h"
#include "app/online_time.h"
#include "app/phonebook_page.h"
#include "app/t_stayline.h"
#include "app/time_log_writer.h"
#include "app/tray_model.h"
#include "core/text.h"

namespace app {

StatusTick::StatusTick(TStayline& main) : main_(main) {
  main_.Form().TimerCaption.OnTimer() = [this] { TimerCaptionTimer(); };
}

bool StatusTick::Online() {
  return main_.State().ActiveConnectionCount != 0;
}

void StatusTick::TimerCaptionTimer() {
  // A dial or hang-up inside the tick runs the loop; the tick must not run inside itself.
  if (inTick_) return;
  inTick_ = true;
  struct Leave {
    bool& flag;
    ~Leave() { flag = false; }
  } leave{inTick_};
  Tick();
}

void StatusTick::Tick() {
  MainForm& f = main_.Form();
  MainState& s = main_.State();
  ConnectionKeeper& keeper = main_.Keeper();
  keeper.TesteConnections();
  DetectConnect();
  FoldLongConnection();
  UpdateFtpPanel();
  if (f.ErrorMessage.Visible()) f.ErrorMessage.SetCaption(keeper.NoCredentialsText());
  if (s.RasState == static_cast<int>(ras::RASCS_Disconnected)) {
    main_.Beep();
    main_.Recovery().HangUpManualShowMessage("TimerCaption");
    return;  // the recovery ends the process
  }
  keeper.TestDisConnect();
  if ((f.Visible() || s.DisconnectLogPending) && s.ConnectTick != 0 && Online()) {
    s.OnlineTimeText = main_.Online().GetOnlineTime(false);
  }
  TakeAddresses();
  const bool complete = keeper.ConnectionComplete();
  main_.Recovery().Backoff().NoteConnection(complete);
  if (f.AutoMailBox1.Checked() && complete && s.MailPending) {
    s.MailPending = false;
    main_.Mailer().TestMailClick();
  }
  if (complete) PublishToCommandAndDns();
  if (f.WriteLogFileBox.Checked() && keeper.ConnectionComplete() && s.ConnectLogPending) {
    s.ConnectLogPending = false;
    main_.TimeLog().WriteToLogFile("Connect...:", s.OnlineTimeLogText, false);
  }
  main_.Publisher().SendAutoFTPData();
  if (f.Visible()) UpdateVisibleControls();
  DialWhenOffline();
  RedialDropped();
  main_.Pinger().KeepStarted();
  if (f.Visible()) {
    f.HangUpManual.SetEnabled(Online());
    f.HangUpManual2.SetEnabled(Online());
    f.DialManual.SetEnabled(!Online());
  }
  main_.Phonebook().FollowConnections();
  main_.Tray().UpdateTrayIcon();
  UpdateBrowser();
  UpdateTrayMenu();
  main_.Languages().ApplyOpenDialogs();
  if (f.Visible()) UpdateLanguage();
  f.RemoveProgram.SetVisible(!Online());
  f.PopupDialing.SetVisible(!Online());
  f.PopupHangUp.SetVisible(Online());
  if (f.Visible()) CopyChecksToSettings();
  UpdateStatusLabels();
  FirstCompleteConnection();
}

void StatusTick::DetectConnect() {
  MainState& s = main_.State();
  if (main_.Keeper().ConnectionComplete() && s.ConnectTick == 0) {
    s.ConnectTick = main_.Loop().GetTickCount();
    s.ConnectLogPending = true;
  }
}

void StatusTick::FoldLongConnection() {
  // The running connection's time is measured on the 32-bit tick count, which can only tell
  // 49.7 days; long before that the time so far moves into the accumulated time.
  MainState& s = main_.State();
  if (s.ConnectTick == 0) return;
  const std::uint32_t now = main_.Loop().GetTickCount();
  const std::uint32_t elapsed = OnlineTime::Elapsed(now, s.ConnectTick);
  if (elapsed < kFoldAfterMs) return;
  s.AccumulatedOnlineMs += elapsed;
  s.ConnectTick = now != 0 ? now : 1;  // 0 would mean "not counting"
}

void StatusTick::UpdateFtpPanel() {
  MainForm& f = main_.Form();
  const bool ftpConnected = main_.MFtp1().Connected();
  if (!ftpConnected) f.StatusBar1.SetPanel(1, " ");
  main_.MiniFtp().UpdateEnabledStates();
  if (!Online() && ftpConnected) QuitFtpSessionForDial();
}

void StatusTick::QuitFtpSessionForDial() {
  if (!main_.MFtp1().Connected()) return;
  main_.MFtp1().Quit();
  main_.Form().StatusBar1.SetPanel(1, main_.Tx("Verbindung getrennt.", "Disconnected."));
}

void StatusTick::TakeAddresses() {
  MainForm& f = main_.Form();
  MainState& s = main_.State();
  if (!Online()) {
    f.IsClientIP.SetText("0.0.0.0");
    f.MailTo.SetReadOnly(false);
    f.MailSetup.SetEnabled(true);
    f.TestMail.SetEnabled(false);
    return;
  }
  s.LastServerIP = main_.DialUp().ServerIP();
  s.LastClientIP = main_.DialUp().ClientIP();
  f.IsClientIP.SetText(s.LastClientIP);
  const std::string ip = core::Trim(f.IsClientIP.Text());
  if (!ip.empty() && ip != "0.0.0.0" && ip != s.LastPublishedIP) {
    s.LastPublishedIP = ip;
    s.MailPending = true;
    main_.Publisher().Arm();
  }
  const bool autoMail = f.AutoMailBox1.Checked();
  f.MailTo.SetReadOnly(autoMail);
  f.MailSetup.SetEnabled(!autoMail);
  f.TestMail.SetEnabled(!autoMail);
  // Before the connection is counted there is no running time to add: the earlier connections
  // alone make the online time.
  s.OnlineTimeLogText = main_.Online().GetOnlineTime(s.ConnectTick == 0);
}

void StatusTick::PublishToCommandAndDns() {
  MainState& s = main_.State();
  if (s.LastPublishedIP.empty()) return;
  std::string entry = main_.DialUp().Entry();
  if (entry.empty()) entry = main_.Regs().StaylineConnection;
  // The command first: it only starts a child, while the update may wait for its server.
  main_.IpCommand().Publish(main_.Regs().NewIPCommand,
                            {s.LastPublishedIP, core::Trim(s.LastServerIP), entry});
  main_.DynDns().Update(s.LastPublishedIP);
}

void StatusTick::UpdateEntryChoice() {
  MainForm& f = main_.Form();
  MainState& s = main_.State();
  if (!s.EntryChoiceLocked) {
    s.HasPhonebookEntries = f.ListBox1.Count() > 0;
    f.ListBox1.SetEnabled(s.HasPhonebookEntries);
  } else {
    s.HasPhonebookEntries = false;
    f.ListBox1.SetEnabled(false);
  }
}

void StatusTick::UpdateVisibleControls() {
  MainForm& f = main_.Form();
  UpdateEntryChoice();
  f.PopupStopAutoPing.SetVisible(f.StopAutoPing.Enabled());
  // The seconds button decides.
  main_.Regs().PingInterValMS = f.SekundenIntervall.Checked() ? "s" : "m";
  f.Takt.SetCaption(f.MinutenIntervall.Checked() ? "M" : "S");
  f.edtHost.SetEnabled(!f.StopAutoPing.Enabled());
}

void StatusTick::DialWhenOffline() {
  MainForm& f = main_.Form();
  MainState& s = main_.State();
  ConnectionKeeper& keeper = main_.Keeper();
  if (keeper.ComponentHasHandle() || Online() || !s.HasPhonebookEntries ||
      main_.Regs().AutoConnect != "1") {
    return;
  }
  if (f.AutoConnect.Checked()) {
    QuitFtpSessionForDial();
    main_.Direct().btnGetParamsClick();
  }
  if (!s.EntryUserName.empty() && !s.EntryPassword.empty() && !s.ManualHangUp) {
    if (main_.Direct().btnDialEntryClick() != 0) keeper.DialThroughComponent();
  }
  keeper.TesteConnections();
}

void StatusTick::RedialDropped() {
  MainForm& f = main_.Form();
  ConnectionKeeper& keeper = main_.Keeper();
  keeper.TesteConnections();
  if (keeper.ComponentHasHandle() && !Online()) {
    if (f.AutoConnect.Checked()) keeper.DialManualClick();
    keeper.TesteConnections();
  }
  if (!keeper.ComponentHasHandle() && !Online() && main_.Regs().AutoConnect == "1") {
    if (f.AutoConnect.Checked()) {
      QuitFtpSessionForDial();
      keeper.DialManualClick();
    }
    keeper.TesteConnections();
  }
}

void StatusTick::UpdateBrowser() {
  MainState& s = main_.State();
  if (!Online() || main_.Regs().StartIE != "1") return;
  BrowserRefresh& browser = main_.Browser();
  s.BrowserWindow = browser.FindBrowserWindow();
  if (s.BrowserWindow == 0) browser.ConnectToIEBrowser();
  if (s.BrowserWindow != 0) (void)browser.GetActualUrl();
}

void StatusTick::UpdateTrayMenu() {
  main_.Languages().ApplyTrayMenu();
}

void StatusTick::UpdateLanguage() {
  MainForm& f = main_.Form();
  main_.SetDialUpLanguage(main_.German());
  main_.Languages().ApplyLanguage();
  f.ViewOnlineTimeBox.SetCaption(main_.State().OnlineTimeText);
  f.HangUpManual2.SetCaption(f.HangUpManual.Caption());
  f.ActiveConnections.SetCaption(main_.Tx("Ausgewählte Verbindung: ", "Selected Connection: ") +
                                 f.ListBox1.Text());
}

void StatusTick::CopyChecksToSettings() {
  MainForm& f = main_.Form();
  settings::TRegsData& r = main_.Regs();
  r.AutoConnect = f.AutoConnect.Checked() ? "1" : "0";
  r.AutoRun = f.AutoRun.Checked() ? "1" : "0";
  r.StartIE = f.StartIEBrowser.Checked() ? "1" : "0";
  if (f.German.Checked()) r.Language = "1";
  if (f.English.Checked()) r.Language = "0";
}

void StatusTick::UpdateStatusLabels() {
  MainForm& f = main_.Form();
  MainState& s = main_.State();
  ConnectionKeeper& keeper = main_.Keeper();
  if (Online()) {
    keeper.ShowStatus(ConnectionKeeper::Status::Connected);
    f.Status2.SetVisible(true);
    f.TimerX.SetEnabled(true);
    for (forms::Control* c :
         {&f.DialedConnection1, &f.DialedConnection2, &f.DialedConnection3, &f.IPHandle}) {
      c->SetVisible(true);
    }
    return;
  }
  keeper.ShowStatus(ConnectionKeeper::Status::DisConnected);
  f.Status2.SetVisible(true);
  f.TimerX.SetEnabled(false);
  if (s.HasPhonebookEntries) {
    f.IPHandle.SetVisible(false);
    f.IPHandle.SetCaption("");
  } else {
    f.IPHandle.SetCaption(
        main_.Tx("Kein DFÜ vorhanden oder gesperrt", "No DFUE available or closed"));
    f.IPHandle.SetVisible(true);
  }
  for (forms::Control* c : {&f.DialedConnection1, &f.DialedConnection2, &f.DialedConnection3}) {
    c->SetVisible(false);
    c->SetCaption("");
  }
}

void StatusTick::FirstCompleteConnection() {
  MainForm& f = main_.Form();
  MainState& s = main_.State();
  if (!s.FirstOnlineTickPending || !main_.Keeper().ConnectionComplete()) return;
  s.FirstOnlineTickPending = false;
  f.AutoFTPBox.SetChecked(main_.Regs().FTP_Auto != "0");
  if (f.AutoFTPBox.Checked()) main_.Publisher().SetUploadInProgress();
  f.BrowserRefreshBox.SetChecked(main_.Regs().DynaHomeRefresh != "0");
}

}  // namespace app
