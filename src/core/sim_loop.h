#pragma once
// Virtual-time event loop: when nothing is ready it jumps its clock to the next timer, so minutes
// of program time run in milliseconds. Descriptors and other threads are still served for real:
// while a time-holding watch exists or another thread works for the loop, it waits a short real
// grace period for them before it jumps.

#include "core/event_loop.h"

namespace core {

class SimLoop final : public EventLoop {
 public:
  explicit SimLoop(std::int64_t startMs = 1'000'000) : now_(startMs) {}

  [[nodiscard]] std::int64_t NowMs() const override { return now_; }
  // Moves the clock (tests); never backwards.
  void SetNowMs(std::int64_t ms);
  void AdvanceMs(std::int64_t ms) { SetNowMs(now_ + ms); }
  void SetRealGraceMs(int ms) { graceMs_ = ms; }

 protected:
  void Idle() override;

 private:
  std::int64_t now_;
  int graceMs_ = 50;
};

}  // namespace core
