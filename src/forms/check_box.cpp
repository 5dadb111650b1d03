#include "forms/check_box.h"

#include "core/text.h"

namespace forms {

void CheckBox::SetChecked(bool on) {
  if (on == checked_) return;
  checked_ = on;
  Changed("Checked");
  FireClick();
}

std::optional<std::string> CheckBox::GetProperty(std::string_view prop) const {
  if (core::EqualsNoCase(prop, "Checked")) return BoolText(checked_);
  return Control::GetProperty(prop);
}

bool CheckBox::SetProperty(std::string_view prop, std::string_view value, Origin origin) {
  if (!core::EqualsNoCase(prop, "Checked")) return Control::SetProperty(prop, value, origin);
  if (origin == Origin::User) {
    const auto on = ParseUserBool(value);
    if (!on) return false;
    if (AcceptsUserInput()) SetChecked(*on);
    return true;
  }
  SetChecked(ParseBool(value));
  return true;
}

bool CheckBox::UserSettable(std::string_view prop) const {
  return core::EqualsNoCase(prop, "Checked");
}

std::optional<std::string> CheckBox::RejectUserValue(std::string_view prop,
                                                     std::string_view value) const {
  return UserSettable(prop) ? RejectNonBool(value) : std::nullopt;
}

}  // namespace forms
