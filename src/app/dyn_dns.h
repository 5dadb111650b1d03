#pragma once
// DynDnsUpdater: publishes the client IP to a dynamic-DNS service (the dyndns2 update protocol)
// while "DynDnsAuto" is on. The status tick hands it the published address on every tick of a
// complete connection; DynDnsState decides whether a request goes out (once per address, stopped
// after an answer about the account until the settings change, failures retried with backoff).
// Each request and its answer make a "DynDNS....:" line of the time log; a stop or a failure is
// also said in the status bar.
//
// Threading: loop thread only; the request blocks the tick at most for the transport's time-out
// (the loop keeps running meanwhile).

#include <string>

#include "app/dyn_dns_state.h"
#include "app/dyn_dns_transport.h"

namespace app {

class TStayline;

class DynDnsUpdater {
 public:
  static constexpr const char* kLogLabel = "DynDNS....:";

  DynDnsUpdater(TStayline& main, DynDnsTransport& transport);
  DynDnsUpdater(const DynDnsUpdater&) = delete;
  DynDnsUpdater& operator=(const DynDnsUpdater&) = delete;

  // Sends the update for `address` when one is due.
  void Update(const std::string& address);
  // The page's "Dyn. DNS" button: the setup dialog.
  void DynDnsSetupClick();

  [[nodiscard]] const DynDnsState& Schedule() const { return state_; }
  // Why updates stopped for `code`, in the current language.
  [[nodiscard]] std::string StopText(const std::string& code) const;
  // Why updates are stopped now ("" while they are not): the setup dialog shows it.
  [[nodiscard]] std::string StoppedText() const;

 private:
  [[nodiscard]] std::string SettingsKey() const;
  void Report(const std::string& logText, const std::string& statusText);

  TStayline& main_;
  DynDnsTransport& transport_;
  DynDnsState state_;
  std::string stopCode_;  // the answer that stopped the updates
};

}  // namespace app
