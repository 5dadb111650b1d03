#include "net/socket_wait.h"

#include <sys/timerfd.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "core/text.h"
#include "core/unique_fd.h"
#include "net/resolver.h"

namespace net {
namespace {

// A one-shot real-time deadline the loop can watch.
core::UniqueFd Deadline(std::int64_t ms) {
  core::UniqueFd timer(::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC));
  if (!timer) throw std::system_error(errno, std::generic_category(), "timerfd_create");
  if (ms <= 0) ms = 1;
  itimerspec spec{};
  spec.it_value.tv_sec = static_cast<time_t>(ms / 1000);
  spec.it_value.tv_nsec = static_cast<long>(ms % 1000) * 1'000'000;
  if (::timerfd_settime(timer.Get(), 0, &spec, nullptr) != 0) {
    throw std::system_error(errno, std::generic_category(), "timerfd_settime");
  }
  return timer;
}

struct ScopedWatch {
  core::EventLoop& loop;
  core::EventLoop::WatchId id;
  ~ScopedWatch() { loop.Unwatch(id); }
};

// Runs the loop until `done` holds, the deadline passes or the loop is asked to quit.
template <typename Done>
WaitResult PumpUntil(core::EventLoop& loop, std::int64_t timeoutMs, Done done) {
  core::UniqueFd deadline = Deadline(timeoutMs);
  bool expired = false;
  core::EventLoop::ExternalWork holdSimulatedClock(loop);
  ScopedWatch timerWatch{
      loop, loop.WatchFd(
                deadline.Get(), core::kIoRead, [&](unsigned) { expired = true; }, false)};
  while (!done()) {
    if (loop.QuitRequested()) return WaitResult::Quit;
    if (expired) return WaitResult::TimedOut;
    loop.ProcessOrWait();
  }
  return WaitResult::Ready;
}

}  // namespace

WaitResult WaitForSocket(core::EventLoop& loop, int fd, unsigned events, std::int64_t timeoutMs) {
  bool ready = false;
  ScopedWatch socketWatch{loop, loop.WatchFd(
                                    fd, events, [&](unsigned) { ready = true; }, false)};
  return PumpUntil(loop, timeoutMs, [&] { return ready; });
}

std::string ResolveBlocking(core::EventLoop& loop, const std::string& host,
                            std::int64_t timeoutMs) {
  const std::string name = core::Trim(host);
  if (core::EqualsNoCase(name, "LOCALHOST")) return "127.0.0.1";
  if (Resolver::IsDottedAddress(name)) return name;
  if (name.empty()) return "";
  Resolver resolver(loop);
  bool answered = false;
  std::string address;
  resolver.Resolve(name, [&](int error, const std::string& result) {
    answered = true;
    if (error == 0) address = result;
  });
  if (PumpUntil(loop, timeoutMs, [&] { return answered; }) != WaitResult::Ready) return "";
  return address;
}

}  // namespace net
