#pragma once
// Single-line edit: setting Text to a different value fires OnChange, from code as from a user.
// A user cannot type into a read-only, disabled or invisible edit. A key a user presses in an
// enabled, visible edit (read-only or not) reaches OnKeyDown with its virtual-key code (13 Enter);
// headless, the pseudo-property "KeyDown" set by a user presses that key (it reads as "").

#include "forms/control.h"

namespace forms {

class Edit : public Control {
 public:
  Edit(Form& form, std::string name, ControlKind kind = ControlKind::Edit)
      : Control(form, std::move(name), kind) {}

  [[nodiscard]] const std::string& Text() const { return text_; }
  virtual void SetText(const std::string& text);
  [[nodiscard]] bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool on);
  // Password edits show this character instead of the text; 0 for none.
  char PasswordChar = 0;

  [[nodiscard]] std::optional<std::string> GetProperty(std::string_view prop) const override;
  bool SetProperty(std::string_view prop, std::string_view value, Origin origin) override;
  [[nodiscard]] bool UserSettable(std::string_view prop) const override;
  [[nodiscard]] std::optional<std::string> RejectUserValue(std::string_view prop,
                                                           std::string_view value) const override;

  // A user pressed `key` in this edit.
  void UserKeyDown(int key);

  std::function<void()> OnChange;
  std::function<void(int key)> OnKeyDown;

 protected:
  void StoreText(const std::string& text);

 private:
  std::string text_;
  bool readOnly_ = false;
};

}  // namespace forms
