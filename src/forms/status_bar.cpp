#include "forms/status_bar.h"

#include "core/text.h"

namespace forms {

namespace {
// "Panels[3]" -> 3; -1 when `prop` names no panel.
int PanelIndex(std::string_view prop) {
  if (!core::StartsWithNoCase(prop, "Panels[") || prop.back() != ']') return -1;
  long long i = -1;
  if (!core::TryParseInt(prop.substr(7, prop.size() - 8), i) || i < 0 || i > 64) return -1;
  return static_cast<int>(i);
}
}  // namespace

std::string StatusBar::Panel(int index) const {
  if (index < 0 || static_cast<std::size_t>(index) >= panels_.size()) return {};
  return panels_[static_cast<std::size_t>(index)];
}

void StatusBar::SetPanel(int index, const std::string& text) {
  if (index < 0 || index > 64) return;
  if (static_cast<std::size_t>(index) >= panels_.size()) panels_.resize(index + 1);
  auto& panel = panels_[static_cast<std::size_t>(index)];
  if (panel == text) return;
  panel = text;
  Changed("Panels[" + std::to_string(index) + "]");
}

void StatusBar::SetSimpleText(const std::string& text) {
  if (text == simpleText_) return;
  simpleText_ = text;
  Changed("SimpleText");
}

std::optional<std::string> StatusBar::GetProperty(std::string_view prop) const {
  if (const int i = PanelIndex(prop); i >= 0) return Panel(i);
  if (core::EqualsNoCase(prop, "SimpleText")) return simpleText_;
  return Control::GetProperty(prop);
}

bool StatusBar::SetProperty(std::string_view prop, std::string_view value, Origin origin) {
  if (origin == Origin::User) return false;
  if (const int i = PanelIndex(prop); i >= 0) {
    SetPanel(i, std::string(value));
    return true;
  }
  if (core::EqualsNoCase(prop, "SimpleText")) {
    SetSimpleText(std::string(value));
    return true;
  }
  return Control::SetProperty(prop, value, origin);
}

}  // namespace forms
