#include "app/language_switch.h"

#include "app/language_aware.h"
#include "app/online_time.h"
#include "app/t_stayline.h"

namespace app {

LanguageSwitch::LanguageSwitch(TStayline& main) : main_(main) {
  MainForm& f = main_.Form();
  f.German.OnClick = [this] { GermanClick(); };
  f.English.OnClick = [this] { EnglishClick(); };
}

void LanguageSwitch::Store(bool german) {
  main_.Regs().Language = german ? "1" : "0";
  main_.Store().WriteField("Language");
  main_.State().OnlineTimeText = main_.Online().GetOnlineTime(false);
}

void LanguageSwitch::GermanClick() {
  Store(main_.Form().German.Checked());
}

void LanguageSwitch::EnglishClick() {
  Store(!main_.Form().English.Checked());
}

void LanguageSwitch::ApplyRows(std::span<const CaptionRow> rows) {
  MainForm& f = main_.Form();
  const bool german = main_.German();
  for (const CaptionRow& row : rows) {
    forms::Control* control = f.Find(row.Control);
    if (!control) continue;
    const std::string text = german ? row.German : row.English;
    if (row.What == CaptionRow::Property::Caption) {
      control->SetCaption(text);
    } else {
      control->SetHint(text);
    }
  }
}

void LanguageSwitch::ApplyTrayMenu() {
  ApplyRows(TrayMenuCaptions());
}

void LanguageSwitch::ApplyOpenDialogs() {
  ApplyLanguageToOpenForms(main_.Application(), main_.German());
}

void LanguageSwitch::ApplyLanguage() {
  MainForm& f = main_.Form();
  ApplyRows(MainWindowCaptions());
  f.ConnectButton.SetHint(
      main_.MFtp1().Connected()
          ? main_.Tx("Trenne Verbindung zum FTP-Server", "DisConnect FTP-Server")
          : main_.Tx("FTP-Server verbinden", "Connect to FTP-Server"));
  f.MailTo.SetHint(main_.Tx("Mail an: ", "Mail to: ") + f.MailTo.Text());
  f.IsClientIP.SetHint("ClientIP: " + f.IsClientIP.Text());
  f.ListBox2.SetHint(f.ListBox1.Hint());
  f.HangUpManual2.SetCaption(f.HangUpManual.Caption());
  f.HangUpManual2.SetHint(f.HangUpManual.Hint());
  f.ESubject.SetHint(
      main_.Tx("Betreff: ", "Subject: ") + f.ESubject.Text() +
      main_.Tx(" | #CIP# = Variable für ClientIP", " | #CIP# = Variable for ClientIP"));
  f.Takt.SetHint(main_.Tx("M = AutoPing im Minutentakt | S = Im Sekundentakt",
                          "M = AutoPing in minute time | S = in second time"));
}

}  // namespace app
