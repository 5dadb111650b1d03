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
    long long key = 0;
    if (origin != Origin::User || !core::TryParseInt(value, key) || key < 0 || key > 255) {
      return false;
    }
    UserKeyDown(static_cast<int>(key));
    return true;
  }
  return Control::SetProperty(prop, value, origin);
}

bool Edit::UserSettable(std::string_view prop) const {
  return core::EqualsNoCase(prop, "Text") || core::EqualsNoCase(prop, "KeyDown");
}

}  // namespace forms
