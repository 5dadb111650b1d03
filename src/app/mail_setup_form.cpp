#include "app/mail_setup_form.h"

#include "core/text.h"

namespace app {

namespace {

template <typename T>
T& On(forms::Form& form, const char* page, const char* name) {
  T& control = form.Add<T>(name);
  control.SetParent(page);
  return control;
}

forms::Control& Plain(forms::Form& form, const char* page, const char* name,
                      forms::ControlKind kind) {
  forms::Control& control = form.Add<forms::Control>(name, kind);
  if (page) control.SetParent(page);
  return control;
}

forms::Control& Label(forms::Form& form, const char* page, const char* name) {
  return Plain(form, page, name, forms::ControlKind::Label);
}

forms::TabSheet& Sheet(forms::Form& form, forms::PageControl& pages, const char* name) {
  forms::TabSheet& sheet = form.Add<forms::TabSheet>(name);
  sheet.SetParent(pages.Name());
  pages.AddPage(sheet);
  return sheet;
}

constexpr const char* kPop = "tsPop3";
constexpr const char* kSmtp = "tsSmtp";
constexpr const char* kSubjectDefault = "ClientIP Changed: #CIP#";
constexpr const char* kTextGerman = "Die IP hat sich ge\u00e4ndert in #CIP#";
constexpr const char* kTextEnglish = "The IP has changed in #CIP#";

}  // namespace

TfmSetup::TfmSetup(settings::SettingsStore& store, forms::DialogService& dialogs)
    : forms::Form("TfmSetup"),
      PageControl1(Add<forms::PageControl>("PageControl1")),
      tsPop3(Sheet(*this, PageControl1, kPop)),
      tsSmtp(Sheet(*this, PageControl1, kSmtp)),
      Label1(Label(*this, kPop, "Label1")),
      POPServer(On<forms::Edit>(*this, kPop, "POPServer")),
      POPPort(On<forms::Edit>(*this, kPop, "POPPort")),
      Label8(Label(*this, kPop, "Label8")),
      Account(On<forms::Edit>(*this, kPop, "Account")),
      label9(Label(*this, kPop, "label9")),
      Password(On<forms::Edit>(*this, kPop, "Password")),
      Label11(Label(*this, kSmtp, "Label11")),
      SMTPServer(On<forms::Edit>(*this, kSmtp, "SMTPServer")),
      SMTPPort(On<forms::Edit>(*this, kSmtp, "SMTPPort")),
      lblAuthenticationType(Label(*this, kSmtp, "lblAuthenticationType")),
      cboAuthType(On<forms::ComboBox>(*this, kSmtp, "cboAuthType")),
      lbAccount(Label(*this, kSmtp, "lbAccount")),
      edtAccount(On<forms::Edit>(*this, kSmtp, "edtAccount")),
      lbPassword(Label(*this, kSmtp, "lbPassword")),
      edtPassword(On<forms::Edit>(*this, kSmtp, "edtPassword")),
      Label10(Label(*this, kSmtp, "Label10")),
      Email(On<forms::Edit>(*this, kSmtp, "Email")),
      lblSecurity(Label(*this, kSmtp, "lblSecurity")),
      cboSecurity(On<forms::ComboBox>(*this, kSmtp, "cboSecurity")),
      lblCAFile(Label(*this, kSmtp, "lblCAFile")),
      edtCAFile(On<forms::Edit>(*this, kSmtp, "edtCAFile")),
      BitBtn1ok(Plain(*this, nullptr, "BitBtn1ok", forms::ControlKind::Button)),
      BitBtn2Default(Plain(*this, nullptr, "BitBtn2Default", forms::ControlKind::Button)),
      store_(store),
      dialogs_(dialogs) {
  SetCaption(" Stayline Mail-Setup");
  PageControl1.SetActivePage(&tsSmtp);
  store_.LoadProgramSettings();
  Password.PasswordChar = '*';
  edtPassword.PasswordChar = '*';
  cboAuthType.SetItems({"None", "Simple Login"});
  ApplyLanguage(store_.Data().Language == "1");
  FillMirror();
  ShowMirror();
  BitBtn1ok.SetCaption("OK");
  BitBtn2Default.SetCaption("Default");
  BitBtn1ok.OnClick = [this] { BitBtn1okClick(); };
  BitBtn2Default.OnClick = [this] { BitBtn2DefaultClick(); };
}

void TfmSetup::ApplyLanguage(bool german) {
  german_ = german;
  const auto both = [](forms::Control& c, const std::string& caption, const std::string& hint) {
    c.SetCaption(caption);
    c.SetHint(hint);
  };
  both(tsPop3, Tx("POP3 Einstellungen", "POP3 Settings"),
       Tx("POP3 Einstellungen", "POP3 Settings"));
  both(tsSmtp, Tx("SMTP Einstellungen", "SMTP Settings"),
       Tx("SMTP Einstellungen", "SMTP Settings"));
  both(Label1, Tx("Posteingangs-Server:", "Incoming Mail Server:"),
       Tx("Posteingangs-Server", "Incoming Mail Server"));
  both(Label8, Tx("Kontoname:", "Account:"), Tx("Kontoname", "Account"));
  both(label9, Tx("Kennwort:", "Password:"), Tx("Kennwort", "Password"));
  both(Label10, Tx("E-Mail-Adresse:", "Your Email:"), Tx("Eigene E-Mail-Adresse", "Your Email"));
  both(Label11, Tx("Postausgangs-Server:", "Outgoing Mail Server:"),
       Tx("Postausgangs-Server", "Outgoing Mail Server"));
  both(lblAuthenticationType, Tx("Typ:", "Type:"), Tx("Typ", "Type"));
  both(lbAccount, Tx("Kontoname:", "Account:"), Tx("Kontoname", "Account"));
  both(lbPassword, Tx("Kennwort:", "Password:"), Tx("Kennwort", "Password"));
  both(lblSecurity, Tx("Sicherheit:", "Security:"),
       Tx("Verschl\u00fcsselung der Verbindung zum Postausgangs-Server",
          "Encryption of the connection to the outgoing mail server"));
  both(lblCAFile, Tx("CA-Datei:", "CA file:"),
       Tx("PEM-Datei mit Zertifikaten, denen au\u00dfer denen des Systems vertraut wird",
          "PEM file of certificates trusted besides the system's"));
  // The choice stays what it was; only its texts change.
  const int security = cboSecurity.ItemIndex();
  cboSecurity.SetItems({Tx("Keine", "None"), "STARTTLS", Tx("TLS (Port 465)", "TLS (port 465)")});
  cboSecurity.SetItemIndex(security);
}

int TfmSetup::PortOf(const std::string& text, int fallback) {
  long long port = 0;
  if (!core::TryParseInt(core::Trim(text), port) || port < 0 || port > 65535) return fallback;
  return static_cast<int>(port);
}

void TfmSetup::FillMirror() {
  const settings::TRegsData& r = store_.Data();
  mirror_.Pop3Server = r.Pop3ServerName;
  mirror_.Pop3Port = PortOf(r.Pop3ServerPort, kPop3DefaultPort);
  mirror_.Pop3User = r.Pop3ServerUser;
  mirror_.Pop3Password = r.Pop3ServerPassword;
  mirror_.SmtpServer = r.SmtpServerName;
  mirror_.SmtpPort = PortOf(r.SmtpServerPort, kSmtpDefaultPort);
  mirror_.SmtpUser = r.SmtpServerUser;
  mirror_.SmtpPassword = r.SmtpServerPassword;
  mirror_.AuthType = PortOf(r.SmtpAuthType, 0) == 1 ? 1 : 0;
  mirror_.UserEmail = r.UserEmail;
  mirror_.Security = r.SmtpSecurity == "1" ? 1 : r.SmtpSecurity == "2" ? 2 : 0;
  mirror_.TlsCAFile = r.TlsCAFile;
  opened_ = mirror_;
}

void TfmSetup::ShowMirror() {
  POPServer.SetText(mirror_.Pop3Server);
  POPPort.SetText(std::to_string(mirror_.Pop3Port));
  Account.SetText(mirror_.Pop3User);
  Password.SetText(mirror_.Pop3Password);
  SMTPServer.SetText(mirror_.SmtpServer);
  SMTPPort.SetText(std::to_string(mirror_.SmtpPort));
  edtAccount.SetText(mirror_.SmtpUser);
  edtPassword.SetText(mirror_.SmtpPassword);
  cboAuthType.SetItemIndex(mirror_.AuthType);
  Email.SetText(mirror_.UserEmail);
  cboSecurity.SetItemIndex(mirror_.Security);
  edtCAFile.SetText(mirror_.TlsCAFile);
}

void TfmSetup::BitBtn1okClick() {
  mirror_.Pop3Server = POPServer.Text();
  mirror_.Pop3Port = PortOf(POPPort.Text(), kPop3DefaultPort);
  mirror_.Pop3User = Account.Text();
  mirror_.Pop3Password = Password.Text();
  mirror_.SmtpServer = SMTPServer.Text();
  mirror_.SmtpPort = PortOf(SMTPPort.Text(), kSmtpDefaultPort);
  mirror_.SmtpUser = edtAccount.Text();
  mirror_.SmtpPassword = edtPassword.Text();
  mirror_.AuthType = cboAuthType.ItemIndex() == 1 ? 1 : 0;
  mirror_.UserEmail = Email.Text();
  const int security = cboSecurity.ItemIndex();
  mirror_.Security = security == 1 || security == 2 ? security : 0;
  mirror_.TlsCAFile = core::Trim(edtCAFile.Text());
  WarnOfPlainPassword();

  settings::TRegsData& r = store_.Data();
  r.Pop3ServerName = mirror_.Pop3Server;
  r.Pop3ServerPort = std::to_string(mirror_.Pop3Port);
  r.Pop3ServerUser = mirror_.Pop3User;
  r.Pop3ServerPassword = mirror_.Pop3Password;
  r.SmtpServerName = mirror_.SmtpServer;
  r.SmtpServerPort = std::to_string(mirror_.SmtpPort);
  r.SmtpServerUser = mirror_.SmtpUser;
  r.SmtpServerPassword = mirror_.SmtpPassword;
  r.SmtpAuthType = std::to_string(mirror_.AuthType);
  r.UserEmail = mirror_.UserEmail;
  r.SmtpSecurity = std::to_string(mirror_.Security);
  r.TlsCAFile = mirror_.TlsCAFile;
  store_.SaveProgramSettings();
  SetModalResult(forms::ModalResult::OK);
}

void TfmSetup::WarnOfPlainPassword() {
  const auto plain = [](const Mirror& m) {
    return m.AuthType == 1 && !m.SmtpPassword.empty() && m.Security == 0;
  };
  const auto same = [](const Mirror& a, const Mirror& b) {
    return a.SmtpServer == b.SmtpServer && a.SmtpPort == b.SmtpPort && a.SmtpUser == b.SmtpUser &&
           a.SmtpPassword == b.SmtpPassword && a.AuthType == b.AuthType && a.Security == b.Security;
  };
  // Said once: a combination stored before has been warned of when it was stored.
  if (!plain(mirror_) || (plain(opened_) && same(mirror_, opened_))) return;
  dialogs_.MessageBox(
      Tx("Ohne Sicherheit geht das Kennwort lesbar \u00fcber das Netz. W\u00e4hlen Sie STARTTLS "
         "oder TLS, wenn Ihr Mail-Server es anbietet.",
         "Without security the password crosses the network readable. Choose STARTTLS or TLS "
         "if your mail server offers it."),
      "Stayline Mail-Setup", forms::Buttons::OK, forms::MessageKind::Warning);
}

void TfmSetup::BitBtn2DefaultClick() {
  dialogs_.Beep();
  settings::TRegsData& r = store_.Data();
  r.ESubject = kSubjectDefault;
  r.EmailText = german_ ? kTextGerman : kTextEnglish;
  store_.WriteField("ESubject");
  store_.WriteField("EmailText");
}

bool TfmSetup::TakeAnswer(std::string_view answer) {
  if (!core::EqualsNoCase(answer, "OK")) return false;
  BitBtn1ok.UserClick();
  return true;
}

forms::ModalResult TfmSetup::Execute(settings::SettingsStore& store,
                                     forms::DialogService& dialogs) {
  TfmSetup form(store, dialogs);
  return dialogs.ShowModal(form);
}

}  // namespace app
