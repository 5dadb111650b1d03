#include "core/timer.h"

namespace core {

Timer::Timer(EventLoop& loop, std::string name, std::uint32_t intervalMs, bool enabled)
    : loop_(loop), name_(std::move(name)), interval_(intervalMs), enabled_(enabled) {
  Schedule();
}

Timer::~Timer() {
  Unschedule();
}

void Timer::SetEnabled(bool on) {
  if (on == enabled_) return;
  enabled_ = on;
  Unschedule();
  Schedule();
  if (OnChanged) OnChanged(*this);
}

void Timer::SetInterval(std::uint32_t ms) {
  if (ms == interval_) return;
  interval_ = ms;
  Unschedule();
  Schedule();
  if (OnChanged) OnChanged(*this);
}

void Timer::Schedule() {
  if (enabled_ && interval_ > 0) pending_ = loop_.CallAfter(interval_, [this] { Fire(); });
}

void Timer::Unschedule() {
  if (pending_) loop_.Cancel(pending_);
  pending_ = 0;
}

void Timer::Fire() {
  // The next interval starts now, before the handler runs, as with window-message timers; a
  // handler that switches the timer off cancels it again.
  pending_ = 0;
  Schedule();
  if (OnTimer) OnTimer();
}

}  // namespace core
