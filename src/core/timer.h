#pragma once
// A repeating timer with the classic component semantics: Interval in milliseconds, Enabled,
// and an OnTimer handler. Switching it on (or giving it a new interval while on) starts a fresh
// interval; an interval of 0 never fires. Loop thread only.

#include <cstdint>
#include <functional>
#include <string>

#include "core/event_loop.h"

namespace core {

class Timer {
 public:
  Timer(EventLoop& loop, std::string name, std::uint32_t intervalMs = 1000, bool enabled = true);
  ~Timer();
  Timer(const Timer&) = delete;
  Timer& operator=(const Timer&) = delete;

  [[nodiscard]] const std::string& Name() const { return name_; }
  [[nodiscard]] bool Enabled() const { return enabled_; }
  void SetEnabled(bool on);
  [[nodiscard]] std::uint32_t Interval() const { return interval_; }
  void SetInterval(std::uint32_t ms);

  std::function<void()> OnTimer;
  // Observers hear about Enabled/Interval changes (the form printer, the GUI).
  std::function<void(const Timer&)> OnChanged;

 private:
  void Schedule();
  void Unschedule();
  void Fire();

  EventLoop& loop_;
  std::string name_;
  std::uint32_t interval_;
  bool enabled_;
  EventLoop::TimerId pending_ = 0;
};

}  // namespace core
