#include "forms/tray_icon.h"

#include "core/text.h"

namespace forms {

bool TrayIcon::Add(const std::string& icon, const std::string& tip) {
  if (ShellAccepts && !ShellAccepts()) return false;
  const bool wasAdded = added_;
  added_ = true;
  Modify(icon, tip);
  if (!wasAdded) Changed("Added");
  return true;
}

void TrayIcon::Modify(const std::string& icon, const std::string& tip) {
  if (icon != icon_) {
    icon_ = icon;
    Changed("Icon");
  }
  if (tip != tip_) {
    tip_ = tip;
    Changed("Tip");
  }
}

void TrayIcon::Remove() {
  if (!added_) return;
  added_ = false;
  Changed("Added");
}

std::optional<std::string> TrayIcon::GetProperty(std::string_view prop) const {
  if (core::EqualsNoCase(prop, "Added")) return BoolText(added_);
  if (core::EqualsNoCase(prop, "Icon")) return icon_;
  if (core::EqualsNoCase(prop, "Tip")) return tip_;
  return Control::GetProperty(prop);
}

}  // namespace forms
