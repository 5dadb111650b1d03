#include "core/one_shot_timer.h"

#include <utility>

namespace core {

void OneShotTimer::Start(std::int64_t delayMs, EventLoop::Task task) {
  Cancel();
  // The id is cleared before the task runs, so the task may arm the timer again.
  id_ = loop_->CallAfter(delayMs, [this, task = std::move(task)] {
    id_ = 0;
    task();
  });
}

void OneShotTimer::Cancel() {
  if (id_ != 0) loop_->Cancel(std::exchange(id_, 0));
}

}  // namespace core
