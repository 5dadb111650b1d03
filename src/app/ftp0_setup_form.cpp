#include "app/ftp0_setup_form.h"

#include "core/text.h"
#include "settings/regs_table.h"

namespace app {

namespace {

constexpr const char* kAutoFtpProfile = "Auto FTP";

forms::Edit& PageEdit(forms::Form& form, const char* name) {
  forms::Edit& edit = form.Add<forms::Edit>(name);
  edit.SetParent("TabSheet1");
  return edit;
}

forms::Control& PageLabel(forms::Form& form, const char* name) {
  forms::Control& label = form.Add<forms::Control>(name, forms::ControlKind::Label);
  label.SetParent("TabSheet1");
  return label;
}

}  // namespace

Tftp0Setup::Tftp0Setup(settings::SettingsStore& store, forms::DialogService& dialogs)
    : FtpSetupForm("Tftp0Setup", Kind::AutoFtp, store, dialogs),
      ProfilName(PageEdit(*this, "ProfilName")),
      HtmlName(PageEdit(*this, "HtmlName")),
      MySetUpDynaUrlLabel(PageLabel(*this, "MySetUpDynaUrlLabel")),
      MySetUpDynaUrlEdit(PageEdit(*this, "MySetUpDynaUrlEdit")) {
  SetCaption(" Stayline Auto-FTP Setup");
  ProfilName.SetReadOnly(true);
  ProfilName.SetHint("Profil-Name");
  Fill();
  ApplyLanguage(German());
  BitBtn2Default.OnClick = [this] { DefaultClick(); };
  BitBtn1ok.OnClick = [this] { OkClick(); };
}

void Tftp0Setup::ApplyLanguage(bool german) {
  FtpSetupForm::ApplyLanguage(german);
  HtmlName.SetHint(Tx("Name der HTML-Datei die zum FTP-Server \u00fcbertragen werden soll",
                      "That is the HTML-File to transferring to FTP server"));
  MySetUpDynaUrlLabel.SetCaption(Tx("Meine RuveRE URL:", "My RuveRE URL:"));
  MySetUpDynaUrlLabel.SetHint(Tx("Meine RuveRE URL", "My RuveRE URL"));
  MySetUpDynaUrlEdit.SetHint(MySetUpDynaUrlLabel.Hint());
  // Names the page file the settings hold, not what the user may be typing into HtmlName.
  HTMLText.SetHint(german ? "HTMLText der in: " + Regs().FTP_HTML_Name + " steht"
                          : "This is the HTML-Text in: " + Regs().FTP_HTML_Name);
}

void Tftp0Setup::Fill() {
  const settings::TRegsData& r = Regs();
  ProfilName.SetText(r.FTP_Profil);
  ServerHostName.SetText(r.FTP_Host);
  FTPPassword.SetText(r.FTP_Password);
  HostPath.SetText(r.FTP_StartPath);
  UploadPath.SetText(r.FTP_UploadPath);
  DownloadPath.SetText(r.FTP_DownloadPath);
  HtmlName.SetText(r.FTP_HTML_Name);
  FTPPort.SetText(r.FTP_Port);
  MySetUpDynaUrlEdit.SetText(r.DynaHomeUrl);
  // Copies: checking a box writes its flag into the record.
  const std::string passive = r.Port_PassiveTransfer, binary = r.FTP_BinaryAscii,
                    trace = r.FTP_Trace, anonymous = r.FTP_Login_Anonymus, tls = r.FTP_Security;
  PassiveTransferBox.SetChecked(passive != "0");
  BinaryAsciiBox.SetChecked(binary != "0");
  TraceBox.SetChecked(trace != "0");
  AnonymousBox.SetChecked(anonymous != "0");
  TlsBox.SetChecked(tls == "1");
  ShowLogin(r.FTP_Login);
  HTMLText.SetText(r.FTP_HTML_User);
}

void Tftp0Setup::DefaultClick() {
  Dialogs().Beep();
  settings::TRegsData& r = Regs();
  r.FTP_HTML_User = r.FTP_HTML_Default;
  Store().WriteField("FTP_HTML_User");
  HTMLText.SetText(r.FTP_HTML_User);
  r.FTP_HTML_Name = "mydyn.htm";
  HtmlName.SetText(r.FTP_HTML_Name);
  r.FTP_Port = "21";
  FTPPort.SetText(r.FTP_Port);
  r.DynaHomeUrl = settings::DefaultHomeUrl(r.FTP_StartPath, r.FTP_HTML_Name);
  MySetUpDynaUrlEdit.SetText(r.DynaHomeUrl);
  Store().WriteField("DynaHomeUrl");
}

void Tftp0Setup::OkClick() {
  settings::TRegsData& r = Regs();
  if (const std::string url = Trimmed(MySetUpDynaUrlEdit); !url.empty()) {
    r.DynaHomeUrl = url;
    Store().WriteField("DynaHomeUrl");
  }
  // Empty edits leave their settings as they are.
  const auto take = [](const forms::Edit& edit, std::string& setting) {
    if (const std::string text = Trimmed(edit); !text.empty()) setting = text;
  };
  const std::string profile = Trimmed(ProfilName);
  if (!profile.empty()) {
    // The auto-FTP values are always the profile "Auto FTP"; another name only names the copy.
    r.FTP_Profil = core::EqualsNoCase(profile, kAutoFtpProfile) ? profile : kAutoFtpProfile;
  }
  take(ServerHostName, r.FTP_Host);
  if (const std::string login = Trimmed(LoginName);
      !login.empty() && !core::EqualsNoCase(login, "anonymous")) {
    r.FTP_Login = login;
  }
  take(FTPPassword, r.FTP_Password);
  take(HostPath, r.FTP_StartPath);
  take(UploadPath, r.FTP_UploadPath);
  take(DownloadPath, r.FTP_DownloadPath);
  take(HtmlName, r.FTP_HTML_Name);
  take(FTPPort, r.FTP_Port);

  const std::string page = MemoText();
  r.FTP_HTML_User = page.empty() ? r.FTP_HTML_Default : page;
  Store().WriteField("FTP_HTML_User");
  Store().SaveProgramSettings();

  StoreProfile(profile, page);
  SetModalResult(forms::ModalResult::OK);
}

forms::ModalResult Tftp0Setup::Execute(settings::SettingsStore& store,
                                       forms::DialogService& dialogs) {
  Tftp0Setup form(store, dialogs);
  return dialogs.ShowModal(form);
}

}  // namespace app
