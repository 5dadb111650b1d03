#pragma once
// Check box: setting Checked to a different value fires OnClick, from code as from a user; a
// user's click toggles it.

#include "forms/control.h"

namespace forms {

class CheckBox : public Control {
 public:
  CheckBox(Form& form, std::string name) : Control(form, std::move(name), ControlKind::CheckBox) {}

  [[nodiscard]] bool Checked() const { return checked_; }
  void SetChecked(bool on);

  [[nodiscard]] std::optional<std::string> GetProperty(std::string_view prop) const override;
  bool SetProperty(std::string_view prop, std::string_view value, Origin origin) override;
  [[nodiscard]] bool UserSettable(std::string_view prop) const override;
  [[nodiscard]] std::optional<std::string> RejectUserValue(std::string_view prop,
                                                           std::string_view value) const override;

 protected:
  void DoUserClick() override { SetChecked(!checked_); }

 private:
  bool checked_ = false;
};

}  // namespace forms
