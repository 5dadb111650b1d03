#include "app/ftp_setup_form.h"

#include "app/bu_select_directory.h"
#include "core/text.h"
#include "platform/registry.h"

namespace app {

namespace {

using forms::ControlKind;

template <typename T>
T& Typed(forms::Form& form, const char* name) {
  T& control = form.Add<T>(name);
  control.SetParent("TabSheet1");
  return control;
}

forms::Control& Plain(forms::Form& form, const char* name, ControlKind kind) {
  forms::Control& control = form.Add<forms::Control>(name, kind);
  if (kind != ControlKind::TabSheet) control.SetParent("TabSheet1");
  return control;
}

forms::Control& Label(forms::Form& form, const char* name) {
  return Plain(form, name, ControlKind::Label);
}

std::string Flag(const forms::CheckBox& box) {
  return box.Checked() ? "1" : "0";
}

// Where the folder picker starts when the edit is empty: the top of the file system.
constexpr const char* kPickerRoot = "/";

}  // namespace

FtpSetupForm::FtpSetupForm(std::string name, Kind kind, settings::SettingsStore& store,
                           forms::DialogService& dialogs)
    : forms::Form(std::move(name)),
      TabSheet1(Plain(*this, "TabSheet1", ControlKind::TabSheet)),
      ProfilNameLabel(Label(*this, "ProfilNameLabel")),
      ServerHostNameLabel(Label(*this, "ServerHostNameLabel")),
      ServerHostName(Typed<forms::Edit>(*this, "ServerHostName")),
      LoginNameLabel(Label(*this, "LoginNameLabel")),
      LoginName(Typed<forms::Edit>(*this, "LoginName")),
      FTPPasswordLabel(Label(*this, "FTPPasswordLabel")),
      FTPPassword(Typed<forms::Edit>(*this, "FTPPassword")),
      HostPathLabel(Label(*this, "HostPathLabel")),
      HostPath(Typed<forms::Edit>(*this, "HostPath")),
      UploadPathLabel(Label(*this, "UploadPathLabel")),
      UploadPath(Typed<forms::Edit>(*this, "UploadPath")),
      UploadPathButton(Plain(*this, "UploadPathButton", ControlKind::SpeedButton)),
      DownloadPathLabel(Label(*this, "DownloadPathLabel")),
      DownloadPath(Typed<forms::Edit>(*this, "DownloadPath")),
      DownloadPathButton(Plain(*this, "DownloadPathButton", ControlKind::SpeedButton)),
      FTPPortLabel(Label(*this, "FTPPortLabel")),
      FTPPort(Typed<forms::Edit>(*this, "FTPPort")),
      PassiveTransferBox(Typed<forms::CheckBox>(*this, "PassiveTransferBox")),
      BinaryAsciiBox(Typed<forms::CheckBox>(*this, "BinaryAsciiBox")),
      TraceBox(Typed<forms::CheckBox>(*this, "TraceBox")),
      AnonymousBox(Typed<forms::CheckBox>(*this, "AnonymousBox")),
      TlsBox(Typed<forms::CheckBox>(*this, "TlsBox")),
      HTMLText(Typed<forms::Memo>(*this, "HTMLText")),
      BitBtn2Default(Plain(*this, "BitBtn2Default", ControlKind::Button)),
      BitBtn1ok(Plain(*this, "BitBtn1ok", ControlKind::Button)),
      store_(store),
      dialogs_(dialogs),
      kind_(kind),
      german_(true) {
  store_.LoadProgramSettings();
  FTPPassword.PasswordChar = '*';
  FtpSetupForm::ApplyLanguage(Regs().Language == "1");

  PassiveTransferBox.OnClick = [this] {
    BoxClicked(PassiveTransferBox, &settings::TRegsData::Port_PassiveTransfer);
  };
  BinaryAsciiBox.OnClick = [this] {
    BoxClicked(BinaryAsciiBox, &settings::TRegsData::FTP_BinaryAscii);
  };
  TraceBox.OnClick = [this] { BoxClicked(TraceBox, &settings::TRegsData::FTP_Trace); };
  AnonymousBox.OnClick = [this] { AnonymousClicked(); };
  TlsBox.OnClick = [this] { BoxClicked(TlsBox, &settings::TRegsData::FTP_Security); };
  UploadPathButton.OnClick = [this] {
    PickFolder(UploadPath, UploadPathButton, "Upload Ordner ausw\u00e4hlen", "Select Upload Path");
  };
  DownloadPathButton.OnClick = [this] {
    PickFolder(DownloadPath, DownloadPathButton, "Download Ordner ausw\u00e4hlen",
               "Select Download Path");
  };
}

void FtpSetupForm::ApplyLanguage(bool german) {
  german_ = german;
  const bool profiles = kind_ == Kind::Profiles;
  TabSheet1.SetCaption(profiles ? Tx("Mini-FTP Einstellungen", "Mini-FTP Setting")
                                : Tx("Auto-FTP Einstellungen", "Auto-FTP Setting"));
  ProfilNameLabel.SetCaption("Profil-Name:");
  ProfilNameLabel.SetHint("Profil-Name");
  ServerHostNameLabel.SetCaption(Tx("Server Host-Adresse:", "Server Host-Adress:"));
  ServerHostNameLabel.SetHint(Tx("Server Host-Adresse", "Server Host-Adress"));
  ServerHostName.SetHint(Tx("FTP Server Host-Adresse", "FTP Server Host-Adress"));
  LoginNameLabel.SetCaption("Login-ID:");
  LoginNameLabel.SetHint(Tx("Login Identifikation", "Login Identification"));
  LoginName.SetHint(Tx("Login Identifikation, meist E-Mail-Adresse",
                       "Login identification, most of electronic mail address"));
  FTPPasswordLabel.SetCaption(Tx("Kennwort:", "Password:"));
  FTPPasswordLabel.SetHint(Tx("Kennwort", "Password"));
  FTPPassword.SetHint(Tx("FTP Kennwort", "FTP Password"));
  HostPathLabel.SetCaption(Tx("Host Ordner:", "Host Directory:"));
  HostPathLabel.SetHint(Tx("Server Host Ordner", "Server Host Directory"));
  HostPath.SetHint(Tx("FTP Server Host Ordner", "FTP Server Host Directory"));
  UploadPathLabel.SetCaption(profiles ? Tx("Upload Ordner:", "Upload Directory:")
                                      : Tx("Upload Ordner", "Upload Directory"));
  const std::string uploadHint = profiles ? Tx("Upload Ordner", "Upload Directory")
                                          : Tx("HTML-Datei Ordner, muss der Stayline-Ordner sein",
                                               "HTML file path must be the Stayline Directory");
  UploadPathLabel.SetHint(uploadHint);
  UploadPath.SetHint(uploadHint);
  DownloadPathLabel.SetCaption(profiles ? Tx("Download Ordner:", "Download Directory:")
                                        : Tx("Download Ordner", "Download Directory"));
  UploadPathButton.SetHint(Tx("Upload Ordner ausw\u00e4hlen", "Select Upload Directory"));
  DownloadPathButton.SetHint(Tx("Download Ordner ausw\u00e4hlen", "Select Download Directory"));
  PassiveTransferBox.SetCaption(Tx("Passiver Transfer", "Passive Transfer"));
  PassiveTransferBox.SetHint(Tx("Bei einer Firewall aktivieren", "Activating at a Firewall"));
  TraceBox.SetCaption(Tx("Verb. sichtbar", "Trace Connection"));
  TraceBox.SetHint(Tx("Logs sichtbar", "Logs visible"));
  BinaryAsciiBox.SetCaption(Tx("Bin\u00e4r / ASCII", "Binary / ASCII"));
  BinaryAsciiBox.SetHint(Tx("Dateien Bin\u00e4r oder als ASCII \u00fcbertragen",
                            "Transferring files binarily or as ASCII"));
  AnonymousBox.SetCaption(Tx("Anonym", "Anonymous"));
  AnonymousBox.SetHint(Tx("Login anonym", "Login anonymous"));
  TlsBox.SetCaption(Tx("FTP \u00fcber TLS", "FTP over TLS"));
  TlsBox.SetHint(Tx("Verschl\u00fcsselt mit explizitem TLS (AUTH TLS); der Server muss es anbieten",
                    "Encrypted with explicit TLS (AUTH TLS); the server must offer it"));
  FTPPortLabel.SetCaption("Port:");
  FTPPortLabel.SetHint(Tx("FTP-Port, meist 21", "FTP-Port, most 21"));
  FTPPort.SetHint(FTPPortLabel.Hint());
  BitBtn2Default.SetCaption("Default");
  BitBtn2Default.SetHint(
      profiles ? Tx("Setze Mini-FTP auf Default-Werte", "Set Mini-FTP to Defaults")
               : Tx("Setze HTML-Datei auf Default-Werte", "Set HTML-File to Defaults"));
  BitBtn1ok.SetCaption("OK");
  BitBtn1ok.SetHint(profiles
                        ? Tx("Mini-FTP Setup speichern und Ende", "Save Mini-FTP Setup and Exit")
                        : Tx("Auto-FTP Setup speichern", "Save Auto-FTP Setup"));
}

bool FtpSetupForm::TakeAnswer(std::string_view answer) {
  if (!core::EqualsNoCase(answer, "OK")) return false;
  BitBtn1ok.UserClick();
  return true;
}

void FtpSetupForm::BoxClicked(forms::CheckBox& box, std::string settings::TRegsData::*flag) {
  // The profile dialog's boxes belong to the profile being edited; they leave the auto-FTP
  // settings alone (a profile's passive mode must not become the publishing session's).
  if (kind_ == Kind::AutoFtp) Regs().*flag = Flag(box);
}

void FtpSetupForm::AnonymousClicked() {
  BoxClicked(AnonymousBox, &settings::TRegsData::FTP_Login_Anonymus);
  LoginName.SetText(AnonymousBox.Checked() ? "anonymous" : lastLogin_);
}

void FtpSetupForm::ShowLogin(const std::string& login) {
  lastLogin_ = login;
  LoginName.SetText(AnonymousBox.Checked() ? "anonymous" : login);
}

void FtpSetupForm::PickFolder(forms::Edit& edit, forms::Control& button, const char* germanTitle,
                              const char* englishTitle) {
  button.SetEnabled(false);
  TBUSelectDirectory picker;
  const std::string start = Trimmed(edit);
  picker.StartDir = start.empty() ? kPickerRoot : start;
  picker.Title = Tx(germanTitle, englishTitle);
  if (picker.Execute(dialogs_) && !picker.Directory().empty()) edit.SetText(picker.Directory());
  button.SetEnabled(true);
}

std::string FtpSetupForm::Trimmed(const forms::Edit& edit) {
  return core::Trim(edit.Text());
}

std::string FtpSetupForm::MemoText() const {
  std::string text;
  for (const auto& line : HTMLText.Lines()) text += line + "\r\n";
  return core::Trim(text);
}

std::optional<settings::TProfileData> FtpSetupForm::BuildProfile(const std::string& name,
                                                                 const std::string& comment) const {
  settings::TProfileData p;
  p.PProfil = name;
  p.PHost = Trimmed(ServerHostName);
  p.PUserID = AnonymousBox.Checked() ? "anonymous" : Trimmed(LoginName);
  p.PPassword = Trimmed(FTPPassword);
  p.PHostDir = Trimmed(HostPath);
  p.PUpload = Trimmed(UploadPath);
  p.PDownload = Trimmed(DownloadPath);
  p.PPassive = Flag(PassiveTransferBox);
  p.PTransferType = Flag(BinaryAsciiBox);
  p.PTrace = Flag(TraceBox);
  p.PAnonym = Flag(AnonymousBox);
  p.PSecurity = Flag(TlsBox);
  p.PASCIIFilter.clear();
  p.PPort = Trimmed(FTPPort);
  p.PComment = comment;
  for (const std::string* field :
       {&p.PHost, &p.PUserID, &p.PPassword, &p.PHostDir, &p.PUpload, &p.PDownload, &p.PPort}) {
    if (field->empty()) return std::nullopt;
  }
  return p;
}

bool FtpSetupForm::StoreProfile(const std::string& name, const std::string& comment) {
  const auto profile = BuildProfile(name, comment);
  if (!profile || name.empty()) {
    dialogs_.Beep();
    return false;
  }
  try {
    store_.WriteProfile(name, *profile);
  } catch (const platform::RegistryError&) {
    // A name no registry key can have ("a\b", control characters): refused like an incomplete one.
    dialogs_.Beep();
    return false;
  }
  return true;
}

}  // namespace app
