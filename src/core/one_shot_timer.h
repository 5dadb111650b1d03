#pragma once
// A timer that fires once, owned by the object that armed it: arming again replaces the pending
// shot, Cancel (and destruction) make sure it never fires. Replaces the "cancel, then zero the id"
// pairs that are easy to get half right.
//
// Threading: the loop's thread only, as for EventLoop::CallAfter. The loop must outlive the timer.

#include <cstdint>
#include <functional>

#include "core/event_loop.h"

namespace core {

class OneShotTimer {
 public:
  explicit OneShotTimer(EventLoop& loop) : loop_(&loop) {}
  ~OneShotTimer() { Cancel(); }
  OneShotTimer(const OneShotTimer&) = delete;
  OneShotTimer& operator=(const OneShotTimer&) = delete;

  // Fires `task` once after `delayMs`, replacing a shot still pending.
  void Start(std::int64_t delayMs, EventLoop::Task task);
  void Cancel();
  [[nodiscard]] bool Pending() const { return id_ != 0; }

 private:
  EventLoop* loop_;
  EventLoop::TimerId id_ = 0;
};

}  // namespace core
