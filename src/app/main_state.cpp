#include "app/main_state.h"

#include "net/network_error.h"

#include "core/text.h"

namespace app {

namespace {
std::string Flag(bool b) {
  return b ? "1" : "0";
}
}  // namespace

std::optional<std::string> MainState::Field(std::string_view name) const {
  struct Entry {
    std::string_view name;
    std::string value;
  };
  const Entry entries[] = {
      {"CloseCount", std::to_string(CloseCount)},
      {"CountdownSeconds", std::to_string(CountdownSeconds)},
      {"AutoFtpOnStart", Flag(AutoFtpOnStart)},
      {"RestartInProgress", Flag(RestartInProgress)},
      {"FirstOnlineTickPending", Flag(FirstOnlineTickPending)},
      {"ConnectionHandle", std::to_string(ConnectionHandle)},
      {"ActiveConnectionCount", std::to_string(ActiveConnectionCount)},
      {"RasState", std::to_string(RasState)},
      {"ManualHangUp", Flag(ManualHangUp)},
      {"HasPhonebookEntries", Flag(HasPhonebookEntries)},
      {"DialDelayActive", Flag(DialDelayActive)},
      {"ClearMemoryPhase", Flag(ClearMemoryPhase)},
      {"EntryChoiceLocked", Flag(EntryChoiceLocked)},
      {"EntryUserName", EntryUserName},
      {"BrowserWindow", std::to_string(BrowserWindow)},
      {"StartSitePending", Flag(StartSitePending)},
      {"ConnectTick", std::to_string(ConnectTick)},
      {"AccumulatedOnlineMs", std::to_string(AccumulatedOnlineMs)},
      {"OnlineDays", std::to_string(OnlineDays)},
      {"OnlineTimeText", OnlineTimeText},
      {"OnlineTimeLogText", OnlineTimeLogText},
      {"LastClientIP", LastClientIP},
      {"LastServerIP", LastServerIP},
      {"LastPublishedIP", LastPublishedIP},
      {"ConnectLogPending", Flag(ConnectLogPending)},
      {"DisconnectLogPending", Flag(DisconnectLogPending)},
      {"MailPending", Flag(MailPending)},
      {"PingBlinkCounter", std::to_string(PingBlinkCounter)},
      {"NetworkErrorFlag", Flag(net::NetworkErrorFlag())},
      {"NetworkErrorText", net::NetworkErrorText()},
  };
  for (const auto& e : entries) {
    if (core::EqualsNoCase(e.name, name)) return e.value;
  }
  return std::nullopt;
}

}  // namespace app
