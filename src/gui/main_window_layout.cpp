#include "gui/main_window_layout.h"

namespace gui {

const std::vector<LayoutBox>& MainWindowLayout() {
  static const std::vector<LayoutBox> table = {
      // --- Main ---
      {"TabSheet1",
       nullptr,
       {{"ActiveConnections", "ListBox1", "OpenDFUE", "CloseDFUE", ""},
        {"DialManual", "HangUpManual", "Status2", ""},
        {"ErrorMessage"},
        {"DialedGroup"},
        {"Settings", "PingGroup"},
        {"RemoveProgram", "CloseProgram", "ExitProgram", "", "TranslatorHomepage", "DSLDFUETreiber",
         "LinkLabel"}}},
      // The model names no text for this frame: a title in one language would stay in it.
      {"DialedGroup",
       "",
       {{"DialedConnection1"}, {"DialedConnection2"}, {"DialedConnection3"}, {"IPHandle"}}},
      {"Settings",
       nullptr,
       {{"Language", "German", "English", ""},
        {"AutoRun"},
        {"AutoConnect"},
        {"StartIEBrowser"},
        {"CloseIEbyExit"},
        {"StartAutoPingBox"},
        {"DelayBox", "DelayTimeEdit", "MinutenLabel", ""}}},
      {"PingGroup",
       " Ping ",
       {{"AutoPingIntervall"},
        {"edtHost", "btnPing"},
        {"StartAutoPing", "StopAutoPing", ""},
        {"lstReplies"}}},
      {"AutoPingIntervall",
       nullptr,
       {{"MinutenIntervall", "SekundenIntervall"}, {"Interval", "Takt", ""}}},
      // --- DFUE / Internet ---
      {"TabSheet2",
       nullptr,
       {{"DFUSettingsBox1", "MailGroup"}, {"InternetBox1"}, {"", "DynDnsSetup"}}},
      {"DFUSettingsBox1",
       nullptr,
       {{"ListBox2"},
        {"CreateEntry", "EditEntry", "RenameEntry", "DeleteEntry", ""},
        {"Username", "txtUserName2", "SaveUserName"},
        {"Password", "txtPassword2", "SavePassWord"},
        {"HangUpManual2", "DFUChanges", ""}}},
      {"MailGroup",
       " ClientIP ---> E-Mail  ",
       {{"~To:", "MailTo"},
        {"~Client IP:", "IsClientIP"},
        {"~Subject:", "ESubject"},
        {"EmailText"},
        {"AutoMailBox1", "", "TestMail", "MailSetup"}}},
      {"InternetBox1", nullptr, {{"LogFileBox", "OtherBox"}}},
      {"LogFileBox",
       nullptr,
       {{"WriteLogFileBox", "", "OpenLogFile"},
        {"FTPLogCheckBox", "", "OpenLogFileFTP"},
        {"ViewOnlineTimeBox", "", "ResetOnlineTime"},
        {"InstallEditor", "ResetLogFile", ""}}},
      {"OtherBox",
       nullptr,
       {{"PingBlinkOnOff", ""}, {"StartSiteBox", "HomeSiteBitmap", ""}, {"StartWeb"}}},
      // --- FTP ---
      {"TabSheet3", nullptr, {{"AutoFtpGroup"}, {"MiniFtpGroup"}}},
      {"AutoFtpGroup",
       " Auto FTP ",
       {{"AutoFTPBox", "AutoFTPProfil", "FTPSetup"},
        {"BrowserRefreshBox", "BrowserRefreshLineEdit"},
        {"TestWebServerButton", "WEBServerInfo"}}},
      {"MiniFtpGroup",
       " Mini FTP ",
       {{"FTPProfileBox", "FtpServerEdit", "UserIDEdit"},
        {"CommandPanel", "CurrentDirEdit"},
        {"MFtpTreeView1Dir", "MFtpListView1File"},
        {"DebugListBox"},
        {"StatusBar1"}}},
      {"CommandPanel",
       nullptr,
       {{"ConnectButton", "CreateDirButton", "DownloadButton", "UploadButton", "BackButton",
         "FTPRefresh", "AbortButton", "DeleteButton", "ProfileSetup"}},
       true},
  };
  return table;
}

const LayoutBox* FindLayoutBox(std::string_view name) {
  for (const LayoutBox& box : MainWindowLayout()) {
    if (name == box.Name) return &box;
  }
  return nullptr;
}

}  // namespace gui
