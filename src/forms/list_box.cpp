#include "forms/list_box.h"

#include <algorithm>

#include "core/text.h"

namespace forms {

int ListBox::AddItem(const std::string& item) {
  auto pos = items_.end();
  if (sorted_) {
    pos = std::upper_bound(items_.begin(), items_.end(), item, core::LessNoCase{});
  }
  const int index = static_cast<int>(pos - items_.begin());
  items_.insert(pos, item);
  if (itemIndex_ >= index) ++itemIndex_;
  Changed("Items");
  return index;
}

void ListBox::ClearItems() {
  items_.clear();
  itemIndex_ = -1;
  Changed("Items");
}

void ListBox::SetItems(const std::vector<std::string>& items) {
  items_ = items;
  if (sorted_) std::stable_sort(items_.begin(), items_.end(), core::LessNoCase{});
  itemIndex_ = -1;
  Changed("Items");
}

void ListBox::DeleteItem(int index) {
  if (index < 0 || index >= Count()) return;
  items_.erase(items_.begin() + index);
  if (itemIndex_ == index) {
    itemIndex_ = -1;
  } else if (itemIndex_ > index) {
    --itemIndex_;
  }
  Changed("Items");
}

int ListBox::IndexOf(const std::string& item) const {
  auto it = std::find(items_.begin(), items_.end(), item);
  return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

void ListBox::SetItemIndex(int index) {
  if (index < -1 || index >= Count()) index = -1;
  if (index == itemIndex_) return;
  itemIndex_ = index;
  Changed("ItemIndex");
}

void ListBox::SetSorted(bool on) {
  sorted_ = on;
  if (on) SetItems(items_);
}

void ListBox::UserChose(int index) {
  SetItemIndex(index);
  FireClick();
}

std::optional<std::string> ListBox::GetProperty(std::string_view prop) const {
  if (core::EqualsNoCase(prop, "ItemIndex")) return std::to_string(itemIndex_);
  if (core::EqualsNoCase(prop, "Items")) return core::Join(items_, "\n");
  if (core::EqualsNoCase(prop, "Items.Count")) return std::to_string(items_.size());
  if (core::StartsWithNoCase(prop, "Items[") && prop.back() == ']') {
    long long i = -1;
    if (core::TryParseInt(prop.substr(6, prop.size() - 7), i) && i >= 0 && i < Count()) {
      return items_[static_cast<std::size_t>(i)];
    }
    return std::nullopt;
  }
  return Control::GetProperty(prop);
}

bool ListBox::SetProperty(std::string_view prop, std::string_view value, Origin origin) {
  if (core::EqualsNoCase(prop, "ItemIndex")) {
    long long i = -1;
    if (!core::TryParseInt(value, i)) return false;
    if (origin == Origin::User) {
      if (RejectUserValue(prop, value)) return false;
      if (AcceptsUserInput()) UserChose(static_cast<int>(i));
    } else {
      SetItemIndex(static_cast<int>(i));
    }
    return true;
  }
  if (core::EqualsNoCase(prop, "Items") && origin == Origin::Code) {
    SetItems(value.empty() ? std::vector<std::string>{} : core::Split(value, '\n'));
    return true;
  }
  return Control::SetProperty(prop, value, origin);
}

bool ListBox::UserSettable(std::string_view prop) const {
  return core::EqualsNoCase(prop, "ItemIndex");
}

std::optional<std::string> ListBox::RejectUserValue(std::string_view prop,
                                                    std::string_view value) const {
  if (!core::EqualsNoCase(prop, "ItemIndex")) return std::nullopt;
  // A user picks one of the items; there is no choosing "none" or one past the end.
  long long i = -1;
  if (!core::TryParseInt(value, i))
    return "expected an item number, not \"" + std::string(value) + "\"";
  if (i < 0 || i >= Count()) {
    return "no item " + std::to_string(i) + " (the list has " + std::to_string(Count()) + ")";
  }
  return std::nullopt;
}

}  // namespace forms
