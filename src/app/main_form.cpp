#include "app/main_form.h"

namespace app {

namespace {

using forms::ControlKind;

// A control kind without a class of its own (labels, buttons, group boxes, ...).
forms::Control& Plain(forms::Form& form, const char* parent, const char* name, ControlKind kind) {
  forms::Control& control = form.Add<forms::Control>(name, kind);
  control.SetParent(parent);
  return control;
}

forms::Control& Label(forms::Form& form, const char* parent, const char* name) {
  return Plain(form, parent, name, ControlKind::Label);
}

forms::Control& Button(forms::Form& form, const char* parent, const char* name) {
  return Plain(form, parent, name, ControlKind::Button);
}

forms::Control& ToolButton(forms::Form& form, const char* name) {
  return Plain(form, "CommandPanel", name, ControlKind::ToolButton);
}

forms::Control& GroupBox(forms::Form& form, const char* parent, const char* name) {
  return Plain(form, parent, name, ControlKind::GroupBox);
}

template <typename T>
T& Typed(forms::Form& form, const char* parent, const char* name) {
  T& control = form.Add<T>(name);
  control.SetParent(parent);
  return control;
}

forms::ListView& FolderTree(forms::Form& form, const char* parent, const char* name) {
  forms::ListView& tree = form.Add<forms::ListView>(name, ControlKind::TreeView);
  tree.SetParent(parent);
  return tree;
}

// Every image shows the picture named after it; views map that name to real artwork.
forms::Image& Picture(forms::Form& form, const char* parent, const char* name) {
  forms::Image& image = form.Add<forms::Image>(name, name);
  image.SetParent(parent);
  return image;
}

// The tray pictures are never shown in the window; the tray icon takes them by name.
forms::Image& TrayPicture(forms::Form& form, const char* name) {
  forms::Image& image = Picture(form, "", name);
  image.SetVisible(false);
  return image;
}

forms::TimerControl& Timer(forms::Form& form, core::EventLoop& loop, const char* name,
                           std::uint32_t intervalMs, bool enabled) {
  return form.Add<forms::TimerControl>(loop, name, intervalMs, enabled);
}

}  // namespace

MainForm::MainForm(core::EventLoop& loop)
    : forms::Form("TStayline"),
      // Page control
      PageControl1(Add<forms::PageControl>("PageControl1")),
      TabSheet1(Typed<forms::TabSheet>(*this, "PageControl1", "TabSheet1")),
      TabSheet2(Typed<forms::TabSheet>(*this, "PageControl1", "TabSheet2")),
      TabSheet3(Typed<forms::TabSheet>(*this, "PageControl1", "TabSheet3")),
      // Main page: entry choice, dialling and connection status
      ListBox1(Typed<forms::ComboBox>(*this, "TabSheet1", "ListBox1")),
      ActiveConnections(Label(*this, "TabSheet1", "ActiveConnections")),
      OpenDFUE(Button(*this, "TabSheet1", "OpenDFUE")),
      CloseDFUE(Button(*this, "TabSheet1", "CloseDFUE")),
      DialManual(Button(*this, "TabSheet1", "DialManual")),
      HangUpManual(Button(*this, "TabSheet1", "HangUpManual")),
      Status2(Label(*this, "TabSheet1", "Status2")),
      ErrorMessage(Label(*this, "TabSheet1", "ErrorMessage")),
      DialedConnection1(Label(*this, "TabSheet1", "DialedConnection1")),
      DialedConnection2(Label(*this, "TabSheet1", "DialedConnection2")),
      DialedConnection3(Label(*this, "TabSheet1", "DialedConnection3")),
      IPHandle(Label(*this, "TabSheet1", "IPHandle")),
      // Main page: group "Settings"
      Settings(GroupBox(*this, "TabSheet1", "Settings")),
      Language(Label(*this, "Settings", "Language")),
      German(Typed<forms::RadioButton>(*this, "Settings", "German")),
      English(Typed<forms::RadioButton>(*this, "Settings", "English")),
      AutoRun(Typed<forms::CheckBox>(*this, "Settings", "AutoRun")),
      AutoConnect(Typed<forms::CheckBox>(*this, "Settings", "AutoConnect")),
      StartIEBrowser(Typed<forms::CheckBox>(*this, "Settings", "StartIEBrowser")),
      CloseIEbyExit(Typed<forms::CheckBox>(*this, "Settings", "CloseIEbyExit")),
      StartAutoPingBox(Typed<forms::CheckBox>(*this, "Settings", "StartAutoPingBox")),
      DelayBox(Typed<forms::CheckBox>(*this, "Settings", "DelayBox")),
      DelayTimeEdit(Typed<forms::Edit>(*this, "Settings", "DelayTimeEdit")),
      MinutenLabel(Label(*this, "Settings", "MinutenLabel")),
      // Main page: group "AutoPing-Intervall"
      AutoPingIntervall(GroupBox(*this, "TabSheet1", "AutoPingIntervall")),
      MinutenIntervall(Typed<forms::RadioButton>(*this, "AutoPingIntervall", "MinutenIntervall")),
      SekundenIntervall(Typed<forms::RadioButton>(*this, "AutoPingIntervall", "SekundenIntervall")),
      Interval(Typed<forms::Edit>(*this, "AutoPingIntervall", "Interval")),
      Takt(Label(*this, "AutoPingIntervall", "Takt")),
      // Main page: ping
      edtHost(Typed<forms::Edit>(*this, "TabSheet1", "edtHost")),
      btnPing(Button(*this, "TabSheet1", "btnPing")),
      StartAutoPing(Button(*this, "TabSheet1", "StartAutoPing")),
      StopAutoPing(Button(*this, "TabSheet1", "StopAutoPing")),
      lstReplies(Typed<forms::ListBox>(*this, "TabSheet1", "lstReplies")),
      // Main page: window buttons and links
      CloseProgram(Plain(*this, "TabSheet1", "CloseProgram", ControlKind::SpeedButton)),
      ExitProgram(Plain(*this, "TabSheet1", "ExitProgram", ControlKind::SpeedButton)),
      RemoveProgram(Button(*this, "TabSheet1", "RemoveProgram")),
      TranslatorHomepage(Label(*this, "TabSheet1", "TranslatorHomepage")),
      DSLDFUETreiber(Label(*this, "TabSheet1", "DSLDFUETreiber")),
      LinkLabel(Label(*this, "TabSheet1", "LinkLabel")),
      // DFUE / Internet page: group " DFUE Settings "
      DFUSettingsBox1(GroupBox(*this, "TabSheet2", "DFUSettingsBox1")),
      ListBox2(Typed<forms::ComboBox>(*this, "DFUSettingsBox1", "ListBox2")),
      Username(Label(*this, "DFUSettingsBox1", "Username")),
      txtUserName2(Typed<forms::Edit>(*this, "DFUSettingsBox1", "txtUserName2")),
      Password(Label(*this, "DFUSettingsBox1", "Password")),
      txtPassword2(Typed<forms::Edit>(*this, "DFUSettingsBox1", "txtPassword2")),
      CreateEntry(Button(*this, "DFUSettingsBox1", "CreateEntry")),
      EditEntry(Button(*this, "DFUSettingsBox1", "EditEntry")),
      RenameEntry(Button(*this, "DFUSettingsBox1", "RenameEntry")),
      DeleteEntry(Button(*this, "DFUSettingsBox1", "DeleteEntry")),
      SaveUserName(Button(*this, "DFUSettingsBox1", "SaveUserName")),
      SavePassWord(Button(*this, "DFUSettingsBox1", "SavePassWord")),
      HangUpManual2(Button(*this, "DFUSettingsBox1", "HangUpManual2")),
      DFUChanges(Label(*this, "DFUSettingsBox1", "DFUChanges")),
      // DFUE / Internet page: "Internet Settings" with " Log File " and " Other "
      InternetBox1(GroupBox(*this, "TabSheet2", "InternetBox1")),
      LogFileBox(GroupBox(*this, "InternetBox1", "LogFileBox")),
      WriteLogFileBox(Typed<forms::CheckBox>(*this, "LogFileBox", "WriteLogFileBox")),
      ViewOnlineTimeBox(Typed<forms::CheckBox>(*this, "LogFileBox", "ViewOnlineTimeBox")),
      FTPLogCheckBox(Typed<forms::CheckBox>(*this, "LogFileBox", "FTPLogCheckBox")),
      OpenLogFile(Button(*this, "LogFileBox", "OpenLogFile")),
      OpenLogFileFTP(Button(*this, "LogFileBox", "OpenLogFileFTP")),
      InstallEditor(Button(*this, "LogFileBox", "InstallEditor")),
      ResetOnlineTime(Button(*this, "LogFileBox", "ResetOnlineTime")),
      ResetLogFile(Button(*this, "LogFileBox", "ResetLogFile")),
      OtherBox(GroupBox(*this, "InternetBox1", "OtherBox")),
      PingBlinkOnOff(Typed<forms::CheckBox>(*this, "OtherBox", "PingBlinkOnOff")),
      StartSiteBox(Typed<forms::CheckBox>(*this, "OtherBox", "StartSiteBox")),
      StartWeb(Typed<forms::Edit>(*this, "OtherBox", "StartWeb")),
      HomeSiteBitmap(Picture(*this, "OtherBox", "HomeSiteBitmap")),
      // DFUE / Internet page: client IP by mail
      MailTo(Typed<forms::Edit>(*this, "TabSheet2", "MailTo")),
      IsClientIP(Typed<forms::Edit>(*this, "TabSheet2", "IsClientIP")),
      ESubject(Typed<forms::Edit>(*this, "TabSheet2", "ESubject")),
      EmailText(Typed<forms::Memo>(*this, "TabSheet2", "EmailText")),
      AutoMailBox1(Typed<forms::CheckBox>(*this, "TabSheet2", "AutoMailBox1")),
      TestMail(Button(*this, "TabSheet2", "TestMail")),
      MailSetup(Button(*this, "TabSheet2", "MailSetup")),
      DynDnsSetup(Button(*this, "TabSheet2", "DynDnsSetup")),
      // FTP page: auto-FTP and web-server refresh
      AutoFTPBox(Typed<forms::CheckBox>(*this, "TabSheet3", "AutoFTPBox")),
      AutoFTPProfil(Typed<forms::Edit>(*this, "TabSheet3", "AutoFTPProfil")),
      FTPSetup(Plain(*this, "TabSheet3", "FTPSetup", ControlKind::SpeedButton)),
      BrowserRefreshBox(Typed<forms::CheckBox>(*this, "TabSheet3", "BrowserRefreshBox")),
      BrowserRefreshLineEdit(Typed<forms::Edit>(*this, "TabSheet3", "BrowserRefreshLineEdit")),
      TestWebServerButton(Button(*this, "TabSheet3", "TestWebServerButton")),
      WEBServerInfo(Typed<forms::Edit>(*this, "TabSheet3", "WEBServerInfo")),
      // FTP page: mini FTP client
      FTPProfileBox(Typed<forms::ComboBox>(*this, "TabSheet3", "FTPProfileBox")),
      FtpServerEdit(Typed<forms::Edit>(*this, "TabSheet3", "FtpServerEdit")),
      UserIDEdit(Typed<forms::Edit>(*this, "TabSheet3", "UserIDEdit")),
      CurrentDirEdit(Typed<forms::Edit>(*this, "TabSheet3", "CurrentDirEdit")),
      CommandPanel(Plain(*this, "TabSheet3", "CommandPanel", ControlKind::Panel)),
      ConnectButton(ToolButton(*this, "ConnectButton")),
      CreateDirButton(ToolButton(*this, "CreateDirButton")),
      DownloadButton(ToolButton(*this, "DownloadButton")),
      UploadButton(ToolButton(*this, "UploadButton")),
      BackButton(ToolButton(*this, "BackButton")),
      FTPRefresh(ToolButton(*this, "FTPRefresh")),
      AbortButton(ToolButton(*this, "AbortButton")),
      DeleteButton(ToolButton(*this, "DeleteButton")),
      ProfileSetup(ToolButton(*this, "ProfileSetup")),
      MFtpTreeView1Dir(FolderTree(*this, "TabSheet3", "MFtpTreeView1Dir")),
      MFtpListView1File(Typed<forms::ListView>(*this, "TabSheet3", "MFtpListView1File")),
      DebugListBox(Typed<forms::ListBox>(*this, "TabSheet3", "DebugListBox")),
      StatusBar1(Typed<forms::StatusBar>(*this, "TabSheet3", "StatusBar1")),
      ProgressBar1(Typed<forms::ProgressBar>(*this, "TabSheet3", "ProgressBar1")),
      MFtpMessenger1(Plain(*this, "TabSheet3", "MFtpMessenger1", ControlKind::Other)),
      // Main menu
      Help2(Typed<forms::MenuItem>(*this, "TStayline", "Help2")),
      StaylinePdf(Typed<forms::MenuItem>(*this, "Help2", "StaylinePdf")),
      OpenTimeLog(Typed<forms::MenuItem>(*this, "Help2", "OpenTimeLog")),
      OpenFTPLog(Typed<forms::MenuItem>(*this, "Help2", "OpenFTPLog")),
      // Tray popup menu
      PopupMenu1(Typed<forms::MenuItem>(*this, "", "PopupMenu1")),
      PopupEinstellungen(Typed<forms::MenuItem>(*this, "PopupMenu1", "PopupEinstellungen")),
      PopupDialing(Typed<forms::MenuItem>(*this, "PopupMenu1", "PopupDialing")),
      PopupHangUp(Typed<forms::MenuItem>(*this, "PopupMenu1", "PopupHangUp")),
      PopupStopAutoPing(Typed<forms::MenuItem>(*this, "PopupMenu1", "PopupStopAutoPing")),
      Beenden1(Typed<forms::MenuItem>(*this, "PopupMenu1", "Beenden1")),
      // Popup menu of the FTP file list
      MonsterPopupMenu1(Typed<forms::MenuItem>(*this, "", "MonsterPopupMenu1")),
      LargeIcons1(Typed<forms::MenuItem>(*this, "MonsterPopupMenu1", "LargeIcons1")),
      SmallIcons1(Typed<forms::MenuItem>(*this, "MonsterPopupMenu1", "SmallIcons1")),
      List1(Typed<forms::MenuItem>(*this, "MonsterPopupMenu1", "List1")),
      Details1(Typed<forms::MenuItem>(*this, "MonsterPopupMenu1", "Details1")),
      CopyLocation1(Typed<forms::MenuItem>(*this, "MonsterPopupMenu1", "CopyLocation1")),
      // Tray icon and its pictures
      TrayIcon(Add<forms::TrayIcon>("TrayIcon")),
      ImageNotConnect(TrayPicture(*this, "ImageNotConnect")),
      ImageConnect(TrayPicture(*this, "ImageConnect")),
      DrivePing1(TrayPicture(*this, "DrivePing1")),
      DrivePing2(TrayPicture(*this, "DrivePing2")),
      DrivePingX1(TrayPicture(*this, "DrivePingX1")),
      DrivePingX2(TrayPicture(*this, "DrivePingX2")),
      // File dialogs
      OpenDialog1(Add<forms::FileDialog>("OpenDialog1", forms::FileDialog::Mode::Open)),
      MonsterOpenDialog(Add<forms::FileDialog>("MonsterOpenDialog", forms::FileDialog::Mode::Open)),
      MonsterSaveDialog(Add<forms::FileDialog>("MonsterSaveDialog", forms::FileDialog::Mode::Save)),
      // Timers. TimerX runs from creation until the start-up switches it off; the recovery waits
      // and the auto-FTP start keep their design intervals and are run at 1000 ms as countdowns.
      TimerCaption(Timer(*this, loop, "TimerCaption", 1000, false)),
      TimerX(Timer(*this, loop, "TimerX", 1000, true)),
      TimerTNA(Timer(*this, loop, "TimerTNA", 1, false)),
      WaitTimer1(Timer(*this, loop, "WaitTimer1", 5000, false)),
      TimeOutTimer(Timer(*this, loop, "TimeOutTimer", 20000, false)),
      DelayTimer(Timer(*this, loop, "DelayTimer", 1000, false)),
      PingTimer(Timer(*this, loop, "PingTimer", 1000, false)),
      PingImageTimer(Timer(*this, loop, "PingImageTimer", 1000, false)),
      FTPRefreshTimer(Timer(*this, loop, "FTPRefreshTimer", 1000, false)) {
  PageControl1.AddPage(TabSheet1);
  PageControl1.AddPage(TabSheet2);
  PageControl1.AddPage(TabSheet3);
  SetUpMainPage();
  SetUpDfuePage();
  SetUpFtpPage();
  SetUpMenus();
  SetUpEnglishTexts();
}

}  // namespace app
