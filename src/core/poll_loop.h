#pragma once
// Real-time event loop on poll(2); program time is the monotonic clock.

#include "core/event_loop.h"

namespace core {

class PollLoop final : public EventLoop {
 public:
  [[nodiscard]] std::int64_t NowMs() const override;

 protected:
  void Idle() override;
};

}  // namespace core
