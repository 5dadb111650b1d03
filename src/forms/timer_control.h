#pragma once
// A form's timer component: Interval, Enabled and OnTimer with the classic semantics
// (core::Timer), visible to observers and the control socket like any other control.

#include "core/timer.h"
#include "forms/control.h"

namespace forms {

class TimerControl : public Control {
 public:
  TimerControl(Form& form, core::EventLoop& loop, std::string name, std::uint32_t intervalMs,
               bool enabled);

  [[nodiscard]] bool Enabled() const { return timer_.Enabled(); }
  void SetEnabled(bool on) { timer_.SetEnabled(on); }
  [[nodiscard]] std::uint32_t Interval() const { return timer_.Interval(); }
  void SetInterval(std::uint32_t ms) { timer_.SetInterval(ms); }

  std::function<void()>& OnTimer() { return timer_.OnTimer; }

  [[nodiscard]] std::optional<std::string> GetProperty(std::string_view prop) const override;
  bool SetProperty(std::string_view prop, std::string_view value, Origin origin) override;

 private:
  core::Timer timer_;
};

}  // namespace forms
