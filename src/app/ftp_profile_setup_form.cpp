#include "app/ftp_profile_setup_form.h"

#include <vector>

#include "core/text.h"

namespace app {

namespace {

constexpr const char* kAutoFtpProfile = "Auto FTP";

template <typename T>
T& PageControl(forms::Form& form, const char* name, forms::ControlKind kind) {
  T& control = form.Add<T>(name, kind);
  control.SetParent("TabSheet1");
  return control;
}

forms::ComboBox& NameBox(forms::Form& form) {
  forms::ComboBox& box = form.Add<forms::ComboBox>("ProfilNameBox");
  box.SetParent("TabSheet1");
  box.SetSorted(true);
  return box;
}

}  // namespace

TftpProfileSetup::TftpProfileSetup(settings::SettingsStore& store, forms::DialogService& dialogs)
    : FtpSetupForm("TftpProfileSetup", Kind::Profiles, store, dialogs),
      ProfilNameBox(NameBox(*this)),
      BitBtn3Save(PageControl<forms::Control>(*this, "BitBtn3Save", forms::ControlKind::Button)),
      BitBtn4Delete(
          PageControl<forms::Control>(*this, "BitBtn4Delete", forms::ControlKind::Button)) {
  SetCaption(" Stayline Mini-FTP Setup");
  ProfilNameBox.SetHint("Profil-Name");
  HTMLText.SetHint("Comment Text");
  ApplyLanguage(German());

  RefillNames();
  if (ProfilNameBox.Count() > 0) {
    ProfilNameBox.SetItemIndex(0);
    FillFromProfile(ProfilNameBox.Text());
  } else {
    FillFromSettings();
  }
  ProfilNameBox.OnChange = [this] { FillFromProfile(Name()); };
  BitBtn3Save.OnClick = [this] { SaveClick(); };
  BitBtn4Delete.OnClick = [this] { DeleteClick(); };
  BitBtn2Default.OnClick = [this] { DefaultClick(); };
  BitBtn1ok.OnClick = [this] { OkClick(); };
}

void TftpProfileSetup::ApplyLanguage(bool german) {
  FtpSetupForm::ApplyLanguage(german);
  BitBtn3Save.SetCaption(Tx("Speichern", "Save"));
  BitBtn3Save.SetHint(Tx("Speichert das Profil", "Save Profil"));
  BitBtn4Delete.SetCaption(Tx("L\u00f6schen", "Delete"));
  BitBtn4Delete.SetHint(Tx("L\u00f6scht das Profil", "Delete Profil"));
}

std::string TftpProfileSetup::Name() const {
  return core::Trim(ProfilNameBox.Text());
}

std::string TftpProfileSetup::SelectedProfile() const {
  const std::string name = Name();
  return name.empty() ? kAutoFtpProfile : name;
}

void TftpProfileSetup::RefillNames() {
  std::vector<std::string> names;
  Store().GetProfileNames(names);
  ProfilNameBox.SetItems(names);
}

void TftpProfileSetup::FillFromSettings() {
  const settings::TProfileData p = settings::ProfileOfSettings(Regs());
  ProfilNameBox.SetText(p.PProfil);
  Show(p);
}

void TftpProfileSetup::FillFromProfile(const std::string& name) {
  const settings::TProfileData p = Store().ReadProfile(name);
  if (p.PProfil.empty()) return;
  Show(p);
}

void TftpProfileSetup::Show(const settings::TProfileData& p) {
  ServerHostName.SetText(p.PHost);
  FTPPassword.SetText(p.PPassword);
  HostPath.SetText(p.PHostDir);
  UploadPath.SetText(p.PUpload);
  DownloadPath.SetText(p.PDownload);
  FTPPort.SetText(p.PPort);
  PassiveTransferBox.SetChecked(p.PPassive != "0");
  BinaryAsciiBox.SetChecked(p.PTransferType != "0");
  TraceBox.SetChecked(p.PTrace != "0");
  AnonymousBox.SetChecked(p.PAnonym != "0");
  TlsBox.SetChecked(p.PSecurity == "1");
  ShowLogin(p.PUserID);
  HTMLText.SetText(p.PComment);
}

void TftpProfileSetup::SaveClick() {
  const std::string name = Name();
  if (name.empty()) {
    Dialogs().Beep();
    return;
  }
  if (!StoreProfile(name, MemoText())) return;
  RefillNames();
  FillFromProfile(name);
  ProfilNameBox.SetText(name);
}

void TftpProfileSetup::DeleteClick() {
  const std::string name = Name();
  if (name.empty() || core::EqualsNoCase(name, kAutoFtpProfile)) {
    Dialogs().Beep();
    return;
  }
  Store().DeleteProfile(name);
  RefillNames();
  FillFromProfile(kAutoFtpProfile);
  ProfilNameBox.SetText(kAutoFtpProfile);
}

void TftpProfileSetup::DefaultClick() {
  Dialogs().Beep();
  const settings::TRegsData& r = Regs();
  ProfilNameBox.SetText("Default FTP");
  PassiveTransferBox.SetChecked(false);
  AnonymousBox.SetChecked(false);
  TlsBox.SetChecked(false);
  TraceBox.SetChecked(true);
  BinaryAsciiBox.SetChecked(true);
  ServerHostName.SetText(r.FTP_Host);
  ShowLogin(r.FTP_Login);
  FTPPassword.SetText(r.FTP_Password);
  HostPath.SetText(r.FTP_StartPath);
  UploadPath.SetText(r.FTP_UploadPath);
  DownloadPath.SetText(r.FTP_DownloadPath);
  FTPPort.SetText("21");
  HTMLText.ClearLines();
  HTMLText.SetText(Tx("Kommentar", "Comment"));
}

void TftpProfileSetup::OkClick() {
  if (!Name().empty()) SaveClick();
  SetModalResult(forms::ModalResult::OK);
}

std::string TftpProfileSetup::Execute(settings::SettingsStore& store,
                                      forms::DialogService& dialogs) {
  TftpProfileSetup form(store, dialogs);
  dialogs.ShowModal(form);
  return form.SelectedProfile();
}

}  // namespace app
