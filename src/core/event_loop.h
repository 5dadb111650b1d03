#pragma once
// The user-interface thread's event loop: timers, posted tasks, file-descriptor readiness and the
// "process pending messages" pump that long waits run so timers keep firing.
//
// Threading: every member is for the loop's own thread, except PostFromAnyThread and the
// ExternalWork tokens, which any thread may use. Handlers never overlap unless a handler pumps
// the loop itself (ProcessMessages), exactly like the classic message loop.
//
// An exception that escapes a handler is caught, handed to the error display, and the loop goes on.

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/unique_fd.h"

namespace core {

enum IoEvents : unsigned { kIoRead = 1, kIoWrite = 2, kIoError = 4 };

class EventLoop {
 public:
  using Task = std::function<void()>;
  using IoHandler = std::function<void(unsigned events)>;
  using TimerId = std::uint64_t;
  using WatchId = std::uint64_t;
  using ErrorDisplay = std::function<void(const std::string&)>;

  EventLoop();
  virtual ~EventLoop();
  EventLoop(const EventLoop&) = delete;
  EventLoop& operator=(const EventLoop&) = delete;

  // Program time in milliseconds (monotonic, 64 bits).
  [[nodiscard]] virtual std::int64_t NowMs() const = 0;
  // The classic 32-bit millisecond tick count; it wraps after 49.7 days.
  [[nodiscard]] std::uint32_t GetTickCount() const { return static_cast<std::uint32_t>(NowMs()); }

  // Runs `task` once, `delayMs` from now, on the loop's thread.
  TimerId CallAfter(std::int64_t delayMs, Task task);
  void Cancel(TimerId id);

  // Runs `task` on a later pass of the loop (loop thread only).
  void Post(Task task);
  // The one way other threads hand work to the loop.
  void PostFromAnyThread(Task task);

  // Watches `fd` for the given IoEvents. A watch that `holdsTime` tells the simulated-time loop
  // that something outside may still answer, so it waits briefly before jumping the clock.
  WatchId WatchFd(int fd, unsigned events, IoHandler handler, bool holdsTime = true);
  void ModifyWatch(WatchId id, unsigned events);
  void Unwatch(WatchId id);

  // One pass over what is ready now: posted tasks, ready descriptors, due timers.
  // Usable re-entrantly from inside handlers. Returns whether anything ran.
  bool ProcessMessages();

  // One pass; when it found nothing to do, waits for the next thing (or jumps simulated time).
  void ProcessOrWait() {
    if (!ProcessMessages() && !quit_) Idle();
  }

  // Runs until Quit; returns the quit code.
  virtual int Run();
  virtual void Quit(int code = 0);
  [[nodiscard]] bool QuitRequested() const { return quit_; }

  // Runs passes until `done` holds or `timeoutMs` of program time have passed.
  bool RunUntil(const std::function<bool()>& done, std::int64_t timeoutMs);
  // Runs for `ms` of program time.
  void RunFor(std::int64_t ms);

  void SetErrorDisplay(ErrorDisplay display) { errorDisplay_ = std::move(display); }
  // Reports an exception message as the loop does for handlers.
  void ReportError(const std::string& what);
  // Runs a handler with the loop's exception guard.
  void Guarded(const Task& task);

  // Another thread is working for the loop and will post back: the simulated-time loop must not
  // jump its clock meanwhile. RAII token; any thread may create or destroy one.
  class ExternalWork {
   public:
    explicit ExternalWork(EventLoop& loop) : loop_(&loop) { ++loop.externalWork_; }
    ~ExternalWork() {
      if (loop_) loop_->EndExternalWork();
    }
    ExternalWork(const ExternalWork&) = delete;
    ExternalWork& operator=(const ExternalWork&) = delete;

   private:
    EventLoop* loop_;
  };

 protected:
  // Waits for something to become ready, at most `timeoutMs` real milliseconds (-1: no limit).
  // Returns whether a descriptor or the wake-up became ready.
  bool WaitReady(int timeoutMs);
  // What the loop does when a pass found nothing to do.
  virtual void Idle() = 0;
  [[nodiscard]] std::int64_t NextTimerDue() const;  // -1 when none
  [[nodiscard]] bool HasTimers() const { return !timers_.empty(); }
  [[nodiscard]] bool SomethingHoldsTime() const;
  [[nodiscard]] bool ExternalWorkPending() const { return externalWork_ > 0; }
  void EndExternalWork();

  // For a loop that runs inside another toolkit's loop: ProcessMessages first lets it handle that
  // toolkit's pending events (so a long wait keeps the windows painting); returns whether any ran.
  virtual bool PumpExternal() { return false; }
  // Timers, watches or posted tasks changed, so the host loop may have to wake up at another time.
  virtual void ScheduleChanged() {}
  struct WatchedFd {
    int fd;
    unsigned events;
  };
  [[nodiscard]] std::vector<WatchedFd> WatchedFds() const;
  [[nodiscard]] int WakeFd() const { return wakeFd_.Get(); }
  // Ends a requested quit and returns its code.
  int ConsumeQuit();

 private:
  struct TimerEntry {
    TimerId id;
    Task task;
  };
  struct Watch {
    int fd;
    unsigned events;
    std::shared_ptr<IoHandler> handler;
    bool holdsTime;
  };

  bool RunPosted();
  bool RunDueTimers();
  bool PollDescriptors(int timeoutMs);
  void Wake();
  void DrainWake();

  std::multimap<std::int64_t, TimerEntry> timers_;
  std::map<TimerId, std::int64_t> timerDue_;
  TimerId nextTimerId_ = 1;

  std::vector<Task> posted_;
  std::mutex crossMutex_;
  std::vector<Task> crossPosted_;

  std::map<WatchId, Watch> watches_;
  WatchId nextWatchId_ = 1;

  UniqueFd wakeFd_;
  std::atomic<int> externalWork_{0};
  bool quit_ = false;
  int quitCode_ = 0;
  ErrorDisplay errorDisplay_;
};

}  // namespace core
