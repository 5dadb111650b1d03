#include "core/poll_loop.h"

#include <time.h>

namespace core {

std::int64_t PollLoop::NowMs() const {
  timespec ts{};
  ::clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<std::int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1'000'000;
}

void PollLoop::Idle() {
  const std::int64_t due = NextTimerDue();
  int timeout = -1;
  if (due >= 0) {
    const std::int64_t wait = due - NowMs();
    timeout = wait < 0 ? 0 : static_cast<int>(wait > 60'000 ? 60'000 : wait);
  }
  WaitReady(timeout);
}

}  // namespace core
