#pragma once
// MailNotifier: mails the client IP. It owns the SMTP client and the message, composes subject
// and body from the templates of the "DFUE / Internet" page (the time log asks for that when it
// writes the "E-Mail....:" line), sends the mail, and handles the page's mail controls: the
// "Auto Mail" switch, "Send Mail", the recipient, subject and text edits and the mail setup.
//
// A connect that fails (or any socket error recorded before it) switches "Auto Mail" off and
// stores that; no mail goes out. With STARTTLS or TLS chosen, the reason (e.g. "TLS: certificate
// verify failed: ...") also goes to the status bar and a " Status...:" line of the time log. A
// server that refuses the mail after the connect throws its line out of SendeEMailMessage, to the
// application's error display.
//
// Threading: loop thread only; the SMTP exchange blocks the handler (the loop keeps running).

#include <string>

#include "net/mail_message.h"
#include "net/smtp_client.h"

namespace app {

class TStayline;

class MailNotifier {
 public:
  static constexpr const char* kDefaultText = "Die IP hat sich ge\u00e4ndert in #CIP#";

  explicit MailNotifier(TStayline& main);
  MailNotifier(const MailNotifier&) = delete;
  MailNotifier& operator=(const MailNotifier&) = delete;

  // Composes and sends one mail now (the "Send Mail" button, and the status tick for "Auto
  // Mail").
  void TestMailClick();
  // MailSubject and MailBody from the templates and the client IP (inside WriteToLogFile).
  void ComposeMail();
  void SendeEMailMessage();

  void AutoMailBox1Click();
  void MailToChange();
  void ESubjectChange();
  void EmailTextChange();
  void MailSetupExecute();

  // The composed strings of the mail being sent.
  std::string MailSubject;
  std::string MailBody;

  [[nodiscard]] net::TIdSMTP& SMTP() { return smtp_; }
  [[nodiscard]] net::TIdMessage& IdMsgSend() { return message_; }

  // The memo's lines, each followed by CR LF, trimmed; the default text when that is empty.
  [[nodiscard]] static std::string TextOfLines(const std::vector<std::string>& lines);

 private:
  void FillMessage();
  void FillClient();
  void AutoMailOff();
  void ReportSecureFailure(const std::string& reason);

  TStayline& main_;
  net::TIdSMTP smtp_;
  net::TIdMessage message_;
};

}  // namespace app
