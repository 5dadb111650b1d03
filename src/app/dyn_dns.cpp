#include "app/dyn_dns.h"

#include "app/dyn_dns_request.h"
#include "app/dyn_dns_setup_form.h"
#include "app/t_stayline.h"
#include "app/time_log_writer.h"
#include "core/text.h"
#include "platform/program_info.h"

namespace app {

namespace {

constexpr std::size_t kAnswerLimit = 200;

// The server's lines for the log: one per host, joined, control characters blanked.
std::string AnswerText(const std::string& body) {
  std::string out;
  std::size_t start = 0;
  while (start < body.size() && out.size() < kAnswerLimit) {
    std::size_t end = body.find('\n', start);
    if (end == std::string::npos) end = body.size();
    std::string line = core::Trim(body.substr(start, end - start));
    for (char& c : line) {
      if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = ' ';
    }
    if (!line.empty()) out += (out.empty() ? "" : "; ") + line;
    start = end + 1;
  }
  if (out.size() > kAnswerLimit) out.resize(kAnswerLimit);
  return out;
}

std::string Minutes(std::int64_t ms) {
  return std::to_string(ms / 60000) + " min";
}

}  // namespace

DynDnsUpdater::DynDnsUpdater(TStayline& main, DynDnsTransport& transport)
    : main_(main), transport_(transport) {
  main_.Form().DynDnsSetup.OnClick = [this] { DynDnsSetupClick(); };
}

void DynDnsUpdater::DynDnsSetupClick() {
  TfmDynDnsSetup::Execute(main_.Store(), main_.Dialogs(), main_.German(), StoppedText());
}

std::string DynDnsUpdater::SettingsKey() const {
  const settings::TRegsData& r = main_.Regs();
  return r.DynDnsServer + '\n' + r.DynDnsHosts + '\n' + r.DynDnsUser + '\n' + r.DynDnsPassword;
}

std::string DynDnsUpdater::StopText(const std::string& code) const {
  std::string why;
  if (code == "badauth") {
    why = main_.Tx("Benutzername oder Passwort abgelehnt", "user name or password refused");
  } else if (code == "nohost") {
    why = main_.Tx("Host-Name nicht im Konto", "host name not in this account");
  } else if (code == "notfqdn") {
    why = main_.Tx("Host-Name nicht vollst\u00e4ndig", "host name not fully qualified");
  } else if (code == "abuse") {
    why = main_.Tx("Host-Name wegen Missbrauchs gesperrt", "host name blocked for abuse");
  } else if (code == "!donator") {
    why = main_.Tx("Option im Konto nicht verf\u00fcgbar", "option not available to this account");
  } else if (code == "badagent") {
    why = main_.Tx("Programm vom Server abgelehnt", "this client is refused by the server");
  } else {
    why = main_.Tx("Server oder Host-Namen fehlen", "server or host names missing");
  }
  return "Dynamic DNS: " + why + " (" + code + ")" +
         main_.Tx(", keine Updates bis zur \u00c4nderung der Einstellungen",
                  ", no updates until the settings change");
}

std::string DynDnsUpdater::StoppedText() const {
  if (!state_.Stopped(SettingsKey())) return "";
  return StopText(stopCode_);
}

void DynDnsUpdater::Report(const std::string& logText, const std::string& statusText) {
  main_.TimeLog().WriteToLogFile(kLogLabel, " " + logText, false);
  if (!statusText.empty()) main_.Form().StatusBar1.SetPanel(1, statusText);
}

void DynDnsUpdater::Update(const std::string& address) {
  const settings::TRegsData& r = main_.Regs();
  if (r.DynDnsAuto != "1") return;
  const std::string key = SettingsKey();
  const std::int64_t now = main_.Loop().NowMs();
  if (!state_.Due(address, key, now)) return;
  const std::optional<DynDnsRequest> request =
      BuildDynDnsRequest(r.DynDnsServer, r.DynDnsHosts, r.DynDnsUser, r.DynDnsPassword, address);
  if (!request) {
    stopCode_ = "settings";
    state_.Answered(DynDnsAnswer::Kind::Stop, address, key, now);
    Report(address + ": " + StopText("settings"), StopText("settings"));
    return;
  }
  const DynDnsReply reply = transport_.Get(request->url, request->authorization,
                                           "Stayline/" + platform::ProgramInfo::VersionText());
  const std::int64_t answeredAt = main_.Loop().NowMs();
  const std::string what = request->hosts + " " + address + ": ";
  if (!reply.ok) {
    state_.Answered(DynDnsAnswer::Kind::Retry, address, key, answeredAt);
    const std::string retry =
        main_.Tx("neuer Versuch in ", "retry in ") + Minutes(state_.RetryDelayMs());
    Report(what + reply.error + " (" + retry + ")", "Dynamic DNS: " + reply.error + ", " + retry);
    return;
  }
  const DynDnsAnswer answer = ClassifyDynDnsAnswer(reply.body, reply.status);
  state_.Answered(answer.kind, address, key, answeredAt);
  std::string said = AnswerText(reply.body);
  if (said.empty()) said = "HTTP " + std::to_string(reply.status);
  switch (answer.kind) {
    case DynDnsAnswer::Kind::Success:
      Report(what + said, "");
      return;
    case DynDnsAnswer::Kind::Stop:
      stopCode_ = answer.code;
      Report(what + said + " - " + StopText(answer.code), StopText(answer.code));
      return;
    case DynDnsAnswer::Kind::Retry: {
      const std::string retry =
          main_.Tx("neuer Versuch in ", "retry in ") + Minutes(state_.RetryDelayMs());
      Report(what + said + " (" + retry + ")", "Dynamic DNS: " + said + ", " + retry);
      return;
    }
  }
}

}  // namespace app
