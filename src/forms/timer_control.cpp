#include "forms/timer_control.h"

#include "core/text.h"

namespace forms {

TimerControl::TimerControl(Form& form, core::EventLoop& loop, std::string name,
                           std::uint32_t intervalMs, bool enabled)
    : Control(form, name, ControlKind::Timer), timer_(loop, name, intervalMs, enabled) {
  timer_.OnChanged = [this](const core::Timer&) { Changed("Enabled"); };
}

std::optional<std::string> TimerControl::GetProperty(std::string_view prop) const {
  if (core::EqualsNoCase(prop, "Enabled")) return BoolText(timer_.Enabled());
  if (core::EqualsNoCase(prop, "Interval")) return std::to_string(timer_.Interval());
  return Control::GetProperty(prop);
}

bool TimerControl::SetProperty(std::string_view prop, std::string_view value, Origin origin) {
  if (origin == Origin::User) return false;  // nothing a user can touch
  if (core::EqualsNoCase(prop, "Enabled")) {
    SetEnabled(ParseBool(value));
    return true;
  }
  if (core::EqualsNoCase(prop, "Interval")) {
    long long ms = 0;
    if (!core::TryParseInt(value, ms) || ms < 0) return false;
    SetInterval(static_cast<std::uint32_t>(ms));
    return true;
  }
  return Control::SetProperty(prop, value, origin);
}

}  // namespace forms
