#include "app/real_time_wait.h"

#include <sys/timerfd.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <system_error>

#include "core/unique_fd.h"

namespace app {

bool RealTimeWait::Run(core::EventLoop& loop, std::int64_t ms,
                       const std::function<void(int)>& onSecond,
                       const std::function<bool()>& stop) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point end = Clock::now() + std::chrono::milliseconds(ms);
  auto leftMs = [&end] {
    return std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
  };
  auto seconds = [](std::int64_t left) { return static_cast<int>((left + 999) / 1000); };
  auto ended = [&] { return stop() || loop.QuitRequested(); };
  if (ms <= 0) return !ended();

  core::UniqueFd timer(::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC));
  if (!timer) throw std::system_error(errno, std::generic_category(), "timerfd_create");
  // Expiries fall on the whole seconds left, the last one on the end of the span.
  const std::int64_t firstMs = ms % 1000 != 0 ? ms % 1000 : 1000;
  itimerspec spec{};
  spec.it_value.tv_sec = static_cast<time_t>(firstMs / 1000);
  spec.it_value.tv_nsec = static_cast<long>(firstMs % 1000) * 1'000'000;
  spec.it_interval.tv_sec = 1;
  if (::timerfd_settime(timer.Get(), 0, &spec, nullptr) != 0) {
    throw std::system_error(errno, std::generic_category(), "timerfd_settime");
  }

  // A simulated clock must not jump ahead to its next timer while real time is what counts.
  core::EventLoop::ExternalWork holdSimulatedClock(loop);
  const core::EventLoop::WatchId watch = loop.WatchFd(
      timer.Get(), core::kIoRead,
      [&](unsigned) {
        std::uint64_t expiries = 0;
        [[maybe_unused]] const auto n = ::read(timer.Get(), &expiries, sizeof expiries);
        const std::int64_t left = leftMs();
        if (left > 0) onSecond(seconds(left));
      },
      false);
  struct Unwatch {
    core::EventLoop& loop;
    core::EventLoop::WatchId id;
    ~Unwatch() { loop.Unwatch(id); }
  } unwatch{loop, watch};

  onSecond(seconds(ms));
  while (leftMs() > 0 && !ended()) loop.ProcessOrWait();
  return !ended();
}

}  // namespace app
