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

bool TIdSMTP::Connect() {
  tcp_.Close();
  if (!tcp_.Connect(Host, Port)) return false;
  if (NetworkErrorFlag()) return true;  // the caller sees the record and gives up
  try {
    Guarded([this] {
      dialogue_.Greeting();
      dialogue_.Hello(LocalName.empty() ? ComputerName() : LocalName);
    });
  } catch (const SmtpLinkError&) {
    // A server that accepts and then goes silent or away has not been reached either.
    if (!NetworkErrorFlag()) RecordNetworkError(ECONNRESET);
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
