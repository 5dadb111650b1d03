#pragma once
// DynDnsState: when the dynamic-DNS update asks the server. One successful update per address
// and settings (the host names, account and server the update was made with); a stopping answer
// keeps every further request back until those settings change; a failure waits before the next
// try, 5 minutes first and twice as long after each failure in a row, at most an hour. A new
// address during such a wait waits too (the server asked for the pause), then goes out as the
// newest address.
//
// Threading: pure; times are the caller's milliseconds.

#include <cstdint>
#include <string>

#include "app/dyn_dns_answer.h"

namespace app {

class DynDnsState {
 public:
  static constexpr std::int64_t kFirstRetryMs = 5 * 60 * 1000;
  static constexpr std::int64_t kMaxRetryMs = 60 * 60 * 1000;

  // Whether a request for `address` with the settings `settings` (any text that changes with
  // them) should go out at `nowMs`.
  [[nodiscard]] bool Due(const std::string& address, const std::string& settings,
                         std::int64_t nowMs) const;
  // The answer to the request for `address` with `settings`, received at `nowMs`.
  void Answered(DynDnsAnswer::Kind kind, const std::string& address, const std::string& settings,
                std::int64_t nowMs);

  // Stopped for these settings (a stopping answer came and they have not changed since).
  [[nodiscard]] bool Stopped(const std::string& settings) const {
    return stopped_ && stoppedFor_ == settings;
  }
  // The wait after the last failure (0 when the last request did not fail).
  [[nodiscard]] std::int64_t RetryDelayMs() const { return delayMs_; }

 private:
  std::string done_;  // settings + address of the last success
  bool stopped_ = false;
  std::string stoppedFor_;
  std::int64_t delayMs_ = 0;
  std::int64_t nextMs_ = 0;
};

}  // namespace app
