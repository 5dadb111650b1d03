#include "app/restart_backoff.h"

#include <chrono>

namespace app {

namespace {
constexpr int kCountLimit = 1000;  // far past the point where the delay stops growing
}  // namespace

RestartBackoff::RestartBackoff(int restartsInARow)
    : RealNowMs([] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
      }),
      restarts_(restartsInARow < 0 ? 0 : restartsInARow) {}

int RestartBackoff::Parse(const char* text) {
  if (!text || !*text) return 0;
  int n = 0;
  for (const char* p = text; *p; ++p) {
    if (*p < '0' || *p > '9') return 0;
    n = n * 10 + (*p - '0');
    if (n > kCountLimit) n = kCountLimit;
  }
  return n;
}

int RestartBackoff::DelaySeconds() const {
  int seconds = kFirstSeconds;
  for (int i = 0; i < restarts_ && seconds < kLimitSeconds; ++i) seconds *= 2;
  return seconds < kLimitSeconds ? seconds : kLimitSeconds;
}

void RestartBackoff::NoteConnection(bool complete) {
  if (!complete) {
    upSinceMs_ = -1;
    return;
  }
  const std::int64_t now = RealNowMs();
  if (upSinceMs_ < 0) upSinceMs_ = now;
  if (now - upSinceMs_ >= kSteadyMs) restarts_ = 0;
}

}  // namespace app
