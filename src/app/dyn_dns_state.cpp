#include "app/dyn_dns_state.h"

#include <algorithm>

namespace app {

namespace {

std::string Key(const std::string& address, const std::string& settings) {
  return settings + '\n' + address;
}

}  // namespace

bool DynDnsState::Due(const std::string& address, const std::string& settings,
                      std::int64_t nowMs) const {
  if (address.empty() || Stopped(settings)) return false;
  if (done_ == Key(address, settings)) return false;
  return delayMs_ == 0 || nowMs >= nextMs_;
}

void DynDnsState::Answered(DynDnsAnswer::Kind kind, const std::string& address,
                           const std::string& settings, std::int64_t nowMs) {
  switch (kind) {
    case DynDnsAnswer::Kind::Success:
      done_ = Key(address, settings);
      stopped_ = false;
      delayMs_ = 0;
      return;
    case DynDnsAnswer::Kind::Stop:
      stopped_ = true;
      stoppedFor_ = settings;
      delayMs_ = 0;
      return;
    case DynDnsAnswer::Kind::Retry:
      delayMs_ = delayMs_ == 0 ? kFirstRetryMs : std::min(delayMs_ * 2, kMaxRetryMs);
      nextMs_ = nowMs + delayMs_;
      return;
  }
}

}  // namespace app
