#include "app/mail_notifier.h"

#include "app/mail_setup_form.h"
#include "app/t_stayline.h"
#include "app/time_log_writer.h"
#include "core/text.h"
#include "net/network_error.h"

namespace app {

namespace {

constexpr const char* kPlaceholder = "#CIP#";
constexpr const char* kLogLabel = "E-Mail....:";

}  // namespace

MailNotifier::MailNotifier(TStayline& main) : main_(main), smtp_(main.Loop()) {
  MainForm& f = main_.Form();
  f.AutoMailBox1.OnClick = [this] { AutoMailBox1Click(); };
  f.TestMail.OnClick = [this] { TestMailClick(); };
  f.MailSetup.OnClick = [this] { MailSetupExecute(); };
  f.MailTo.OnChange = [this] { MailToChange(); };
  f.ESubject.OnChange = [this] { ESubjectChange(); };
  f.EmailText.OnChange = [this] { EmailTextChange(); };
  message_.ContentType = "text/plain";
}

void MailNotifier::TestMailClick() {
  MainForm& f = main_.Form();
  f.TestMail.SetEnabled(false);
  MailBody.clear();
  MailSubject.clear();
  main_.TimeLog().WriteToLogFile(kLogLabel, main_.State().OnlineTimeLogText, true);
  SendeEMailMessage();
  // Not reached when the server refused the mail: the button stays off until the next tick.
  f.TestMail.SetEnabled(true);
}

void MailNotifier::ComposeMail() {
  MainForm& f = main_.Form();
  const std::string ip = core::Trim(main_.State().LastClientIP);
  MailSubject = core::ReplaceAllNoCase(core::Trim(f.ESubject.Text()), kPlaceholder, ip);
  std::string body;
  for (const auto& line : f.EmailText.Lines()) body += line + "\r\n";
  body = core::ReplaceAllNoCase(body, kPlaceholder, ip);
  if (f.AutoMailBox1.Checked()) {
    const std::string computer = net::TIdSMTP::ComputerName();
    const std::string stamp = main_.TimeLog().GetTimeDate();
    const std::string online = main_.State().OnlineTimeLogText;
    const std::string head =
        main_.German()
            ? "Der Computer " + computer + " erhielt am: " + stamp + " die ClientIP: " + ip +
                  "\r\nStayline ist online, seit: " + online + " (d:h:m:s,ms)\r\n\r\n"
            : "The computer " + computer + " got the ClientIP " + ip + " on " + stamp +
                  "\r\nStayline is online, since: " + online + " (d:h:m:s,ms)\r\n\r\n";
    body = core::Trim(head + body);
  }
  MailBody = body;
}

void MailNotifier::FillMessage() {
  const settings::TRegsData& r = main_.Regs();
  message_.Body = MailBody;
  message_.From = r.UserEmail;
  message_.SetRecipientsText(r.MailToText);
  message_.Subject = MailSubject;
  message_.Priority = net::TIdMessagePriority::mpHighest;
  message_.CcList.clear();
  message_.BccList.clear();
  message_.ReceiptRecipient.clear();
}

void MailNotifier::FillClient() {
  const settings::TRegsData& r = main_.Regs();
  if (r.SmtpAuthType == "0") smtp_.AuthenticationType = net::SmtpAuthentication::None;
  if (r.SmtpAuthType == "1") smtp_.AuthenticationType = net::SmtpAuthentication::Login;
  smtp_.UserId = r.SmtpServerUser;
  smtp_.Password = r.SmtpServerPassword;
  smtp_.Host = core::Trim(r.SmtpServerName);
  long long port = 0;
  // A port that is no number cannot be connected to: the connect fails like an absent server.
  smtp_.Port = core::TryParseInt(core::Trim(r.SmtpServerPort), port) ? static_cast<int>(port) : 0;
  smtp_.Security = r.SmtpSecurity == "1"   ? net::SmtpSecurity::StartTls
                   : r.SmtpSecurity == "2" ? net::SmtpSecurity::Tls
                                           : net::SmtpSecurity::None;
  smtp_.TlsCAFile = core::Trim(r.TlsCAFile);
}

void MailNotifier::ReportSecureFailure(const std::string& reason) {
  // Without security a failed connect only beeps, as ever; with it the reason (a certificate
  // that does not verify, no STARTTLS) is something the user must see to mend.
  if (smtp_.Security == net::SmtpSecurity::None) return;
  const std::string text = "E-Mail: " + main_.Tx("Fehler: ", "Error: ") + reason;
  main_.Form().StatusBar1.SetPanel(1, text);
  main_.TimeLog().WriteToLogFile(" Status...:", text, false);
}

void MailNotifier::AutoMailOff() {
  main_.Form().AutoMailBox1.SetChecked(false);
  // Also during the dial delay, when the box's handler does nothing.
  main_.Regs().AutoMail = "0";
  main_.Store().WriteField("AutoMail");
}

void MailNotifier::SendeEMailMessage() {
  FillMessage();
  FillClient();
  try {
    if (!smtp_.Connect()) main_.Beep();
    if (net::NetworkErrorFlag()) {
      ReportSecureFailure(net::NetworkErrorText());
      net::ClearNetworkError();
      smtp_.Disconnect();
      AutoMailOff();
      return;
    }
    smtp_.Send(message_);
  } catch (...) {
    smtp_.Disconnect();
    throw;
  }
  smtp_.Disconnect();
}

void MailNotifier::AutoMailBox1Click() {
  MainState& s = main_.State();
  if (s.DialDelayActive) return;
  settings::TRegsData& r = main_.Regs();
  if (main_.Form().AutoMailBox1.Checked()) {
    r.AutoMail = "1";
    s.MailPending = true;  // a mail for the current address goes out at the next tick
  } else {
    r.AutoMail = "0";
  }
  main_.Store().WriteField("AutoMail");
}

void MailNotifier::MailToChange() {
  MainForm& f = main_.Form();
  if (!f.MailTo.Enabled()) return;
  const std::string& text = f.MailTo.Text();
  if (text.find('@') == std::string::npos || text.find('.') == std::string::npos) return;
  main_.Regs().MailToText = text;
  main_.Store().WriteField("MailToText");
}

void MailNotifier::ESubjectChange() {
  const std::string& text = main_.Form().ESubject.Text();
  if (core::Trim(text).empty()) return;
  main_.Regs().ESubject = text;
  main_.Store().WriteField("ESubject");
}

std::string MailNotifier::TextOfLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) text += line + "\r\n";
  text = core::Trim(text);
  return text.empty() ? kDefaultText : text;
}

void MailNotifier::EmailTextChange() {
  main_.Regs().EmailText = TextOfLines(main_.Form().EmailText.Lines());
  main_.Store().WriteField("EmailText");
}

void MailNotifier::MailSetupExecute() {
  TfmSetup::Execute(main_.Store(), main_.Dialogs());
  MainForm& f = main_.Form();
  const settings::TRegsData& r = main_.Regs();
  // Copies: clearing the memo runs its change handler, which stores the default text in the
  // record before the stored one is put back.
  const std::string text = r.EmailText;
  const std::string subject = r.ESubject;
  f.EmailText.ClearLines();
  f.EmailText.SetText(text);
  f.ESubject.SetText(subject);
}

}  // namespace app
