#include "app/dial_delay.h"

#include "app/t_stayline.h"
#include "core/text.h"

namespace app {

namespace {

// The automatic options the dial delay holds back, in the order it handles them.
struct OptionName {
  const char* box;
  const char* setting;
};
constexpr std::array<OptionName, 6> kHeldOptions = {{
    {"AutoConnect", "AutoConnect"},
    {"StartIEBrowser", "StartIE"},
    {"StartAutoPingBox", "PingAuto"},
    {"AutoMailBox1", "AutoMail"},
    {"AutoFTPBox", "FTP_Auto"},
    {"BrowserRefreshBox", "DynaHomeRefresh"},
}};

constexpr int kAutoFtpCountdownSeconds = 20;  // TimeOutTimer's 20000 ms at design time

}  // namespace

DialDelay::DialDelay(TStayline& main) : main_(main) {
  for (std::size_t i = 0; i < held_.size(); ++i) held_[i].setting = kHeldOptions[i].setting;
  WireHandlers();
}

void DialDelay::WireHandlers() {
  MainForm& f = main_.Form();
  f.DelayTimer.OnTimer() = [this] { DelayTimerTimer(); };
  f.TimeOutTimer.OnTimer() = [this] { TimeOutTimerTimer(); };
  f.DelayBox.OnClick = [this] { DelayBoxClick(); };
  f.DelayTimeEdit.OnChange = [this] { DelayTimeEditChange(); };
}

bool DialDelay::DelayTimeInteger(const std::string& text) {
  if (text.empty() || text[0] == '0') return false;
  return core::IsAllDigits(text);
}

void DialDelay::SetFonts(const std::string& color) {
  MainForm& f = main_.Form();
  f.AutoConnect.SetFontColor(color);
  f.DelayBox.SetFontColor(color);
  f.MinutenLabel.SetFontColor(color);
}

void DialDelay::ShowCountdown(const char* what) {
  main_.Form().SetCaption(main_.BaseCaption() + what +
                          std::to_string(main_.State().CountdownSeconds) + "s");
}

void DialDelay::StopDialDelay() {
  MainForm& f = main_.Form();
  f.DelayTimer.SetEnabled(false);
  SetFonts("clWindowText");
  f.DelayTimeEdit.SetReadOnly(false);
}

void DialDelay::StartDialDelay() {
  MainForm& f = main_.Form();
  MainState& s = main_.State();
  settings::TRegsData& r = main_.Regs();
  s.DialDelayActive = true;
  for (std::size_t i = 0; i < held_.size(); ++i) {
    auto& box = f.Get<forms::CheckBox>(kHeldOptions[i].box);
    held_[i].checked = box.Checked();
    held_[i].flag = r.Field(held_[i].setting);
    box.SetChecked(false);
    r.Field(held_[i].setting) = "0";
    main_.Store().WriteField(held_[i].setting);
  }
  long long minutes = 0;
  core::TryParseInt(r.OnlineDelayTime, minutes);
  s.CountdownSeconds = static_cast<int>(minutes * 60);
  f.DelayTimer.SetInterval(1000);
  f.DelayTimeEdit.SetReadOnly(true);
  f.DelayTimer.SetEnabled(true);
  SetFonts("clGreen");  // red 0, green 128, blue 0
  ShowCountdown(" - Function Start in: ");
}

void DialDelay::DelayTimerTimer() {
  MainForm& f = main_.Form();
  MainState& s = main_.State();
  settings::TRegsData& r = main_.Regs();
  --s.CountdownSeconds;
  if (s.CountdownSeconds > 0) {
    ShowCountdown(" - Function Start in: ");
    return;
  }
  f.DelayTimer.SetEnabled(false);
  f.SetCaption(main_.BaseCaption());
  f.TimerCaption.SetEnabled(false);
  main_.Beep();
  r.TempDelay = "0";
  for (std::size_t i = 0; i < held_.size(); ++i) {
    f.Get<forms::CheckBox>(kHeldOptions[i].box).SetChecked(held_[i].checked);
  }
  SetFonts("clWindowText");
  f.DelayTimeEdit.SetReadOnly(false);
  for (const HeldOption& option : held_) {
    r.Field(option.setting) = option.flag;
    main_.Store().WriteField(option.setting);
  }
  if (r.DynaHomeRefresh == "1") f.BrowserRefreshBox.SetChecked(true);
  if (r.FTP_Auto == "1") f.AutoFTPBox.SetChecked(true);
  s.DialDelayActive = false;
  if (s.AutoFtpOnStart) StartAutoFtpCountdown();
  f.TimerCaption.SetEnabled(true);  // the next tick dials
  main_.ProcessMessages();
}

void DialDelay::DelayBoxClick() {
  if (main_.Regs().TempDelay == "1") return;
  StopDialDelay();
  main_.Regs().OnlineDelay = main_.Form().DelayBox.Checked() ? "1" : "0";
  main_.Store().WriteField("OnlineDelay");
}

void DialDelay::DelayTimeEditChange() {
  if (main_.State().DialDelayActive) return;
  MainForm& f = main_.Form();
  SetFonts("clWindowText");
  f.DelayTimeEdit.SetReadOnly(false);
  const std::string text = core::Trim(f.DelayTimeEdit.Text());
  if (text != f.DelayTimeEdit.Text()) {
    f.DelayTimeEdit.SetText(text);  // fires this handler again with the trimmed text
    return;
  }
  if (!text.empty() && DelayTimeInteger(text)) {
    main_.Regs().OnlineDelayTime = text;
    main_.Store().WriteField("OnlineDelayTime");
  } else {
    main_.Beep();
  }
}

void DialDelay::StartAutoFtpCountdown() {
  MainForm& f = main_.Form();
  main_.State().CountdownSeconds = kAutoFtpCountdownSeconds;
  ShowCountdown(" - AutoFTP Start in: ");
  f.TimeOutTimer.SetInterval(1000);
  f.TimeOutTimer.SetEnabled(true);
}

void DialDelay::TimeOutTimerTimer() {
  MainForm& f = main_.Form();
  MainState& s = main_.State();
  --s.CountdownSeconds;
  if (s.CountdownSeconds > 0) {
    ShowCountdown(" - AutoFTP Start in: ");
    return;
  }
  f.TimeOutTimer.SetEnabled(false);
  f.SetCaption(main_.BaseCaption());
  main_.Beep();
  if (s.AutoFtpOnStart) {
    main_.Regs().FTP_Auto = "1";
    main_.Store().WriteField("FTP_Auto");
    f.AutoFTPBox.SetChecked(true);  // its handler starts the publishing
    s.AutoFtpOnStart = false;
  }
}

}  // namespace app
