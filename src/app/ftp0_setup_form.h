#pragma once
// Tftp0Setup, " Stayline Auto-FTP Setup": edits the auto-FTP values of the settings record. The
// check boxes act on the record in memory at once; OK stores the edits that are not empty, the
// page template and the page address, saves the record and keeps a copy as the profile named in
// the (read-only) profile edit. Loop thread only.

#include "app/ftp_setup_form.h"

namespace app {

class Tftp0Setup : public FtpSetupForm {
 public:
  Tftp0Setup(settings::SettingsStore& store, forms::DialogService& dialogs);

  forms::Edit& ProfilName;
  forms::Edit& HtmlName;
  forms::Control& MySetUpDynaUrlLabel;
  forms::Edit& MySetUpDynaUrlEdit;

  void ApplyLanguage(bool german) override;

  // Creates the dialog, shows it modally and frees it.
  static forms::ModalResult Execute(settings::SettingsStore& store, forms::DialogService& dialogs);

 private:
  void Fill();
  void DefaultClick();
  void OkClick();
};

}  // namespace app
