#include "core/sim_loop.h"

namespace core {

void SimLoop::SetNowMs(std::int64_t ms) {
  if (ms > now_) now_ = ms;
}

void SimLoop::Idle() {
  // Another thread works for the loop: its answer comes in real time, so the clock stands still.
  if (ExternalWorkPending()) {
    WaitReady(graceMs_);
    return;
  }
  if (SomethingHoldsTime() && WaitReady(graceMs_)) return;
  const std::int64_t due = NextTimerDue();
  if (due >= 0) {
    SetNowMs(due);
    return;
  }
  // No timer at all: only another thread or a descriptor can bring work.
  WaitReady(-1);
}

}  // namespace core
