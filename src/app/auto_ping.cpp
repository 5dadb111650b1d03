#include "app/auto_ping.h"

#include <climits>
#include <stdexcept>
#include <vector>

#include "app/connection_keeper.h"
#include "app/t_stayline.h"
#include "app/tray_model.h"
#include "core/text.h"

namespace app {
namespace {

// Holds a value for the length of a scope and puts the old one back, also when a ping raised.
class HoldFlag {
 public:
  HoldFlag(bool& flag, bool during) : flag_(flag), saved_(flag) { flag_ = during; }
  ~HoldFlag() { flag_ = saved_; }
  HoldFlag(const HoldFlag&) = delete;
  HoldFlag& operator=(const HoldFlag&) = delete;

 private:
  bool& flag_;
  bool saved_;
};

// "Start 1 Ping" is off while a request is out and on again afterwards, whatever happened.
class ButtonOffMeanwhile {
 public:
  explicit ButtonOffMeanwhile(forms::Control& button) : button_(button) {
    button_.SetEnabled(false);
  }
  ~ButtonOffMeanwhile() { button_.SetEnabled(true); }
  ButtonOffMeanwhile(const ButtonOffMeanwhile&) = delete;
  ButtonOffMeanwhile& operator=(const ButtonOffMeanwhile&) = delete;

 private:
  forms::Control& button_;
};

}  // namespace

AutoPing::AutoPing(TStayline& main)
    : main_(main), icmp_(std::make_unique<net::TIdIcmpClient>(main.Loop())) {
  MainForm& f = main_.Form();
  f.btnPing.OnClick = [this] { btnPingClick(); };
  f.StartAutoPing.OnClick = [this] { StartAutoPingClick(); };
  f.StopAutoPing.OnClick = [this] { StopAutoPingClick(); };
  f.PopupStopAutoPing.OnClick = [this] { PopupStopAutoPingClick(); };
  f.PingTimer.OnTimer() = [this] { PingTimerTimer(); };
  f.PingImageTimer.OnTimer() = [this] { PingImageTimerTimer(); };
  f.StartAutoPingBox.OnClick = [this] { StartAutoPingBoxClick(); };
  f.PingBlinkOnOff.OnClick = [this] { PingBlinkOnOffClick(); };
  f.IPHandle.OnClick = [this] { IPHandleClick(); };
  f.edtHost.OnKeyDown = [this](int key) { edtHostKeyDown(key); };
}

AutoPing::~AutoPing() {
  // The form outlives this module inside the window; its events must not reach it any more.
  MainForm& f = main_.Form();
  for (forms::Control* c : {&f.btnPing, &f.StartAutoPing, &f.StopAutoPing,
                            static_cast<forms::Control*>(&f.PopupStopAutoPing),
                            static_cast<forms::Control*>(&f.StartAutoPingBox),
                            static_cast<forms::Control*>(&f.PingBlinkOnOff), &f.IPHandle}) {
    c->OnClick = nullptr;
  }
  f.PingTimer.OnTimer() = nullptr;
  f.PingImageTimer.OnTimer() = nullptr;
  f.edtHost.OnKeyDown = nullptr;
}

std::string AutoPing::TrimmedHost() {
  MainForm& f = main_.Form();
  const std::string host = core::Trim(f.edtHost.Text());
  f.edtHost.SetText(host);
  if (host.empty()) main_.Beep();
  return host;
}

std::optional<std::uint32_t> AutoPing::ValidInterval() {
  MainForm& f = main_.Form();
  const std::string text = core::Trim(f.Interval.Text());
  f.Interval.SetText(text);
  if (text.empty() || text[0] == '0' || !core::IsAllDigits(text)) return std::nullopt;
  const std::uint64_t unit = f.MinutenIntervall.Checked() ? 60000 : 1000;
  std::uint64_t value = 0;
  for (const char c : text) {
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
    if (value * unit > INT_MAX) {
      throw std::overflow_error("Ping interval " + text + (unit == 1000 ? " s" : " min") +
                                " is too long for a period");
    }
  }
  return static_cast<std::uint32_t>(value * unit);
}

bool AutoPing::MayPing() {
  const MainState& s = main_.State();
  PingClientIP = main_.DialUp().ClientIP();
  return (s.ActiveConnectionCount > 0 && !PingClientIP.empty()) || !s.HasPhonebookEntries;
}

bool AutoPing::PingGuard() {
  const MainState& s = main_.State();
  if (s.HasPhonebookEntries && s.ActiveConnectionCount == 0) {
    main_.Keeper().DialManualClick();
    main_.ProcessMessages();
  }
  return MayPing();
}

void AutoPing::SendPing(const std::string& host) {
  icmp_->OnReply = [this](net::IcmpEcho&, const net::TReplyStatus& status) { ICMPReply(status); };
  icmp_->ReceiveTimeout = kReceiveTimeoutMs;
  icmp_->Host = host;
  icmp_->Ping();
}

void AutoPing::btnPingClick() {
  MainForm& f = main_.Form();
  MainState& s = main_.State();
  if (s.DialDelayActive) return;
  const std::string host = TrimmedHost();
  if (host.empty()) return;
  const HoldFlag dialAllowed(s.ManualHangUp, false);
  main_.Regs().PingHost = host;
  main_.Store().WriteField("PingHost");
  main_.Keeper().TesteConnections();
  if (PingGuard()) {
    const ButtonOffMeanwhile busy(f.btnPing);
    SendPing(host);
  } else {
    main_.Beep();
  }
  f.btnPing.SetEnabled(true);
}

void AutoPing::StartAutoPingClick() {
  MainForm& f = main_.Form();
  MainState& s = main_.State();
  if (s.DialDelayActive) return;
  const std::string host = TrimmedHost();
  if (host.empty()) return;
  const HoldFlag dialAllowed(s.ManualHangUp, false);
  const std::optional<std::uint32_t> period = ValidInterval();
  if (!period) return;
  main_.Regs().PingInterval = f.Interval.Text();
  main_.Store().WriteField("PingInterval");
  if (PingGuard()) {
    f.btnPing.SetEnabled(false);
    try {
      SendPing(host);
    } catch (...) {
      f.btnPing.SetEnabled(true);  // the auto-ping did not start: the manual ping stays usable
      throw;
    }
    main_.ProcessMessages();
  }
  f.PingTimer.SetInterval(*period);
  f.btnPing.SetEnabled(false);
  f.StartAutoPing.SetEnabled(false);
  f.StopAutoPing.SetEnabled(true);
  f.PingTimer.SetEnabled(true);
  f.PingImageTimer.SetEnabled(true);
}

void AutoPing::PingTimerTimer() {
  MainForm& f = main_.Form();
  const std::string host = TrimmedHost();
  if (host.empty()) return;
  const std::optional<std::uint32_t> period = ValidInterval();
  if (!period) return;
  main_.Regs().PingInterval = f.Interval.Text();
  f.PingTimer.SetInterval(*period);
  if (PingGuard()) SendPing(host);
}

void AutoPing::StopAutoPingClick() {
  MainForm& f = main_.Form();
  if (main_.State().DialDelayActive) return;
  f.PingImageTimer.SetEnabled(false);
  f.PingTimer.SetEnabled(false);
  f.PingTimer.SetInterval(1000);
  f.StartAutoPingBox.SetChecked(false);  // its handler stores "PingAutoRun" = "0"
  f.btnPing.SetEnabled(true);
  f.StartAutoPing.SetEnabled(true);
  f.StopAutoPing.SetEnabled(false);
  // A last request to the host pinged last, without dialling; with none there is nobody to ask.
  if (icmp_->Host.empty() || !MayPing()) return;
  const ButtonOffMeanwhile busy(f.btnPing);
  SendPing(icmp_->Host);
}

void AutoPing::PingImageTimerTimer() {
  main_.Tray().TaskBarChangePingIcon();
}

void AutoPing::ICMPReply(const net::TReplyStatus& status) {
  forms::ListBox& list = main_.Form().lstReplies;
  if (list.Count() > kMaxReplyLines) list.ClearItems();
  if (status.SourceAddress != "0.0.0.0") {
    const std::string time =
        status.RoundTrip != 0 ? "=" + std::to_string(status.RoundTrip) : std::string("<1");
    list.AddItem(std::to_string(status.ByteCount) + " bytes from " + status.SourceAddress +
                 ": icmp_seq=" + std::to_string(status.Sequence) +
                 " ttl=" + std::to_string(status.Ttl) + " time" + time + " ms");
  } else {
    main_.Beep();
    const std::string& host = main_.Form().edtHost.Text();
    list.AddItem(main_.Tx("Fehler : " + host + " antwortet nicht oder ist geschützt!",
                          "Error : " + host + " ,no answer!"));
  }
  if (list.Count() > 1) {
    std::vector<std::string> items = list.Items();
    items.insert(items.begin(), items.back());
    items.pop_back();
    list.SetItems(items);
  }
}

void AutoPing::edtHostKeyDown(int key) {
  if (key != kEnterKey) return;
  MainForm& f = main_.Form();
  btnPingClick();
  if (f.StopAutoPing.Enabled()) f.btnPing.SetEnabled(false);
}

void AutoPing::StartAutoPingBoxClick() {
  if (main_.State().DialDelayActive) return;
  main_.Regs().PingAutoRun = main_.Form().StartAutoPingBox.Checked() ? "1" : "0";
  main_.Store().SaveProgramSettings();
}

void AutoPing::PingBlinkOnOffClick() {
  main_.Regs().PingBlink = main_.Form().PingBlinkOnOff.Checked() ? "1" : "0";
  main_.Store().WriteField("PingBlink");
}

void AutoPing::IPHandleClick() {
  MainForm& f = main_.Form();
  if (!f.IPHandle.Visible()) return;
  const std::string ip = core::Trim(main_.DialUp().ClientIP());
  if (!ip.empty()) f.edtHost.SetText(ip);
}

void AutoPing::KeepStarted() {
  MainForm& f = main_.Form();
  if (!f.StartAutoPingBox.Checked() || !f.StartAutoPing.Enabled()) return;
  try {
    StartAutoPingClick();
  } catch (const std::exception& e) {
    main_.Loop().ReportError(e.what());
  }
}

}  // namespace app
