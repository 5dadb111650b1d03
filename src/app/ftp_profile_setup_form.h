#pragma once
// TftpProfileSetup, " Stayline Mini-FTP Setup": edits the named FTP profiles of the mini FTP
// client. The sorted, editable ProfilNameBox lists the profiles; choosing one shows it; Save and
// OK store the fields as the named profile (only when complete), Delete removes it ("Auto FTP"
// cannot be deleted), Default fills the fields with a starting point. When the dialog closes the
// chosen name is handed back for the FTP page to select. Loop thread only.

#include <string>

#include "app/ftp_setup_form.h"
#include "forms/combo_box.h"
#include "settings/profile_data.h"

namespace app {

class TftpProfileSetup : public FtpSetupForm {
 public:
  TftpProfileSetup(settings::SettingsStore& store, forms::DialogService& dialogs);

  forms::ComboBox& ProfilNameBox;
  forms::Control& BitBtn3Save;
  forms::Control& BitBtn4Delete;

  void ApplyLanguage(bool german) override;

  // The name the FTP page selects after the dialog: the box's name, "Auto FTP" when empty.
  [[nodiscard]] std::string SelectedProfile() const;

  // Creates the dialog, shows it modally, frees it and returns the name it hands back.
  static std::string Execute(settings::SettingsStore& store, forms::DialogService& dialogs);

 private:
  void RefillNames();
  void FillFromSettings();
  // Shows the stored profile `name`; a name without a stored profile changes nothing.
  void FillFromProfile(const std::string& name);
  void Show(const settings::TProfileData& p);
  void SaveClick();
  void DeleteClick();
  void DefaultClick();
  void OkClick();
  [[nodiscard]] std::string Name() const;
};

}  // namespace app
