#pragma once
// List box: Items with an optional sort, ItemIndex (-1 for none). Changes from code fire
// nothing; a user's choice of an item fires OnClick.

#include <vector>

#include "forms/control.h"

namespace forms {

class ListBox : public Control {
 public:
  ListBox(Form& form, std::string name, ControlKind kind = ControlKind::ListBox)
      : Control(form, std::move(name), kind) {}

  [[nodiscard]] const std::vector<std::string>& Items() const { return items_; }
  // Adds an item (at its sorted place when Sorted) and returns its index.
  int AddItem(const std::string& item);
  void ClearItems();
  void SetItems(const std::vector<std::string>& items);
  void DeleteItem(int index);
  [[nodiscard]] int IndexOf(const std::string& item) const;  // exact, -1 when absent
  [[nodiscard]] int Count() const { return static_cast<int>(items_.size()); }

  [[nodiscard]] int ItemIndex() const { return itemIndex_; }
  virtual void SetItemIndex(int index);
  [[nodiscard]] bool Sorted() const { return sorted_; }
  void SetSorted(bool on);

  [[nodiscard]] std::optional<std::string> GetProperty(std::string_view prop) const override;
  bool SetProperty(std::string_view prop, std::string_view value, Origin origin) override;
  [[nodiscard]] bool UserSettable(std::string_view prop) const override;
  [[nodiscard]] std::optional<std::string> RejectUserValue(std::string_view prop,
                                                           std::string_view value) const override;

 protected:
  // A user picked an item (by index); list boxes fire OnClick, combo boxes OnChange.
  virtual void UserChose(int index);

 private:
  std::vector<std::string> items_;
  int itemIndex_ = -1;
  bool sorted_ = false;
};

}  // namespace forms
