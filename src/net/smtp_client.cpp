#include "net/smtp_client.h"

#include <unistd.h>

#include <cerrno>
#include <chrono>

#include "net/network_error.h"

namespace net {

TIdSMTP::TIdSMTP(core::EventLoop& loop) : tcp_(loop) {}

TIdSMTP::~TIdSMTP() = default;

std::string TIdSMTP::ComputerName() {
  char name[256] = {};
  if (::gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') return "localhost";
  return name;
}

template <typename F>
void TIdSMTP::Guarded(F&& step) {
  try {
    step();
  } catch (...) {
    // A dialogue that went wrong cannot be continued: the next mail starts afresh.
    tcp_.Close();
    throw;
  }
}

bool TIdSMTP::Refuse(const std::string& text) {
  RecordNetworkErrorText(text);
  tcp_.Close();
  return false;
}

bool TIdSMTP::StartTls() {
  dialogue_.SetSecure(false);
  if (!tcp_.StartTls({.serverName = Host, .caFile = TlsCAFile})) return false;  // recorded
  dialogue_.SetSecure(true);
  return true;
}

bool TIdSMTP::Connect() {
  tcp_.Close();
  dialogue_.SetSecure(false);
  if (!tcp_.Connect(Host, Port)) return false;
  if (NetworkErrorFlag()) return true;  // the caller sees the record and gives up
  if (Security == SmtpSecurity::Tls && !StartTls()) return false;
  const std::string name = LocalName.empty() ? ComputerName() : LocalName;
  try {
    Guarded([&] {
      dialogue_.Greeting();
      dialogue_.Hello(name);
    });
    if (Security == SmtpSecurity::StartTls) {
      if (!dialogue_.OffersStartTls()) {
        dialogue_.Quit();
        return Refuse("TLS: the mail server does not offer STARTTLS");
      }
      try {
        dialogue_.Command("STARTTLS", {220});
      } catch (const SmtpLinkError&) {
        throw;
      } catch (const SmtpError& refused) {
        dialogue_.Quit();
        return Refuse(std::string("TLS: the mail server refused STARTTLS: ") + refused.what());
      }
      if (!StartTls()) return false;
      // What the server said before TLS counts for nothing: ask again.
      Guarded([&] { dialogue_.Hello(name); });
    }
  } catch (const SmtpLinkError&) {
    // A server that accepts and then goes silent or away has not been reached either.
    if (!NetworkErrorFlag()) RecordNetworkError(ECONNRESET);
    tcp_.Close();
    return false;
  }
  return true;
}

void TIdSMTP::Send(const TIdMessage& message) {
  if (!tcp_.Connected()) throw SmtpError(0, "Not connected.");
  Guarded([&] {
    dialogue_.SendMessage(message, AuthenticationType, UserId, Password,
                          TIdMessage::RfcDate(std::chrono::system_clock::now()));
  });
}

void TIdSMTP::Disconnect() {
  if (tcp_.Connected()) dialogue_.Quit();
  tcp_.Close();
}

}  // namespace net
