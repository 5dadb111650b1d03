#include "forms/menu_item.h"

#include "core/text.h"

namespace forms {

void MenuItem::SetChecked(bool on) {
  if (on == checked_) return;
  checked_ = on;
  Changed("Checked");
}

std::optional<std::string> MenuItem::GetProperty(std::string_view prop) const {
  if (core::EqualsNoCase(prop, "Checked")) return BoolText(checked_);
  return Control::GetProperty(prop);
}

bool MenuItem::SetProperty(std::string_view prop, std::string_view value, Origin origin) {
  if (!core::EqualsNoCase(prop, "Checked")) return Control::SetProperty(prop, value, origin);
  if (origin == Origin::User) return false;  // a user clicks the item instead
  SetChecked(ParseBool(value));
  return true;
}

}  // namespace forms
