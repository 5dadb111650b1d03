// The start-up sequence of the main window: settings into control states, the phonebook, the
// markers of the previous run (dial delay, auto-FTP countdown) and the switch-on of the tick.

#include <sys/stat.h>
#include <unistd.h>

#include "app/auto_ftp.h"
#include "app/connection_keeper.h"
#include "app/dial_delay.h"
#include "app/ftp_connection_loader.h"
#include "app/ftp_panel.h"
#include "app/life_cycle.h"
#include "app/online_time.h"
#include "app/t_stayline.h"
#include "app/time_log_writer.h"
#include "core/text.h"
#include "net/network_error.h"

namespace app {

void LifeCycle::FormCreate() {
  MainForm& f = main_.Form();
  MainState& s = main_.State();
  settings::SettingsStore& store = main_.Store();
  settings::TRegsData& r = main_.Regs();

  // 1. caption with the version
  f.SetCaption(main_.BaseCaption());
  // 2. (the console host left behind by the restart script exists only on Windows 9x)
  // 3. start state
  s.CloseCount = 0;
  s.CountdownSeconds = 0;
  s.AutoFtpOnStart = false;
  s.RestartInProgress = false;
  net::ClearNetworkError();
  main_.Publisher().Reset();
  // 4.
  store.LoadProgramSettings();
  // 5. the client-IP page of the previous run goes
  const std::string page = main_.LocalPagePath();
  struct stat st {};
  if (::stat(page.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
    ::chmod(page.c_str(), 0644);
    if (::unlink(page.c_str()) == 0) main_.Publisher().Reset();
  }
  // 6. connection and tick state
  const std::string keepText = s.OnlineTimeText;
  s = MainState{};
  s.OnlineTimeText = keepText;
  f.PageControl1.SetActivePageIndex(0);
  f.AutoMailBox1.SetChecked(false);
  f.DelayTimer.SetEnabled(false);
  // 7.
  store.LoadProgramSettings();
  s.OnlineTimeText = main_.Online().GetOnlineTime(true);
  // The copy the log lines use; the status tick keeps it current while online, so the end
  // line carries the online time at the end of the run.
  s.OnlineTimeLogText = s.OnlineTimeText;
  // 8. hidden, no task-bar button
  f.Hide();
  f.Status2.SetVisible(false);
  f.TimerX.SetEnabled(false);
  for (forms::Control* c :
       {&f.DialedConnection1, &f.DialedConnection2, &f.DialedConnection3, &f.IPHandle}) {
    c->SetVisible(false);
  }
  // 9. language
  main_.SetDialUpLanguage(r.Language == "1");
  f.Help2.SetCaption(r.Language == "1" ? "Hilfe / LogDateien" : "Help / LogFiles");
  store.LoadProgramSettings();
  // 10.
  LoadControlsFromSettings();
  // 11.-13.
  FillPhonebook();
  main_.Keeper().TesteConnections();
  s.LastClientIP = main_.DialUp().ClientIP();
  s.LastServerIP = main_.DialUp().ServerIP();
  f.IsClientIP.SetText(core::Trim(s.LastClientIP).empty() ? "0.0.0.0" : s.LastClientIP);
  f.MailTo.SetText(r.MailToText);
  // 14.
  if (f.WriteLogFileBox.Checked())
    main_.TimeLog().WriteToLogFile("PgmStart..:", s.OnlineTimeText, false);
  // 15.
  s.DisconnectLogPending = false;
  s.ConnectLogPending = false;
  s.MailPending = true;
  // 16. mail group
  // Copies: clearing the memo runs its change handler, which would store the default text over
  // the user's before it is put back.
  const std::string emailText = r.EmailText;
  const std::string subject = r.ESubject;
  f.EmailText.ClearLines();
  f.EmailText.SetText(emailText);
  f.ESubject.SetText(subject);
  f.AutoMailBox1.SetChecked(r.AutoMail != "0");
  // 17. FTP page
  f.AutoFTPProfil.SetText(r.FTP_Profil);
  f.WEBServerInfo.SetCaption(main_.Tx("Keine Information", "No Information"));
  std::vector<std::string> profiles;
  store.GetProfileNames(profiles);
  f.FTPProfileBox.SetItems(profiles);
  main_.MiniFtp().FTPFormCreate();
  f.FTPProfileBox.SetText("Auto FTP");
  main_.FtpConnection().AutoSettingsMode = false;
  f.BrowserRefreshBox.SetChecked(false);
  f.AutoFTPBox.SetChecked(false);
  f.BrowserRefreshLineEdit.SetText(r.DynaHomeUrl);
  // 18.
  if (f.AutoConnect.Checked()) s.ManualHangUp = false;
  s.DialDelayActive = false;
  f.DelayTimeEdit.SetText(r.OnlineDelayTime);
  // 19.
  HandleRestartMarkers();
  // 20.
  f.TimerCaption.SetEnabled(true);
  f.TimerTNA.SetEnabled(true);
  s.FirstOnlineTickPending = true;
}

void LifeCycle::LoadControlsFromSettings() {
  MainForm& f = main_.Form();
  settings::TRegsData& r = main_.Regs();
  f.PingBlinkOnOff.SetChecked(r.PingBlink == "1");
  f.StartSiteBox.SetChecked(r.IEStartSite == "1");
  if (f.StartSiteBox.Checked()) main_.State().StartSitePending = true;
  if (r.IEStartWeb.empty()) main_.Store().LoadProgramSettings();  // takes its default
  f.StartWeb.SetText(r.IEStartWeb);
  f.Interval.SetText(r.PingInterval);
  f.ViewOnlineTimeBox.SetChecked(r.ViewOnlineTimer != "0");
  f.WriteLogFileBox.SetChecked(r.SaveOnlineTimer != "0");
  f.CloseIEbyExit.SetChecked(r.IEClose != "0");
  if (!r.PingHost.empty()) f.edtHost.SetText(r.PingHost);
  f.StartAutoPingBox.SetChecked(r.PingAutoRun != "0");
  f.AutoRun.SetChecked(r.AutoRun != "0");
  f.StartIEBrowser.SetChecked(r.StartIE != "0");
  if (r.Language == "0") {
    f.English.SetChecked(true);
  } else {
    f.German.SetChecked(true);
  }
  if (r.PingInterValMS == "s") {
    f.SekundenIntervall.SetChecked(true);
  } else {
    if (r.PingInterValMS != "m") {
      r.PingInterValMS = "m";
      main_.Store().WriteField("PingInterValMS");
    }
    f.MinutenIntervall.SetChecked(true);
  }
}

void LifeCycle::FillPhonebook() {
  MainForm& f = main_.Form();
  settings::TRegsData& r = main_.Regs();
  f.ListBox1.ClearItems();
  main_.DialUp().GetEntries();
  main_.State().HasPhonebookEntries = f.ListBox1.Count() > 0;
  if (!main_.State().HasPhonebookEntries) return;
  if (r.StaylineConnection == "0") {
    r.StaylineConnection = f.ListBox1.Items().front();
    main_.Store().WriteField("StaylineConnection");
  }
  if (!r.StaylineConnection.empty()) f.ListBox1.SetText(r.StaylineConnection);
}

void LifeCycle::HandleRestartMarkers() {
  MainForm& f = main_.Form();
  MainState& s = main_.State();
  settings::SettingsStore& store = main_.Store();
  settings::TRegsData& r = main_.Regs();

  // 19.1 a self-restart skips the dial delay once
  r.TempDelay = store.ReadSetting("TempDelay");
  if (r.TempDelay.empty()) r.TempDelay = "0";
  if (r.TempDelay == "1") {
    r.OnlineDelay = "0";
    store.WriteField("OnlineDelay");
  }
  // 19.2
  s.CountdownSeconds = 20;
  f.TimeOutTimer.SetInterval(1000);
  // 19.3 the previous run ended with auto-FTP on: publish again after the countdown
  if (r.ErrorDelay == "1" && r.FTP_Auto == "1") {
    f.SetCaption(main_.BaseCaption() +
                 " - AutoFTP Start in: " + std::to_string(s.CountdownSeconds) + "s");
    s.AutoFtpOnStart = true;
    r.FTP_Auto = "0";
    store.WriteField("FTP_Auto");
  }
  const auto checkAutomaticBoxes = [&] {
    if (r.DynaHomeRefresh == "1") f.BrowserRefreshBox.SetChecked(true);
    if (r.FTP_Auto == "1") f.AutoFTPBox.SetChecked(true);
  };
  // 19.4
  if (r.OnlineDelay != "1") {
    f.DelayBox.SetChecked(false);
    f.AutoConnect.SetChecked(r.AutoConnect != "0");
    checkAutomaticBoxes();
  }
  // 19.5
  if (r.OnlineDelay == "1") {
    f.DelayBox.SetChecked(true);
    if (r.OnlineDelayTime.empty() || r.OnlineDelayTime[0] != '0') {
      if (!DialDelay::DelayTimeInteger(r.OnlineDelayTime)) {
        f.DelayBox.SetChecked(false);
        checkAutomaticBoxes();
      } else {
        f.AutoConnect.SetChecked(r.AutoConnect != "0");
        if (f.AutoConnect.Checked()) main_.Delay().StartDialDelay();
      }
    }
  }
  // 19.6
  if (!s.DialDelayActive && s.AutoFtpOnStart) f.TimeOutTimer.SetEnabled(true);
  // 19.7
  if (r.TempDelay == "1") {
    r.OnlineDelay = "1";
    store.WriteField("OnlineDelay");
  }
  // 19.8
  f.FTPLogCheckBox.SetChecked(r.FTPLogFile == "1");
  // 19.9
  r.TempDelay = "0";
  store.WriteField("TempDelay");
  r.ErrorDelay = "0";
  store.WriteField("ErrorDelay");
  // 19.10
  if (f.AutoFTPBox.Checked()) main_.Publisher().Arm();
  // 19.11
  f.DelayBox.SetChecked(r.OnlineDelay == "1");
}

}  // namespace app
