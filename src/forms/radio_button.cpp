#include "forms/radio_button.h"

#include "core/text.h"
#include "forms/form.h"

namespace forms {

void RadioButton::SetChecked(bool on) {
  if (on == checked_) return;
  checked_ = on;
  if (on) {
    for (Control* c : Owner().Controls()) {
      if (c != this && c->Kind() == ControlKind::RadioButton && c->Parent() == Parent()) {
        static_cast<RadioButton*>(c)->SetChecked(false);
      }
    }
  }
  Changed("Checked");
  if (on) FireClick();
}

std::optional<std::string> RadioButton::GetProperty(std::string_view prop) const {
  if (core::EqualsNoCase(prop, "Checked")) return BoolText(checked_);
  return Control::GetProperty(prop);
}

bool RadioButton::SetProperty(std::string_view prop, std::string_view value, Origin origin) {
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

bool RadioButton::UserSettable(std::string_view prop) const {
  return core::EqualsNoCase(prop, "Checked");
}

std::optional<std::string> RadioButton::RejectUserValue(std::string_view prop,
                                                        std::string_view value) const {
  return UserSettable(prop) ? RejectNonBool(value) : std::nullopt;
}

}  // namespace forms
