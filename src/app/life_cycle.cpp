#include "app/life_cycle.h"

#include "app/browser_refresh.h"
#include "app/connection_keeper.h"
#include "app/dial_delay.h"

#include "app/online_time.h"
#include "app/t_stayline.h"
#include "app/time_log_writer.h"
#include "core/text.h"
#include "net/network_error.h"
#include "ras/time_log.h"

namespace app {

LifeCycle::LifeCycle(TStayline& main) : main_(main) {
  WireHandlers();
}

void LifeCycle::WireHandlers() {
  MainForm& f = main_.Form();
  f.ExitProgram.OnClick = [this] { ExitProgramClick(); };
  f.Beenden1.OnClick = [this] { Beenden1Click(); };
  f.CloseProgram.OnClick = [this] { CloseProgramClick(); };
  f.AutoRun.OnClick = [this] { AutoRunClick(); };
  f.AutoConnect.OnClick = [this] { AutoConnectClick(); };
  f.StartIEBrowser.OnClick = [this] { StartIEBrowserClick(); };
  f.TimerTNA.OnTimer() = [this] { TimerTNATimer(); };
  f.OnShow = [this] { FormShow(); };
}

void LifeCycle::WriteFlag(const std::string& name, bool on) {
  main_.Regs().Field(name) = on ? "1" : "0";
  main_.Store().WriteField(name);
}

void LifeCycle::QuitFtpSession() {
  if (main_.MFtp1().Connected()) {
    main_.MFtp1().Quit();
    main_.Form().StatusBar1.SetPanel(1, main_.Tx("Verbindung getrennt.", "Disconnected."));
  }
}

void LifeCycle::StorePingHost() {
  MainForm& f = main_.Form();
  if (!f.edtHost.Text().empty()) main_.Regs().PingHost = f.edtHost.Text();
  main_.Store().WriteField("PingHost");
}

bool LifeCycle::StorePingInterval() {
  MainForm& f = main_.Form();
  f.Interval.SetText(core::Trim(f.Interval.Text()));
  const bool digits = core::IsAllDigits(f.Interval.Text());
  if (digits) {
    std::string& interval = main_.Regs().PingInterval;
    interval = f.Interval.Text();
    if (!interval.empty() && interval[0] == '0') interval[0] = '1';
    f.Interval.SetText(interval);
  }
  return digits;
}

void LifeCycle::WriteEndLines() {
  if (!main_.Form().WriteLogFileBox.Checked()) return;
  main_.TimeLog().WriteToLogFile("PgmEnd....:", main_.State().OnlineTimeLogText, false);
  ras::WriteTextFile(main_.TimeLog().LogPath(), "", false, true);
}

void LifeCycle::FormShow() {
  MainForm& f = main_.Form();
  const bool german = main_.German();
  main_.SetDialUpLanguage(german);
  f.Settings.SetCaption(main_.Tx(" Einstellungen ", " Settings "));
  f.Language.SetCaption(main_.Tx("Sprache:", "Language:"));
  f.German.SetCaption(main_.Tx("Deutsch", "German"));
  f.English.SetCaption(main_.Tx("Englisch", "English"));
  f.DialManual.SetCaption(main_.Tx("Verbinde manuell", "Dial manually"));
  f.HangUpManual.SetCaption(main_.Tx("Trenne Verbindung", "HangUp connection"));
  f.HangUpManual2.SetCaption(main_.Tx("Trenne Verbindung", "HangUp connection"));
  f.CloseProgram.SetCaption(main_.Tx("Speichern / Ende", "Save / Exit"));
  f.ExitProgram.SetCaption(main_.Tx("Programm aus Speicher", "Close/Exit Program"));
  main_.Keeper().Connecting();
}

bool LifeCycle::FormCloseQuery() {
  MainForm& f = main_.Form();
  net::ClearNetworkError();
  f.TimerCaption.SetEnabled(false);
  QuitFtpSession();
  WriteFlag("DynaHomeRefresh", f.BrowserRefreshBox.Checked());
  WriteFlag("FTP_Auto", f.AutoFTPBox.Checked());
  WriteEndLines();
  StorePingHost();
  return true;
}

void LifeCycle::FormClose() {
  MainForm& f = main_.Form();
  MainState& s = main_.State();
  net::ClearNetworkError();
  f.TimerCaption.SetEnabled(false);
  main_.MFtp1().PurgeCache(true, true, 7);
  if (!s.RestartInProgress) QuitFtpSession();
  f.TrayIcon.Remove();
  f.TimerCaption.SetEnabled(false);
  f.TimerX.SetEnabled(false);
  main_.Store().UpdateAutoRun();
  StorePingInterval();
  {
    std::string& interval = main_.Regs().PingInterval;
    if (!interval.empty() && interval[0] == '0') interval[0] = '1';
    f.Interval.SetText(interval);
  }
  main_.Store().SaveProgramSettings();
  if (!s.RestartInProgress) main_.Regs().FTP_Auto = f.AutoFTPBox.Checked() ? "1" : "0";
  main_.Store().WriteField("FTP_Auto");
  if (!s.RestartInProgress)
    main_.Regs().DynaHomeRefresh = f.BrowserRefreshBox.Checked() ? "1" : "0";
  main_.Store().WriteField("DynaHomeRefresh");
  main_.Regs().ErrorDelay = "1";
  main_.Store().WriteField("ErrorDelay");
  if (!s.RestartInProgress) {
    main_.Keeper().HangUpManualClick();
    if (f.CloseIEbyExit.Checked()) main_.Browser().CloseInternetClick();
  }
  for (forms::TimerControl* t : {&f.PingTimer, &f.PingImageTimer, &f.TimerTNA, &f.TimerX,
                                 &f.FTPRefreshTimer, &f.TimerCaption}) {
    t->SetEnabled(false);
  }
  f.Hide();
  if (++s.CloseCount > 2) {
    TStayline::Call(main_.Terminate, 1);
    TStayline::Call(main_.ExitNow, 1);
  }
}

void LifeCycle::Close() {
  if (FormCloseQuery()) FormClose();
}

void LifeCycle::ExitProgramClick() {
  MainForm& f = main_.Form();
  WriteFlag("FTP_Auto", f.AutoFTPBox.Checked());
  const auto answer =
      main_.Dialogs().MessageBox(main_.Tx("Programm wirklich aus\r\ndem Speicher entfernen?",
                                          "Exit program and \r\nclear memory?"),
                                 "Stayline", forms::Buttons::YesNo, forms::MessageKind::Question);
  if (answer != forms::ModalResult::Yes) return;
  WriteEndLines();
  FormClose();
  TStayline::Call(main_.Terminate, 0);
}

void LifeCycle::Beenden1Click() {
  StorePingHost();
  ExitProgramClick();
}

void LifeCycle::CloseProgramClick() {
  const bool digits = [this] {
    MainForm& f = main_.Form();
    f.Interval.SetText(core::Trim(f.Interval.Text()));
    return core::IsAllDigits(f.Interval.Text());
  }();
  StorePingHost();
  if (digits) StorePingInterval();
  main_.Store().SaveProgramSettings();
  main_.Form().Hide();
}

void LifeCycle::AutoRunClick() {
  main_.Regs().AutoRun = main_.Form().AutoRun.Checked() ? "1" : "0";
  main_.Store().SaveProgramSettings();
  main_.Store().UpdateAutoRun();
}

void LifeCycle::AutoConnectClick() {
  MainForm& f = main_.Form();
  // A user's choice ends a running dial delay.
  main_.Delay().StopDialDelay();
  main_.Regs().AutoConnect = f.AutoConnect.Checked() ? "1" : "0";
  main_.Store().SaveProgramSettings();
}

void LifeCycle::StartIEBrowserClick() {
  if (main_.State().DialDelayActive) return;
  const bool on = main_.Form().StartIEBrowser.Checked();
  main_.Regs().StartIE = on ? "1" : "0";
  main_.Store().SaveProgramSettings();
  if (!on) main_.Browser().CloseInternetClick();
}

void LifeCycle::ClearAutoRunClick() {
  main_.Regs().AutoRun = "0";
  main_.Store().UpdateAutoRun();
  main_.Store().SetWriteLock();
}

void LifeCycle::TimerTNATimer() {
  MainForm& f = main_.Form();
  f.Hide();
  if (f.TrayIcon.Add(f.ImageNotConnect.Picture(), "Stayline")) f.TimerTNA.SetEnabled(false);
}

void LifeCycle::EndSession() {
  if (!main_.Store().WriteLocked() && main_.Regs().AutoRun != "0") {
    main_.Regs().AutoRun = "1";
    main_.Store().UpdateAutoRun();
  }
  Close();
}

}  // namespace app
