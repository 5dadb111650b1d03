#pragma once
// What the two FTP setup dialogs (auto-FTP and mini-FTP profiles) share: the connection fields
// with their labels, captions and hints in both languages, the folder buttons, the check boxes,
// the memo, the Default and OK buttons, and building a profile from the fields. Each dialog is
// modal, created on demand and freed when closed; closing is always allowed. Loop thread only.

#include <optional>
#include <string>

#include "app/language_aware.h"
#include "forms/check_box.h"
#include "forms/dialog_service.h"
#include "forms/edit.h"
#include "forms/form.h"
#include "forms/memo.h"
#include "settings/profile_data.h"
#include "settings/settings_store.h"

namespace app {

class FtpSetupForm : public forms::Form, public LanguageAware {
 public:
  enum class Kind { AutoFtp, Profiles };

  forms::Control& TabSheet1;
  forms::Control& ProfilNameLabel;
  forms::Control& ServerHostNameLabel;
  forms::Edit& ServerHostName;
  forms::Control& LoginNameLabel;
  forms::Edit& LoginName;
  forms::Control& FTPPasswordLabel;
  forms::Edit& FTPPassword;
  forms::Control& HostPathLabel;
  forms::Edit& HostPath;
  forms::Control& UploadPathLabel;
  forms::Edit& UploadPath;
  forms::Control& UploadPathButton;
  forms::Control& DownloadPathLabel;
  forms::Edit& DownloadPath;
  forms::Control& DownloadPathButton;
  forms::Control& FTPPortLabel;
  forms::Edit& FTPPort;
  forms::CheckBox& PassiveTransferBox;
  forms::CheckBox& BinaryAsciiBox;
  forms::CheckBox& TraceBox;
  forms::CheckBox& AnonymousBox;
  forms::CheckBox& TlsBox;
  forms::Memo& HTMLText;
  forms::Control& BitBtn2Default;
  forms::Control& BitBtn1ok;

  // A queued "OK" clicks OK, so the dialog stores what it shows.
  bool TakeAnswer(std::string_view answer) override;
  // The shared captions and hints; each dialog adds its own. The folder pickers' titles follow.
  void ApplyLanguage(bool german) override;

 protected:
  FtpSetupForm(std::string name, Kind kind, settings::SettingsStore& store,
               forms::DialogService& dialogs);

  [[nodiscard]] bool German() const { return german_; }
  [[nodiscard]] std::string Tx(const char* german, const char* english) const {
    return german_ ? german : english;
  }
  [[nodiscard]] settings::TRegsData& Regs() { return store_.Data(); }
  [[nodiscard]] settings::SettingsStore& Store() { return store_; }
  [[nodiscard]] forms::DialogService& Dialogs() { return dialogs_; }

  // The login edit shows `login`, or "anonymous" while Anonymous is checked; `login` is
  // remembered as the last real login.
  void ShowLogin(const std::string& login);
  // The memo's lines, each followed by CR LF, trimmed.
  [[nodiscard]] std::string MemoText() const;
  // A profile from the fields; nullopt when host, login, password, a folder or the port is empty.
  [[nodiscard]] std::optional<settings::TProfileData> BuildProfile(
      const std::string& name, const std::string& comment) const;
  // Stores the profile built from the fields under `name`; an incomplete profile, or a name that
  // cannot be a profile's, is not stored and only beeps. True when stored.
  bool StoreProfile(const std::string& name, const std::string& comment);

  static std::string Trimmed(const forms::Edit& edit);

 private:
  void BoxClicked(forms::CheckBox& box, std::string settings::TRegsData::*flag);
  void AnonymousClicked();
  void PickFolder(forms::Edit& edit, forms::Control& button, const char* germanTitle,
                  const char* englishTitle);

  settings::SettingsStore& store_;
  forms::DialogService& dialogs_;
  Kind kind_;
  bool german_;
  std::string lastLogin_;
};

}  // namespace app
