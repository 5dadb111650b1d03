#include "forms/progress_bar.h"

#include <algorithm>

#include "core/text.h"

namespace forms {

void ProgressBar::SetPosition(long long value) {
  value = std::clamp(value, min_, std::max(min_, max_));
  if (value == position_) return;
  position_ = value;
  Changed("Position");
}

void ProgressBar::SetMax(long long value) {
  if (value == max_) return;
  max_ = value;
  Changed("Max");
  SetPosition(position_);
}

void ProgressBar::SetMin(long long value) {
  if (value == min_) return;
  min_ = value;
  Changed("Min");
  SetPosition(position_);
}

std::optional<std::string> ProgressBar::GetProperty(std::string_view prop) const {
  if (core::EqualsNoCase(prop, "Position")) return std::to_string(position_);
  if (core::EqualsNoCase(prop, "Max")) return std::to_string(max_);
  if (core::EqualsNoCase(prop, "Min")) return std::to_string(min_);
  return Control::GetProperty(prop);
}

bool ProgressBar::SetProperty(std::string_view prop, std::string_view value, Origin origin) {
  if (origin == Origin::User) return false;
  long long v = 0;
  const bool number = core::TryParseInt(value, v);
  if (core::EqualsNoCase(prop, "Position")) {
    if (number) SetPosition(v);
    return number;
  }
  if (core::EqualsNoCase(prop, "Max")) {
    if (number) SetMax(v);
    return number;
  }
  if (core::EqualsNoCase(prop, "Min")) {
    if (number) SetMin(v);
    return number;
  }
  return Control::SetProperty(prop, value, origin);
}

}  // namespace forms
