#pragma once
// The main window's shared state: the connection, the status tick and the life cycle read and
// write these fields; the control socket shows them by name ("state <Field>").

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "ras/ras_api.h"

namespace app {

struct MainState {
  // life cycle
  int CloseCount = 0;
  int CountdownSeconds = 0;
  bool AutoFtpOnStart = false;
  bool RestartInProgress = false;
  bool FirstOnlineTickPending = false;
  // connection
  std::uint32_t ConnectionHandle = 0;
  int ActiveConnectionCount = 0;
  int RasState = 0;
  bool ManualHangUp = false;
  bool HasPhonebookEntries = false;
  bool DialDelayActive = false;
  bool ClearMemoryPhase = false;   // which wait of the broken-connection recovery runs
  bool EntryChoiceLocked = false;  // "Close DFUE" locked the choice of the entry to dial
  std::string EntryUserName;       // credentials of the entry to dial, read before each dial
  std::string EntryPassword;
  ras::RASDIALPARAMSA DialParams{};  // the window's one dial-parameter record
  std::uint64_t BrowserWindow = 0;   // the browser's main window, 0 when none is known
  bool StartSitePending = false;     // the first browser opening shows the start page
  std::string PendingUrl;            // an address that waits for the line to come up
  bool UrlPending = false;
  std::string PingClientIP;  // the dial-up component's client IP as the ping guard saw it
  // status tick and online time
  std::uint32_t ConnectTick = 0;
  std::uint64_t AccumulatedOnlineMs = 0;  // 64 bits: a run may be online longer than 49.7 days
  double OnlineDays = 0;
  std::string OnlineTimeText;
  std::string OnlineTimeLogText;
  std::string LastClientIP;
  std::string LastServerIP;
  std::string LastPublishedIP;
  bool ConnectLogPending = false;
  bool DisconnectLogPending = false;
  bool MailPending = true;
  int PingBlinkCounter = 0;

  // A field by name, as text ("1"/"0" for flags); nullopt for an unknown name.
  [[nodiscard]] std::optional<std::string> Field(std::string_view name) const;
};

}  // namespace app
