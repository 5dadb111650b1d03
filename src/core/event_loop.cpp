#include "core/event_loop.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <exception>
#include <iostream>
#include <system_error>

namespace core {

EventLoop::EventLoop() {
  wakeFd_.Reset(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
  if (!wakeFd_) throw std::system_error(errno, std::generic_category(), "eventfd");
}

EventLoop::~EventLoop() = default;

EventLoop::TimerId EventLoop::CallAfter(std::int64_t delayMs, Task task) {
  const TimerId id = nextTimerId_++;
  const std::int64_t due = NowMs() + (delayMs < 0 ? 0 : delayMs);
  timers_.emplace(due, TimerEntry{id, std::move(task)});
  timerDue_[id] = due;
  ScheduleChanged();
  return id;
}

void EventLoop::Cancel(TimerId id) {
  auto it = timerDue_.find(id);
  if (it == timerDue_.end()) return;
  auto range = timers_.equal_range(it->second);
  for (auto t = range.first; t != range.second; ++t) {
    if (t->second.id == id) {
      timers_.erase(t);
      break;
    }
  }
  timerDue_.erase(it);
  ScheduleChanged();
}

void EventLoop::Post(Task task) {
  posted_.push_back(std::move(task));
  ScheduleChanged();
}

void EventLoop::PostFromAnyThread(Task task) {
  {
    std::lock_guard lock(crossMutex_);
    crossPosted_.push_back(std::move(task));
  }
  Wake();
}

EventLoop::WatchId EventLoop::WatchFd(int fd, unsigned events, IoHandler handler, bool holdsTime) {
  const WatchId id = nextWatchId_++;
  watches_[id] = Watch{fd, events, std::make_shared<IoHandler>(std::move(handler)), holdsTime};
  ScheduleChanged();
  return id;
}

void EventLoop::ModifyWatch(WatchId id, unsigned events) {
  auto it = watches_.find(id);
  if (it == watches_.end() || it->second.events == events) return;
  it->second.events = events;
  ScheduleChanged();
}

void EventLoop::Unwatch(WatchId id) {
  if (watches_.erase(id) > 0) ScheduleChanged();
}

std::vector<EventLoop::WatchedFd> EventLoop::WatchedFds() const {
  std::vector<WatchedFd> out;
  for (const auto& [id, w] : watches_) {
    if (w.events) out.push_back(WatchedFd{w.fd, w.events});
  }
  return out;
}

void EventLoop::Wake() {
  const std::uint64_t one = 1;
  [[maybe_unused]] auto n = ::write(wakeFd_.Get(), &one, sizeof one);
}

void EventLoop::DrainWake() {
  std::uint64_t value;
  while (::read(wakeFd_.Get(), &value, sizeof value) > 0) {
  }
}

void EventLoop::EndExternalWork() {
  --externalWork_;
  Wake();
}

void EventLoop::ReportError(const std::string& what) {
  if (errorDisplay_) {
    errorDisplay_(what);
  } else {
    std::cerr << "stayline: " << what << std::endl;
  }
}

void EventLoop::Guarded(const Task& task) {
  try {
    task();
  } catch (const std::exception& e) {
    ReportError(e.what());
  } catch (...) {
    ReportError("unknown exception");
  }
}

bool EventLoop::RunPosted() {
  std::vector<Task> batch;
  batch.swap(posted_);
  {
    std::lock_guard lock(crossMutex_);
    for (auto& t : crossPosted_) batch.push_back(std::move(t));
    crossPosted_.clear();
  }
  for (auto& t : batch) Guarded(t);
  return !batch.empty();
}

bool EventLoop::RunDueTimers() {
  // Only what is due at the start of the pass runs, so a handler that re-arms itself for "now"
  // cannot starve the rest of the loop.
  const std::int64_t now = NowMs();
  std::vector<TimerId> due;
  for (auto it = timers_.begin(); it != timers_.end() && it->first <= now; ++it) {
    due.push_back(it->second.id);
  }
  for (TimerId id : due) {
    auto d = timerDue_.find(id);
    if (d == timerDue_.end()) continue;  // cancelled by an earlier handler of this pass
    Task task;
    auto range = timers_.equal_range(d->second);
    for (auto t = range.first; t != range.second; ++t) {
      if (t->second.id == id) {
        task = std::move(t->second.task);
        timers_.erase(t);
        break;
      }
    }
    timerDue_.erase(d);
    Guarded(task);
  }
  return !due.empty();
}

bool EventLoop::PollDescriptors(int timeoutMs) {
  std::vector<pollfd> fds;
  std::vector<WatchId> ids;
  fds.push_back(pollfd{wakeFd_.Get(), POLLIN, 0});
  ids.push_back(0);
  for (const auto& [id, w] : watches_) {
    short ev = 0;
    if (w.events & kIoRead) ev |= POLLIN;
    if (w.events & kIoWrite) ev |= POLLOUT;
    if (ev == 0) continue;
    fds.push_back(pollfd{w.fd, ev, 0});
    ids.push_back(id);
  }
  int n = ::poll(fds.data(), fds.size(), timeoutMs);
  if (n <= 0) return false;
  bool ran = false;
  if (fds[0].revents) DrainWake();
  for (std::size_t i = 1; i < fds.size(); ++i) {
    if (!fds[i].revents) continue;
    auto it = watches_.find(ids[i]);
    if (it == watches_.end()) continue;  // removed by an earlier handler
    unsigned events = 0;
    if (fds[i].revents & (POLLIN | POLLPRI)) events |= kIoRead;
    if (fds[i].revents & POLLOUT) events |= kIoWrite;
    if (fds[i].revents & (POLLERR | POLLHUP | POLLNVAL)) events |= kIoError;
    auto handler = it->second.handler;  // keeps the handler alive if it unwatches itself
    Guarded([&] { (*handler)(events); });
    ran = true;
  }
  return ran || fds[0].revents;
}

bool EventLoop::ProcessMessages() {
  bool ran = PumpExternal();
  ran = RunPosted() || ran;
  ran = PollDescriptors(0) || ran;
  ran = RunPosted() || ran;
  ran = RunDueTimers() || ran;
  return ran;
}

bool EventLoop::WaitReady(int timeoutMs) {
  {
    std::lock_guard lock(crossMutex_);
    if (!crossPosted_.empty()) return true;
  }
  if (!posted_.empty()) return true;
  return PollDescriptors(timeoutMs);
}

std::int64_t EventLoop::NextTimerDue() const {
  return timers_.empty() ? -1 : timers_.begin()->first;
}

bool EventLoop::SomethingHoldsTime() const {
  if (externalWork_ > 0) return true;
  for (const auto& [id, w] : watches_) {
    if (w.holdsTime && w.events) return true;
  }
  return false;
}

int EventLoop::Run() {
  // A quit asked for before the loop runs (during start-up) still ends it.
  while (!quit_) {
    if (!ProcessMessages() && !quit_) Idle();
  }
  return ConsumeQuit();
}

int EventLoop::ConsumeQuit() {
  quit_ = false;  // a later Run starts afresh
  return quitCode_;
}

void EventLoop::Quit(int code) {
  quit_ = true;
  quitCode_ = code;
  Wake();
}

bool EventLoop::RunUntil(const std::function<bool()>& done, std::int64_t timeoutMs) {
  bool expired = false;
  const TimerId deadline = CallAfter(timeoutMs, [&] { expired = true; });
  while (!done() && !expired && !quit_) {
    if (!ProcessMessages() && !done()) Idle();
  }
  Cancel(deadline);
  return done();
}

void EventLoop::RunFor(std::int64_t ms) {
  RunUntil([] { return false; }, ms);
}

}  // namespace core
