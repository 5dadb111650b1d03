#pragma once
// Radio button: becoming checked unchecks the other radio buttons of the same parent and fires
// OnClick; unchecking fires nothing.

#include "forms/control.h"

namespace forms {

class RadioButton : public Control {
 public:
  RadioButton(Form& form, std::string name)
      : Control(form, std::move(name), ControlKind::RadioButton) {}

  [[nodiscard]] bool Checked() const { return checked_; }
  void SetChecked(bool on);

  [[nodiscard]] std::optional<std::string> GetProperty(std::string_view prop) const override;
  bool SetProperty(std::string_view prop, std::string_view value, Origin origin) override;
  [[nodiscard]] bool UserSettable(std::string_view prop) const override;
  [[nodiscard]] std::optional<std::string> RejectUserValue(std::string_view prop,
                                                           std::string_view value) const override;

 protected:
  void DoUserClick() override { SetChecked(true); }

 private:
  bool checked_ = false;
};

}  // namespace forms
