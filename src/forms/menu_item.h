#pragma once
// Menu item (main menu and popup menus): a click fires OnClick; Checked is a mark without events.

#include "forms/control.h"

namespace forms {

class MenuItem : public Control {
 public:
  MenuItem(Form& form, std::string name) : Control(form, std::move(name), ControlKind::MenuItem) {}

  [[nodiscard]] bool Checked() const { return checked_; }
  void SetChecked(bool on);

  [[nodiscard]] std::optional<std::string> GetProperty(std::string_view prop) const override;
  bool SetProperty(std::string_view prop, std::string_view value, Origin origin) override;

 private:
  bool checked_ = false;
};

}  // namespace forms
