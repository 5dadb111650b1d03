#pragma once
// Waits a span of real time while the loop goes on serving descriptors, posted work and the
// control socket, whatever clock the loop keeps: a simulated clock stands still meanwhile (its
// timers wait with it), a real one runs its timers as usual.
//
// Threading: loop thread only.

#include <cstdint>
#include <functional>

#include "core/event_loop.h"

namespace app {

class RealTimeWait {
 public:
  // Tells `onSecond` the whole seconds left at the start and after every real second. Returns
  // true when the span has passed; false as soon as `stop` holds or the loop is asked to quit
  // (both are checked on every pass of the loop).
  static bool Run(core::EventLoop& loop, std::int64_t ms,
                  const std::function<void(int secondsLeft)>& onSecond,
                  const std::function<bool()>& stop);
};

}  // namespace app
