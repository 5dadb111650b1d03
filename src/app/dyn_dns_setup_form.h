#pragma once
// TfmDynDnsSetup, " Stayline Dynamic DNS": the dynamic-DNS update (on/off, server, host names,
// account) and the command run on every new client IP. Opened from the "DFUE / Internet" page
// beside the mail group; OK stores the six values (server and host names trimmed, the rest as
// typed). While the updates are stopped by the server's answer the dialog says why. Modal, created
// on demand and freed when closed. Loop thread only.

#include <string>

#include "app/language_aware.h"
#include "forms/check_box.h"
#include "forms/dialog_service.h"
#include "forms/edit.h"
#include "forms/form.h"
#include "settings/settings_store.h"

namespace app {

class TfmDynDnsSetup : public forms::Form, public LanguageAware {
 public:
  // `stopped`: why the updates are stopped ("" when they are not).
  TfmDynDnsSetup(settings::SettingsStore& store, bool german, const std::string& stopped = "");

  forms::CheckBox& cbDynDnsAuto;
  forms::Control& lblDynDnsServer;
  forms::Edit& edtDynDnsServer;
  forms::Control& lblDynDnsHosts;
  forms::Edit& edtDynDnsHosts;
  forms::Control& lblDynDnsUser;
  forms::Edit& edtDynDnsUser;
  forms::Control& lblDynDnsPassword;
  forms::Edit& edtDynDnsPassword;
  forms::Control& lblNewIPCommand;
  forms::Edit& edtNewIPCommand;
  forms::Control& lblDynDnsStatus;
  forms::Control& BitBtn1ok;

  // A queued "OK" clicks OK, so the dialog stores what it shows.
  bool TakeAnswer(std::string_view answer) override;
  void ApplyLanguage(bool german) override;

  // Creates the dialog, shows it modally and frees it.
  static forms::ModalResult Execute(settings::SettingsStore& store, forms::DialogService& dialogs,
                                    bool german, const std::string& stopped);

 private:
  void BitBtn1okClick();

  settings::SettingsStore& store_;
};

}  // namespace app
