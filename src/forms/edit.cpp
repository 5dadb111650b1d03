#include "forms/edit.h"

#include "core/text.h"

namespace forms {

void Edit::StoreText(const std::string& text) {
  if (text == text_) return;
  text_ = text;
  Changed("Text");
  if (OnChange) OnChange();
}

void Edit::SetText(const std::string& text) {
  StoreText(text);
}

void Edit::SetReadOnly(bool on) {
  if (on == readOnly_) return;
  readOnly_ = on;
  Changed("ReadOnly");
}

void Edit::UserKeyDown(int key) {
  if (AcceptsUserInput() && OnKeyDown) OnKeyDown(key);
}

std::optional<std::string> Edit::GetProperty(std::string_view prop) const {
  if (core::EqualsNoCase(prop, "Text")) return text_;
  if (core::EqualsNoCase(prop, "ReadOnly")) return BoolText(readOnly_);
  if (core::EqualsNoCase(prop, "KeyDown")) return std::string();  // a key is pressed, not kept
  return Control::GetProperty(prop);
}

bool Edit::SetProperty(std::string_view prop, std::string_view value, Origin origin) {
  if (core::EqualsNoCase(prop, "Text")) {
    if (origin == Origin::User && (readOnly_ || !AcceptsUserInput())) return true;
    SetText(std::string(value));
    return true;
  }
  if (core::EqualsNoCase(prop, "ReadOnly")) {
    SetReadOnly(ParseBool(value));
    return true;
  }
  if (core::EqualsNoCase(prop, "KeyDown")) {
    if (origin != Origin::User || RejectUserValue(prop, value)) return false;
    UserKeyDown(std::stoi(std::string(value)));
    return true;
  }
  return Control::SetProperty(prop, value, origin);
}

std::optional<std::string> Edit::RejectUserValue(std::string_view prop,
                                                 std::string_view value) const {
  long long key = 0;
  if (core::EqualsNoCase(prop, "KeyDown") &&
      (!core::TryParseInt(value, key) || key < 0 || key > 255)) {
    return "a key is a virtual-key code from 0 to 255 (13 is Enter)";
  }
  return std::nullopt;
}

bool Edit::UserSettable(std::string_view prop) const {
  return core::EqualsNoCase(prop, "Text") || core::EqualsNoCase(prop, "KeyDown");
}

}  // namespace forms
