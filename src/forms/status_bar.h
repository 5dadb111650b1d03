#pragma once
// Status bar with text panels (Panels[0], Panels[1], ...) and a simple text.

#include <vector>

#include "forms/control.h"

namespace forms {

class StatusBar : public Control {
 public:
  StatusBar(Form& form, std::string name, int panels = 2)
      : Control(form, std::move(name), ControlKind::StatusBar),
        panels_(static_cast<std::size_t>(panels)) {}

  [[nodiscard]] std::string Panel(int index) const;
  void SetPanel(int index, const std::string& text);
  [[nodiscard]] const std::string& SimpleText() const { return simpleText_; }
  void SetSimpleText(const std::string& text);

  [[nodiscard]] std::optional<std::string> GetProperty(std::string_view prop) const override;
  bool SetProperty(std::string_view prop, std::string_view value, Origin origin) override;

 private:
  std::vector<std::string> panels_;
  std::string simpleText_;
};

}  // namespace forms
