#include "forms/combo_box.h"

#include "core/text.h"

namespace forms {

void ComboBox::SetText(const std::string& text) {
  // The edit part shows the text; the list selection follows when the text is one of the items.
  const int index = IndexOf(text);
  ListBox::SetItemIndex(index);
  if (text == text_) return;
  text_ = text;
  Changed("Text");
}

void ComboBox::SetItemIndex(int index) {
  ListBox::SetItemIndex(index);
  const int i = ItemIndex();
  if (i >= 0 && Items()[static_cast<std::size_t>(i)] != text_) {
    text_ = Items()[static_cast<std::size_t>(i)];
    Changed("Text");
  }
}

void ComboBox::UserChose(int index) {
  SetItemIndex(index);
  if (OnChange) OnChange();
}

std::optional<std::string> ComboBox::GetProperty(std::string_view prop) const {
  if (core::EqualsNoCase(prop, "Text")) return text_;
  return ListBox::GetProperty(prop);
}

bool ComboBox::SetProperty(std::string_view prop, std::string_view value, Origin origin) {
  if (core::EqualsNoCase(prop, "Text")) {
    if (origin == Origin::User) {
      if (!AcceptsUserInput()) return true;
      const std::string before = text_;
      SetText(std::string(value));
      if (text_ != before && OnChange) OnChange();
    } else {
      SetText(std::string(value));
    }
    return true;
  }
  return ListBox::SetProperty(prop, value, origin);
}

bool ComboBox::UserSettable(std::string_view prop) const {
  return core::EqualsNoCase(prop, "Text") || ListBox::UserSettable(prop);
}

}  // namespace forms
