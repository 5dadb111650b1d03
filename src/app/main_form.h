#pragma once
// The main window `TStayline` as a form model: every control, menu item, picture, the tray icon
// and the timers of the window, each reachable by its own name both as a member and through
// Form::Find. This class holds the design-time state only (captions, read-only and sorted flags,
// timer intervals, ...); the window's modules wire their handlers onto the members.
//
// Containment is kept in Control::Parent: a page, a group box or a panel by name; menu items of
// the main menu bar have the form's name as parent, popup items the name of their popup, and the
// two popup menus themselves (whose OnClick stands for "the popup opens") have none. Non-visual
// parts (timers, tray icon, tray pictures) have no parent either. Radio buttons group by parent:
// `German`/`English` in `Settings`, `MinutenIntervall`/`SekundenIntervall` in `AutoPingIntervall`.
//
// Threading: loop thread only, like every form model.

#include "core/event_loop.h"
#include "forms/check_box.h"
#include "forms/combo_box.h"
#include "forms/control.h"
#include "forms/edit.h"
#include "forms/file_dialog.h"
#include "forms/form.h"
#include "forms/image.h"
#include "forms/list_box.h"
#include "forms/list_view.h"
#include "forms/memo.h"
#include "forms/menu_item.h"
#include "forms/page_control.h"
#include "forms/progress_bar.h"
#include "forms/radio_button.h"
#include "forms/status_bar.h"
#include "forms/timer_control.h"
#include "forms/tray_icon.h"

namespace app {

class MainForm : public forms::Form {
 public:
  explicit MainForm(core::EventLoop& loop);

  // --- Page control -------------------------------------------------------------------------
  forms::PageControl& PageControl1;
  forms::TabSheet& TabSheet1;  // "Main"
  forms::TabSheet& TabSheet2;  // "DFUE / Internet"
  forms::TabSheet& TabSheet3;  // "FTP"

  // --- Main page: entry choice, dialling and connection status --------------------------------
  forms::ComboBox& ListBox1;  // sorted; its text is the entry to dial
  forms::Control& ActiveConnections;
  forms::Control& OpenDFUE;
  forms::Control& CloseDFUE;
  forms::Control& DialManual;
  forms::Control& HangUpManual;
  forms::Control& Status2;
  forms::Control& ErrorMessage;
  forms::Control& DialedConnection1;
  forms::Control& DialedConnection2;
  forms::Control& DialedConnection3;
  forms::Control& IPHandle;

  // --- Main page: group "Settings" ------------------------------------------------------------
  forms::Control& Settings;
  forms::Control& Language;
  forms::RadioButton& German;
  forms::RadioButton& English;
  forms::CheckBox& AutoRun;
  forms::CheckBox& AutoConnect;
  forms::CheckBox& StartIEBrowser;
  forms::CheckBox& CloseIEbyExit;
  forms::CheckBox& StartAutoPingBox;
  forms::CheckBox& DelayBox;
  forms::Edit& DelayTimeEdit;
  forms::Control& MinutenLabel;

  // --- Main page: group "AutoPing-Intervall" --------------------------------------------------
  forms::Control& AutoPingIntervall;
  forms::RadioButton& MinutenIntervall;
  forms::RadioButton& SekundenIntervall;
  forms::Edit& Interval;
  forms::Control& Takt;

  // --- Main page: ping ------------------------------------------------------------------------
  forms::Edit& edtHost;
  forms::Control& btnPing;
  forms::Control& StartAutoPing;
  forms::Control& StopAutoPing;
  forms::ListBox& lstReplies;

  // --- Main page: window buttons and links ----------------------------------------------------
  forms::Control& CloseProgram;
  forms::Control& ExitProgram;
  forms::Control& RemoveProgram;
  forms::Control& TranslatorHomepage;
  forms::Control& DSLDFUETreiber;
  forms::Control& LinkLabel;

  // --- DFUE / Internet page: group " DFUE Settings " ------------------------------------------
  forms::Control& DFUSettingsBox1;
  forms::ComboBox& ListBox2;  // sorted
  forms::Control& Username;
  forms::Edit& txtUserName2;
  forms::Control& Password;
  forms::Edit& txtPassword2;
  forms::Control& CreateEntry;
  forms::Control& EditEntry;
  forms::Control& RenameEntry;
  forms::Control& DeleteEntry;
  forms::Control& SaveUserName;
  forms::Control& SavePassWord;
  forms::Control& HangUpManual2;
  forms::Control& DFUChanges;

  // --- DFUE / Internet page: "Internet Settings" with the groups " Log File " and " Other " ---
  forms::Control& InternetBox1;
  forms::Control& LogFileBox;
  forms::CheckBox& WriteLogFileBox;
  forms::CheckBox& ViewOnlineTimeBox;
  forms::CheckBox& FTPLogCheckBox;
  forms::Control& OpenLogFile;
  forms::Control& OpenLogFileFTP;
  forms::Control& InstallEditor;
  forms::Control& ResetOnlineTime;
  forms::Control& ResetLogFile;
  forms::Control& OtherBox;
  forms::CheckBox& PingBlinkOnOff;
  forms::CheckBox& StartSiteBox;
  forms::Edit& StartWeb;
  forms::Image& HomeSiteBitmap;

  // --- DFUE / Internet page: client IP by mail ------------------------------------------------
  forms::Edit& MailTo;
  forms::Edit& IsClientIP;
  forms::Edit& ESubject;
  forms::Memo& EmailText;
  forms::CheckBox& AutoMailBox1;
  forms::Control& TestMail;
  forms::Control& MailSetup;
  // Beside the mail group: the dynamic-DNS update and the command on a new address.
  forms::Control& DynDnsSetup;

  // --- FTP page: auto-FTP and web-server refresh ----------------------------------------------
  forms::CheckBox& AutoFTPBox;
  forms::Edit& AutoFTPProfil;
  forms::Control& FTPSetup;
  forms::CheckBox& BrowserRefreshBox;
  forms::Edit& BrowserRefreshLineEdit;
  forms::Control& TestWebServerButton;
  forms::Edit& WEBServerInfo;

  // --- FTP page: mini FTP client --------------------------------------------------------------
  forms::ComboBox& FTPProfileBox;  // sorted
  forms::Edit& FtpServerEdit;
  forms::Edit& UserIDEdit;
  forms::Edit& CurrentDirEdit;
  forms::Control& CommandPanel;  // tool bar of the buttons below
  forms::Control& ConnectButton;
  forms::Control& CreateDirButton;
  forms::Control& DownloadButton;
  forms::Control& UploadButton;
  forms::Control& BackButton;
  forms::Control& FTPRefresh;
  forms::Control& AbortButton;
  forms::Control& DeleteButton;
  forms::Control& ProfileSetup;
  // One row per folder of the FTP folder tree view (its path), shown and chosen there.
  forms::ListView& MFtpTreeView1Dir;
  // The rows of the FTP file list view with their columns; popup MonsterPopupMenu1.
  forms::ListView& MFtpListView1File;
  forms::ListBox& DebugListBox;
  forms::StatusBar& StatusBar1;      // two panels; status texts go to Panels[1]
  forms::ProgressBar& ProgressBar1;  // moved into StatusBar1 when the FTP panel is set up
  forms::Control& MFtpMessenger1;    // protocol view feeding DebugListBox; outside the visible area

  // --- Main menu ------------------------------------------------------------------------------
  forms::MenuItem& Help2;
  forms::MenuItem& StaylinePdf;
  forms::MenuItem& OpenTimeLog;
  forms::MenuItem& OpenFTPLog;

  // --- Tray popup menu ------------------------------------------------------------------------
  forms::MenuItem& PopupMenu1;
  forms::MenuItem& PopupEinstellungen;  // title item "Stayline"
  forms::MenuItem& PopupDialing;
  forms::MenuItem& PopupHangUp;
  forms::MenuItem& PopupStopAutoPing;
  forms::MenuItem& Beenden1;

  // --- Popup menu of the FTP file list (view style items carry the style in their order) ------
  forms::MenuItem& MonsterPopupMenu1;
  forms::MenuItem& LargeIcons1;  // style 0
  forms::MenuItem& SmallIcons1;  // style 1
  forms::MenuItem& List1;        // style 2
  forms::MenuItem& Details1;     // style 3
  forms::MenuItem& CopyLocation1;

  // --- Tray icon and the hidden pictures it shows ---------------------------------------------
  forms::TrayIcon& TrayIcon;
  forms::Image& ImageNotConnect;
  forms::Image& ImageConnect;
  forms::Image& DrivePing1;
  forms::Image& DrivePing2;
  forms::Image& DrivePingX1;
  forms::Image& DrivePingX2;

  // --- File dialogs: the editor choice of the log group, upload and download of the FTP page --
  forms::FileDialog& OpenDialog1;
  forms::FileDialog& MonsterOpenDialog;  // "Upload"
  forms::FileDialog& MonsterSaveDialog;  // "Download"

  // --- Timers ---------------------------------------------------------------------------------
  forms::TimerControl& TimerCaption;
  forms::TimerControl& TimerX;
  forms::TimerControl& TimerTNA;
  forms::TimerControl& WaitTimer1;
  forms::TimerControl& TimeOutTimer;
  forms::TimerControl& DelayTimer;
  forms::TimerControl& PingTimer;
  forms::TimerControl& PingImageTimer;
  forms::TimerControl& FTPRefreshTimer;

 private:
  // Design-time state, one function per page (main_form_layout.cpp).
  void SetUpMainPage();
  void SetUpDfuePage();
  void SetUpFtpPage();
  void SetUpMenus();
  // The English texts of the caption table where the layout gave none: they hold until the
  // first tick applies the chosen language.
  void SetUpEnglishTexts();
};

}  // namespace app
