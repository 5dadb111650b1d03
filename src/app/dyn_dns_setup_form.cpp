#include "app/dyn_dns_setup_form.h"

#include "core/text.h"

namespace app {

namespace {

forms::Control& Plain(forms::Form& form, const char* name, forms::ControlKind kind) {
  return form.Add<forms::Control>(name, kind);
}

forms::Control& Label(forms::Form& form, const char* name) {
  return Plain(form, name, forms::ControlKind::Label);
}

}  // namespace

TfmDynDnsSetup::TfmDynDnsSetup(settings::SettingsStore& store, bool german,
                               const std::string& stopped)
    : forms::Form("TfmDynDnsSetup"),
      cbDynDnsAuto(Add<forms::CheckBox>("cbDynDnsAuto")),
      lblDynDnsServer(Label(*this, "lblDynDnsServer")),
      edtDynDnsServer(Add<forms::Edit>("edtDynDnsServer")),
      lblDynDnsHosts(Label(*this, "lblDynDnsHosts")),
      edtDynDnsHosts(Add<forms::Edit>("edtDynDnsHosts")),
      lblDynDnsUser(Label(*this, "lblDynDnsUser")),
      edtDynDnsUser(Add<forms::Edit>("edtDynDnsUser")),
      lblDynDnsPassword(Label(*this, "lblDynDnsPassword")),
      edtDynDnsPassword(Add<forms::Edit>("edtDynDnsPassword")),
      lblNewIPCommand(Label(*this, "lblNewIPCommand")),
      edtNewIPCommand(Add<forms::Edit>("edtNewIPCommand")),
      lblDynDnsStatus(Label(*this, "lblDynDnsStatus")),
      BitBtn1ok(Plain(*this, "BitBtn1ok", forms::ControlKind::Button)),
      store_(store) {
  const settings::TRegsData& r = store_.Data();
  edtDynDnsPassword.PasswordChar = '*';
  cbDynDnsAuto.SetChecked(r.DynDnsAuto == "1");
  edtDynDnsServer.SetText(r.DynDnsServer);
  edtDynDnsHosts.SetText(r.DynDnsHosts);
  edtDynDnsUser.SetText(r.DynDnsUser);
  edtDynDnsPassword.SetText(r.DynDnsPassword);
  edtNewIPCommand.SetText(r.NewIPCommand);
  lblDynDnsStatus.SetCaption(stopped);
  lblDynDnsStatus.SetVisible(!stopped.empty());
  BitBtn1ok.SetCaption("OK");
  BitBtn1ok.OnClick = [this] { BitBtn1okClick(); };
  ApplyLanguage(german);
}

void TfmDynDnsSetup::ApplyLanguage(bool german) {
  const auto tx = [german](const char* de, const char* en) { return german ? de : en; };
  const auto both = [](forms::Control& c, const std::string& caption, const std::string& hint) {
    c.SetCaption(caption);
    c.SetHint(hint);
  };
  SetCaption(tx(" Stayline Dynamisches DNS", " Stayline Dynamic DNS"));
  both(cbDynDnsAuto, tx("Dynamisches DNS aktualisieren", "Update dynamic DNS"),
       tx("Host-Namen bei jeder neuen ClientIP aktualisieren (dyndns2, HTTPS)",
          "Update the host names on every new ClientIP (dyndns2, HTTPS)"));
  both(lblDynDnsServer, tx("Update-Server:", "Update server:"),
       tx("Host[:Port] des Update-Servers", "Host[:port] of the update server"));
  both(lblDynDnsHosts, tx("Host-Namen:", "Host names:"),
       tx("Host-Namen, durch Komma getrennt", "Host names, separated by commas"));
  both(lblDynDnsUser, tx("Kontoname:", "Account:"), tx("Kontoname", "Account"));
  both(lblDynDnsPassword, tx("Kennwort:", "Password:"), tx("Kennwort", "Password"));
  both(lblNewIPCommand, tx("Befehl bei neuer IP:", "Command on a new IP:"),
       tx("Mit /bin/sh ausgef\u00fchrt; die Adressen stehen in STAYLINE_CLIENT_IP, "
          "STAYLINE_SERVER_IP und STAYLINE_ENTRY",
          "Run with /bin/sh; the addresses are in STAYLINE_CLIENT_IP, STAYLINE_SERVER_IP and "
          "STAYLINE_ENTRY"));
  edtDynDnsServer.SetHint(lblDynDnsServer.Hint());
  edtDynDnsHosts.SetHint(lblDynDnsHosts.Hint());
  edtDynDnsUser.SetHint(lblDynDnsUser.Hint());
  edtDynDnsPassword.SetHint(lblDynDnsPassword.Hint());
  edtNewIPCommand.SetHint(lblNewIPCommand.Hint());
}

void TfmDynDnsSetup::BitBtn1okClick() {
  settings::TRegsData& r = store_.Data();
  r.DynDnsAuto = cbDynDnsAuto.Checked() ? "1" : "0";
  r.DynDnsServer = core::Trim(edtDynDnsServer.Text());
  r.DynDnsHosts = core::Trim(edtDynDnsHosts.Text());
  r.DynDnsUser = edtDynDnsUser.Text();
  r.DynDnsPassword = edtDynDnsPassword.Text();
  r.NewIPCommand = edtNewIPCommand.Text();
  for (const char* name : {"DynDnsAuto", "DynDnsServer", "DynDnsHosts", "DynDnsUser",
                           "DynDnsPassword", "NewIPCommand"}) {
    store_.WriteField(name);
  }
  SetModalResult(forms::ModalResult::OK);
}

bool TfmDynDnsSetup::TakeAnswer(std::string_view answer) {
  if (!core::EqualsNoCase(answer, "OK")) return false;
  BitBtn1ok.UserClick();
  return true;
}

forms::ModalResult TfmDynDnsSetup::Execute(settings::SettingsStore& store,
                                           forms::DialogService& dialogs, bool german,
                                           const std::string& stopped) {
  TfmDynDnsSetup form(store, german, stopped);
  return dialogs.ShowModal(form);
}

}  // namespace app
