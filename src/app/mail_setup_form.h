#pragma once
// TfmSetup, " Stayline Mail-Setup": the SMTP server, port, account, password, authentication
// type, security (none, STARTTLS, TLS), the CA file trusted for TLS and the sender address of the
// mail notification (and POP3 values that are only kept). OK that stores a login with a password
// and no security, where that combination was not stored before, says once that the password
// crosses the network readable (it is stored all the same). While
// open it works on a private mirror of the settings: OK copies the edits into the mirror (a port
// that is not a number becomes 110 for POP3, 25 for SMTP), the mirror into the settings, and
// saves them; Default beeps and restores the mail's subject and text. Modal, created on demand
// and freed when closed; closing is always allowed. Loop thread only.

#include <string>

#include "app/language_aware.h"
#include "forms/combo_box.h"
#include "forms/dialog_service.h"
#include "forms/edit.h"
#include "forms/form.h"
#include "forms/page_control.h"
#include "settings/settings_store.h"

namespace app {

class TfmSetup : public forms::Form, public LanguageAware {
 public:
  static constexpr int kPop3DefaultPort = 110;
  static constexpr int kSmtpDefaultPort = 25;

  TfmSetup(settings::SettingsStore& store, forms::DialogService& dialogs);

  forms::PageControl& PageControl1;
  forms::TabSheet& tsPop3;
  forms::TabSheet& tsSmtp;
  forms::Control& Label1;
  forms::Edit& POPServer;
  forms::Edit& POPPort;
  forms::Control& Label8;
  forms::Edit& Account;
  forms::Control& label9;
  forms::Edit& Password;
  forms::Control& Label11;
  forms::Edit& SMTPServer;
  forms::Edit& SMTPPort;
  forms::Control& lblAuthenticationType;
  forms::ComboBox& cboAuthType;
  forms::Control& lbAccount;
  forms::Edit& edtAccount;
  forms::Control& lbPassword;
  forms::Edit& edtPassword;
  forms::Control& Label10;
  forms::Edit& Email;
  forms::Control& lblSecurity;
  forms::ComboBox& cboSecurity;
  forms::Control& lblCAFile;
  forms::Edit& edtCAFile;
  forms::Control& BitBtn1ok;
  forms::Control& BitBtn2Default;

  // The settings while the dialog is open.
  struct Mirror {
    std::string Pop3Server;
    int Pop3Port = kPop3DefaultPort;
    std::string Pop3User;
    std::string Pop3Password;
    std::string SmtpServer;
    int SmtpPort = kSmtpDefaultPort;
    std::string SmtpUser;
    std::string SmtpPassword;
    int AuthType = 0;  // 0 none, 1 login
    std::string UserEmail;
    int Security = 0;  // 0 none, 1 STARTTLS, 2 TLS from the first byte
    std::string TlsCAFile;
  };
  [[nodiscard]] const Mirror& Settings() const { return mirror_; }

  // A queued "OK" clicks OK, so the dialog stores what it shows.
  bool TakeAnswer(std::string_view answer) override;
  // Captions and hints; Default's mail text follows the language too.
  void ApplyLanguage(bool german) override;

  // Creates the dialog, shows it modally and frees it.
  static forms::ModalResult Execute(settings::SettingsStore& store, forms::DialogService& dialogs);

  // The port in `text`, or `fallback` when it is not a number.
  static int PortOf(const std::string& text, int fallback);

 private:
  void FillMirror();
  void ShowMirror();
  void BitBtn1okClick();
  void WarnOfPlainPassword();
  void BitBtn2DefaultClick();
  [[nodiscard]] std::string Tx(const char* german, const char* english) const {
    return german_ ? german : english;
  }

  settings::SettingsStore& store_;
  forms::DialogService& dialogs_;
  bool german_ = true;
  Mirror mirror_;
  Mirror opened_;  // what the settings held when the dialog opened
};

}  // namespace app
