#pragma once
// Combo box: a list with an edit text. Text and ItemIndex set from code fire nothing; a user's
// choice or typing fires OnChange.

#include "forms/list_box.h"

namespace forms {

class ComboBox : public ListBox {
 public:
  ComboBox(Form& form, std::string name) : ListBox(form, std::move(name), ControlKind::ComboBox) {}

  [[nodiscard]] const std::string& Text() const { return text_; }
  void SetText(const std::string& text);
  void SetItemIndex(int index) override;

  [[nodiscard]] std::optional<std::string> GetProperty(std::string_view prop) const override;
  bool SetProperty(std::string_view prop, std::string_view value, Origin origin) override;
  [[nodiscard]] bool UserSettable(std::string_view prop) const override;

  std::function<void()> OnChange;

 protected:
  void UserChose(int index) override;

 private:
  std::string text_;
};

}  // namespace forms
