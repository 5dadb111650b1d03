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
  store_.SaveProgramSettings();
  SetModalResult(forms::ModalResult::OK);
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
