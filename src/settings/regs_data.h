#pragma once
// TRegsData: the settings record, one text per registry value of the program's key, named like
// the value ("FTP_Login_Anonymus" and "PingInterValMS" included). Flags hold "1"/"0", numbers
// decimal text; scrambled values are held in plain text here. The value table with defaults and
// normalisation is in regs_table.h; the store that loads and saves it in settings_store.h.
//
// Threading: user-interface thread only.

#include <string>
#include <string_view>

namespace settings {

struct TRegsData {
  std::string ErrorDelay;
  std::string TempDelay;
  std::string FTPLogFile;
  std::string AutoFTPCountTimeOut;
  std::string OnlineDelay;
  std::string OnlineDelayTime;
  std::string DynaHomeUrl;
  std::string DynaHomeRefresh;
  std::string FTP_UploadPath;
  std::string FTP_Profil;
  std::string FTP_Host;
  std::string FTP_Port;
  std::string Port_PassiveTransfer;
  std::string FTP_Login;
  std::string FTP_Login_Anonymus;
  std::string FTP_Password;
  std::string FTP_StartPath;
  std::string FTP_DownloadPath;
  std::string FTP_Trace;
  std::string FTP_Auto;
  std::string FTP_HTML_Name;
  std::string FTP_HTML_Default;
  std::string FTP_HTML_User;
  std::string FTP_BinaryAscii;
  std::string FTP_Security;
  std::string AutoMail;
  std::string ESubject;
  std::string EmailText;
  std::string MailToText;
  std::string Pop3ServerName;
  std::string Pop3ServerPort;
  std::string Pop3ServerUser;
  std::string Pop3ServerPassword;
  std::string SmtpServerName;
  std::string SmtpServerPort;
  std::string SmtpServerUser;
  std::string SmtpServerPassword;
  std::string SmtpAuthType;
  std::string SmtpSecurity;
  std::string TlsCAFile;
  std::string UserEmail;
  std::string PingBlink;
  std::string IEStartSite;
  std::string IEStartWeb;
  std::string Editor;
  std::string Language;
  std::string AReadFirstReg;
  std::string StaylineConnection;
  std::string AutoConnect;
  std::string AutoRun;
  std::string Program;
  std::string StartIE;
  std::string LastUrl;
  std::string IEClose;
  std::string PingHost;
  std::string PingInterval;
  std::string PingAuto;
  std::string PingAutoRun;
  std::string PingInterValMS;
  std::string ViewOnlineTimer;
  std::string SaveOnlineTimer;
  std::string DynDnsAuto;
  std::string DynDnsServer;
  std::string DynDnsHosts;
  std::string DynDnsUser;
  std::string DynDnsPassword;
  std::string NewIPCommand;

  // The field of a value by its exact name; throws std::out_of_range for an unknown name.
  std::string& Field(std::string_view valueName);
  const std::string& Field(std::string_view valueName) const;

  bool operator==(const TRegsData&) const = default;
};

}  // namespace settings
