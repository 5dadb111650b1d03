#include "settings/regs_table.h"

#include <array>

#include "platform/program_info.h"

namespace settings {

namespace {

using R = TRegsData;
using K = ValueKind;

constexpr std::array<ValueSpec, 67> kValues{{
    {"ErrorDelay", &R::ErrorDelay, K::FlagOn, "1"},
    {"TempDelay", &R::TempDelay, K::FlagOff, "0"},
    {"FTPLogFile", &R::FTPLogFile, K::FlagOff, "0"},
    {"AutoFTPCountTimeOut", &R::AutoFTPCountTimeOut, K::Text, "20"},
    {"OnlineDelay", &R::OnlineDelay, K::FlagOff, "0"},
    {"OnlineDelayTime", &R::OnlineDelayTime, K::Text, "0"},
    {"DynaHomeUrl", &R::DynaHomeUrl, K::HomeUrl, ""},
    {"DynaHomeRefresh", &R::DynaHomeRefresh, K::FlagOff, "0"},
    {"FTP_UploadPath", &R::FTP_UploadPath, K::Folder, ""},
    {"FTP_Profil", &R::FTP_Profil, K::Text, "Auto FTP"},
    {"FTP_Host", &R::FTP_Host, K::Scrambled, "ftp. (your FTP host name)"},
    {"FTP_Port", &R::FTP_Port, K::Text, "21"},
    {"Port_PassiveTransfer", &R::Port_PassiveTransfer, K::FlagOff, "0"},
    {"FTP_Login", &R::FTP_Login, K::Scrambled, "your login"},
    {"FTP_Login_Anonymus", &R::FTP_Login_Anonymus, K::FlagOff, "0"},
    {"FTP_Password", &R::FTP_Password, K::Scrambled, "please enter your password"},
    {"FTP_StartPath", &R::FTP_StartPath, K::Text, "/"},
    {"FTP_DownloadPath", &R::FTP_DownloadPath, K::Folder, ""},
    {"FTP_Trace", &R::FTP_Trace, K::FlagOn, "1"},
    {"FTP_Auto", &R::FTP_Auto, K::FlagOff, "0"},
    {"FTP_HTML_Name", &R::FTP_HTML_Name, K::Text, "mydyn.htm"},
    {"FTP_HTML_Default", &R::FTP_HTML_Default, K::Text, kDefaultHtmlPage},
    {"FTP_HTML_User", &R::FTP_HTML_User, K::HtmlUser, ""},
    {"FTP_BinaryAscii", &R::FTP_BinaryAscii, K::FlagOn, "1"},
    {"FTP_Security", &R::FTP_Security, K::FlagOff, "0"},
    {"AutoMail", &R::AutoMail, K::FlagOff, "0"},
    {"ESubject", &R::ESubject, K::Text, "ClientIP Changed: #CIP#"},
    {"EmailText", &R::EmailText, K::Text, "Die IP hat sich ge\u00e4ndert in #CIP#"},
    {"MailToText", &R::MailToText, K::Text, "name@example.com"},
    {"Pop3ServerName", &R::Pop3ServerName, K::Text, "Dein POP3 Server, z.B. pop3.example.com"},
    {"Pop3ServerPort", &R::Pop3ServerPort, K::Text, "110"},
    {"Pop3ServerUser", &R::Pop3ServerUser, K::Scrambled, "Dein POP3 Kontoname"},
    {"Pop3ServerPassword", &R::Pop3ServerPassword, K::Scrambled, "Dein POP3 Passwort"},
    {"SmtpServerName", &R::SmtpServerName, K::Text, "Dein SMTP Server, z.B. smtp.example.com"},
    {"SmtpServerPort", &R::SmtpServerPort, K::Text, "25"},
    {"SmtpServerUser", &R::SmtpServerUser, K::Scrambled, "Dein SMTP Kontoname"},
    {"SmtpServerPassword", &R::SmtpServerPassword, K::Scrambled, "Dein SMTP Passwort"},
    {"SmtpAuthType", &R::SmtpAuthType, K::Text, "0"},
    {"SmtpSecurity", &R::SmtpSecurity, K::SecurityMode, "0"},
    {"TlsCAFile", &R::TlsCAFile, K::Text, ""},
    {"UserEmail", &R::UserEmail, K::Text, "absender@example.com"},
    {"PingBlink", &R::PingBlink, K::FlagOff, "0"},
    {"IEStartSite", &R::IEStartSite, K::FlagOff, "0"},
    {"IEStartWeb", &R::IEStartWeb, K::Text, "http://dsl-support.example.com/"},
    {"Editor", &R::Editor, K::Editor, ""},
    {"Language", &R::Language, K::FlagOn, "1"},
    {"AReadFirstReg", &R::AReadFirstReg, K::ReadFirst, ""},
    {"StaylineConnection", &R::StaylineConnection, K::Text, "0"},
    {"AutoConnect", &R::AutoConnect, K::FlagOff, "0"},
    {"AutoRun", &R::AutoRun, K::FlagOff, "0"},
    {"Program", &R::Program, K::Program, ""},
    {"StartIE", &R::StartIE, K::FlagOff, "0"},
    {"LastUrl", &R::LastUrl, K::Text, "about:blank"},
    {"IEClose", &R::IEClose, K::FlagOff, "0"},
    {"PingHost", &R::PingHost, K::Text, "LocalHost"},
    {"PingInterval", &R::PingInterval, K::PingInterval, "5"},
    {"PingAuto", &R::PingAuto, K::FlagOff, "0"},
    {"PingAutoRun", &R::PingAutoRun, K::FlagOff, "0"},
    {"PingInterValMS", &R::PingInterValMS, K::IntervalUnit, "m"},
    {"ViewOnlineTimer", &R::ViewOnlineTimer, K::FlagOff, "0"},
    {"SaveOnlineTimer", &R::SaveOnlineTimer, K::FlagOff, "0"},
    {"DynDnsAuto", &R::DynDnsAuto, K::FlagOff, "0"},
    {"DynDnsServer", &R::DynDnsServer, K::Text, ""},
    {"DynDnsHosts", &R::DynDnsHosts, K::Text, ""},
    {"DynDnsUser", &R::DynDnsUser, K::Scrambled, ""},
    {"DynDnsPassword", &R::DynDnsPassword, K::Scrambled, ""},
    {"NewIPCommand", &R::NewIPCommand, K::Text, ""},
}};

void NormaliseFlag(std::string& value, std::string_view def, char keep, char other) {
  if (value.size() > 1) value.resize(1);
  if (value.empty()) value = def;
  if (value[0] != keep) value = std::string(1, other);
}

}  // namespace

std::span<const ValueSpec> RegsValueTable() {
  return kValues;
}

const ValueSpec* FindValueSpec(std::string_view name) {
  for (const auto& spec : kValues) {
    if (spec.Name == name) return &spec;
  }
  return nullptr;
}

std::string_view DefaultOf(std::string_view name) {
  const ValueSpec* spec = FindValueSpec(name);
  return spec == nullptr ? std::string_view() : spec->Default;
}

std::string DefaultHomeUrl(std::string_view startPath, std::string_view htmlName) {
  std::string url = std::string(kSampleHomeUrl) + std::string(startPath);
  if (!url.ends_with('/')) url += '/';
  return url + std::string(htmlName);
}

void NormaliseValue(const ValueSpec& spec, std::string& value, const TRegsData& record,
                    const NormaliseContext& context) {
  switch (spec.Kind) {
    case K::FlagOn:
      NormaliseFlag(value, spec.Default, '0', '1');
      return;
    case K::FlagOff:
      NormaliseFlag(value, spec.Default, '1', '0');
      return;
    case K::Text:
    case K::Scrambled:
      if (value.empty()) value = spec.Default;
      return;
    case K::Folder:
      if (value.empty()) value = context.ProgramDirectory;
      if (value.size() > 1 && (value.back() == '\\' || value.back() == '/')) value.pop_back();
      return;
    case K::Editor:
      if (!value.empty() && !platform::ProgramInfo::FileExists(value)) value.clear();
      return;
    case K::ReadFirst:
      return;
    case K::Program:
      if (!platform::ProgramInfo::FileExists(value)) {
        value = platform::ProgramInfo::FileExists(context.ProgramPath)
                    ? context.ProgramPath
                    : std::string(kProgramFileName);
      }
      return;
    case K::PingInterval:
      if (value.empty()) value = spec.Default;
      if (value[0] == '0') value[0] = '1';
      return;
    case K::IntervalUnit:
      if (value != "s") value = "m";
      return;
    case K::HomeUrl:
      // Built from the record's values, or their defaults where they are still empty.
      if (value.empty()) {
        const auto orDefault = [](const std::string& v, std::string_view name) {
          return v.empty() ? DefaultOf(name) : std::string_view(v);
        };
        value = DefaultHomeUrl(orDefault(record.FTP_StartPath, "FTP_StartPath"),
                               orDefault(record.FTP_HTML_Name, "FTP_HTML_Name"));
      }
      return;
    case K::SecurityMode:
      if (value != "1" && value != "2") value = "0";
      return;
    case K::HtmlUser:
      if (value.empty()) {
        value = record.FTP_HTML_Default.empty() ? kDefaultHtmlPage : record.FTP_HTML_Default;
      }
      return;
  }
}

}  // namespace settings
