// Design-time state of the main window: what the window holds before its start-up runs. Texts
// that follow the language are set again by the status tick; the ones here are those the window
// is built with.

#include "app/caption_table.h"
#include "app/main_form.h"

namespace app {

void MainForm::SetUpMainPage() {
  TabSheet1.SetCaption("Main");

  ListBox1.SetSorted(true);
  OpenDFUE.SetHint("Open DFUE");
  CloseDFUE.SetHint("Close DFUE");
  DialManual.SetCaption("Dial");
  HangUpManual.SetCaption("HangUp");
  // Shown only while an entry lacks its credentials; the tick rewrites it only while visible.
  ErrorMessage.SetVisible(false);

  Settings.SetCaption(" Settings ");
  Language.SetCaption("Language:");
  German.SetCaption("German");
  English.SetCaption("English");
  StartIEBrowser.SetCaption("Start IEBrowser");
  CloseIEbyExit.SetCaption("Close IEBrowser");
  StartAutoPingBox.SetCaption("Start AutoPing");
  // Built showing no delay, so a start with the default delay does not report it as invalid.
  DelayTimeEdit.SetText("0");

  MinutenIntervall.SetChecked(true);
  Interval.SetText("5");
  Takt.SetCaption("M");

  edtHost.SetText("LocalHost");
  btnPing.SetCaption("Start 1 Ping");
  StopAutoPing.SetEnabled(false);

  // Not part of the layout: saving and hiding runs when the window is minimised, exiting from
  // the tray menu.
  CloseProgram.SetVisible(false);
  ExitProgram.SetVisible(false);
}

void MainForm::SetUpDfuePage() {
  TabSheet2.SetCaption("DFUE / Internet");

  DFUSettingsBox1.SetCaption(" DFUE Settings ");
  ListBox2.SetSorted(true);
  ListBox2.SetHint("Available DFUE-Connections");
  CreateEntry.SetHint("New DFUE");
  EditEntry.SetHint("Edit DFUE");
  RenameEntry.SetHint("Rename DFUE");
  DeleteEntry.SetHint("Delete DFUE");
  SaveUserName.SetHint("Save Username");
  SavePassWord.SetHint("Save Password");
  HangUpManual2.SetCaption(" HangUp");
  DFUChanges.SetCaption("Not possible for changes.");

  // The editor choice: only an existing program file can be chosen.
  OpenDialog1.SetFileMustExist(true);

  InternetBox1.SetCaption("Internet Settings");
  LogFileBox.SetCaption(" Log File ");
  WriteLogFileBox.SetCaption("TimeLogDatei");
  ViewOnlineTimeBox.SetCaption("Online Time");
  FTPLogCheckBox.SetCaption("FTPLogDatei");
  OpenLogFile.SetHint("Open LogFile");
  OpenLogFileFTP.SetHint("Open LogFile");
  InstallEditor.SetHint("Install Editor");
  ResetOnlineTime.SetHint("Reset Online-Time");
  PingBlinkOnOff.SetCaption(" Ping Blink ");
  StartSiteBox.SetCaption(" Start Site");

  IsClientIP.SetReadOnly(true);
  IsClientIP.SetText("255.255.255.255");
  ESubject.SetText("ClientIP Changed");
  AutoMailBox1.SetCaption("Auto Mail");
  TestMail.SetCaption("Send Mail");
}

void MainForm::SetUpFtpPage() {
  TabSheet3.SetCaption("FTP");

  AutoFTPBox.SetCaption("Auto FTP");
  // These three are filled by the auto-FTP setup and the web-server test only.
  AutoFTPProfil.SetReadOnly(true);
  BrowserRefreshLineEdit.SetReadOnly(true);
  WEBServerInfo.SetReadOnly(true);
  BrowserRefreshBox.SetCaption("Browser Refresh with:");
  TestWebServerButton.SetCaption("WEB-Server Test");

  FTPProfileBox.SetSorted(true);
  FTPProfileBox.SetText("Auto FTP");
  FtpServerEdit.SetReadOnly(true);
  FtpServerEdit.SetEnabled(false);
  UserIDEdit.SetReadOnly(true);
  CurrentDirEdit.SetText("/");
  FTPRefresh.SetHint("FTP Refresh");
  MonsterOpenDialog.SetTitle("Upload");
  MonsterOpenDialog.SetFilter("All Files|*.*");
  MonsterSaveDialog.SetTitle("Download");
  MonsterSaveDialog.SetFilter("All Files|*.*");
}

void MainForm::SetUpMenus() {
  Help2.SetCaption("Help / LogFile");
  StaylinePdf.SetCaption("Stayline.pdf");
  OpenTimeLog.SetCaption("TimeLog.txt");
  OpenFTPLog.SetCaption("FTP.Log");

  PopupEinstellungen.SetCaption("Stayline");
  // The tray menu is built in German; the status tick follows the language once it runs.
  PopupDialing.SetCaption("Verbinden");
  PopupHangUp.SetCaption("Trennen");
  PopupStopAutoPing.SetCaption("Stopp AutoPing");
  Beenden1.SetCaption("Programm schliessen");
  Beenden1.SetHint("Trennt die Verbindung und beendet das Programm");
  // Only offered while auto-ping runs.
  PopupStopAutoPing.SetVisible(false);

  LargeIcons1.SetCaption("Grosse Symbole");
  LargeIcons1.SetChecked(true);
  SmallIcons1.SetCaption("Kleine Symbole");
  List1.SetCaption("Liste");
  Details1.SetCaption("Details");
  CopyLocation1.SetCaption("Copy Location");
  CopyLocation1.SetVisible(false);
}

void MainForm::SetUpEnglishTexts() {
  for (const auto table : {MainWindowCaptions(), TrayMenuCaptions()}) {
    for (const CaptionRow& row : table) {
      forms::Control* control = Find(row.Control);
      if (!control) continue;
      if (row.What == CaptionRow::Property::Caption) {
        if (control->Caption().empty()) control->SetCaption(row.English);
      } else if (control->Hint().empty()) {
        control->SetHint(row.English);
      }
    }
  }
}

}  // namespace app
