#include "forms/list_view.h"

#include <algorithm>

#include "core/text.h"

namespace forms {

void ListView::SetColumns(const std::vector<std::string>& captions) {
  if (captions == columns_) return;
  columns_ = captions;
  Changed("Columns");
}

void ListView::SetRows(const std::vector<std::vector<std::string>>& rows) {
  const bool hadSelection = !Selection().empty();
  rows_ = rows;
  selected_.assign(rows_.size(), false);
  Changed("Items");
  if (hadSelection) Changed("Selected");
}

std::string ListView::Caption(int row) const {
  const auto& texts = Texts(row);
  return texts.empty() ? std::string() : texts.front();
}

const std::vector<std::string>& ListView::Texts(int row) const {
  static const std::vector<std::string> kNone;
  if (row < 0 || row >= Count()) return kNone;
  return rows_[static_cast<std::size_t>(row)];
}

bool ListView::Select(const std::vector<int>& rows) {
  std::vector<bool> wanted(rows_.size(), false);
  for (int r : rows) {
    if (r >= 0 && r < Count()) wanted[static_cast<std::size_t>(r)] = true;
  }
  if (wanted == selected_) return false;
  selected_ = std::move(wanted);
  Changed("Selected");
  return true;
}

void ListView::SetSelection(const std::vector<int>& rows) {
  Select(rows);
}

std::vector<int> ListView::Selection() const {
  std::vector<int> rows;
  for (std::size_t i = 0; i < selected_.size(); ++i) {
    if (selected_[i]) rows.push_back(static_cast<int>(i));
  }
  return rows;
}

bool ListView::IsSelected(int row) const {
  return row >= 0 && row < Count() && selected_[static_cast<std::size_t>(row)];
}

int ListView::ItemIndex() const {
  const auto it = std::find(selected_.begin(), selected_.end(), true);
  return it == selected_.end() ? -1 : static_cast<int>(it - selected_.begin());
}

void ListView::UserClickRow(int row) {
  if (!AcceptsUserInput() || row < 0 || row >= Count()) return;
  // The toolkit selects on the mouse press and reports the click after it.
  if (Select({row}) && OnSelectionChanged) OnSelectionChanged();
  FireClick();
}

void ListView::UserDblClickRow(int row) {
  if (!AcceptsUserInput() || row < 0 || row >= Count()) return;
  UserClickRow(row);
  if (OnDblClick) OnDblClick();
}

void ListView::UserSelect(const std::vector<int>& rows) {
  if (!AcceptsUserInput()) return;
  if (Select(rows) && OnSelectionChanged) OnSelectionChanged();
}

std::optional<std::vector<int>> ListView::ParseRows(std::string_view value) const {
  std::vector<int> rows;
  if (core::Trim(std::string(value)).empty()) return rows;
  for (const std::string& part : core::Split(value, ',')) {
    long long i = -1;
    if (!core::TryParseInt(core::Trim(part), i) || i < 0 || i >= Count()) return std::nullopt;
    rows.push_back(static_cast<int>(i));
  }
  return rows;
}

std::optional<std::string> ListView::GetProperty(std::string_view prop) const {
  if (core::EqualsNoCase(prop, "ItemIndex")) return std::to_string(ItemIndex());
  if (core::EqualsNoCase(prop, "Items.Count")) return std::to_string(rows_.size());
  if (core::EqualsNoCase(prop, "SelCount")) return std::to_string(Selection().size());
  if (core::EqualsNoCase(prop, "Columns")) return core::Join(columns_, "\t");
  if (core::EqualsNoCase(prop, "Items")) {
    std::vector<std::string> captions;
    for (int i = 0; i < Count(); ++i) captions.push_back(Caption(i));
    return core::Join(captions, "\n");
  }
  if (core::EqualsNoCase(prop, "Selected")) {
    std::vector<std::string> rows;
    for (int r : Selection()) rows.push_back(std::to_string(r));
    return core::Join(rows, ",");
  }
  if (core::StartsWithNoCase(prop, "Items[")) {
    const std::size_t close = prop.find(']');
    long long i = -1;
    if (close == std::string_view::npos || !core::TryParseInt(prop.substr(6, close - 6), i) ||
        i < 0 || i >= Count()) {
      return std::nullopt;
    }
    const auto& texts = Texts(static_cast<int>(i));
    const std::string_view rest = prop.substr(close + 1);
    if (rest.empty()) return Caption(static_cast<int>(i));
    if (core::EqualsNoCase(rest, ".SubItems")) {
      return texts.size() < 2
                 ? std::string()
                 : core::Join(std::vector<std::string>(texts.begin() + 1, texts.end()), "\t");
    }
    if (core::EqualsNoCase(rest, ".Selected")) return BoolText(IsSelected(static_cast<int>(i)));
    return std::nullopt;
  }
  return Control::GetProperty(prop);
}

bool ListView::SetProperty(std::string_view prop, std::string_view value, Origin origin) {
  const bool index = core::EqualsNoCase(prop, "ItemIndex");
  if (index || core::EqualsNoCase(prop, "Selected")) {
    if (origin == Origin::User && RejectUserValue(prop, value)) return false;
    // The program clears the selection with ItemIndex -1, as the toolkit lets it.
    const std::optional<std::vector<int>> rows =
        origin == Origin::Code && index && value == "-1" ? std::vector<int>{} : ParseRows(value);
    if (!rows) return false;
    if (origin == Origin::Code) {
      SetSelection(*rows);
    } else if (index) {
      UserClickRow(rows->front());
    } else {
      UserSelect(*rows);
    }
    return true;
  }
  return Control::SetProperty(prop, value, origin);
}

bool ListView::UserSettable(std::string_view prop) const {
  return core::EqualsNoCase(prop, "ItemIndex") || core::EqualsNoCase(prop, "Selected");
}

std::optional<std::string> ListView::RejectUserValue(std::string_view prop,
                                                     std::string_view value) const {
  const bool index = core::EqualsNoCase(prop, "ItemIndex");
  if (!index && !core::EqualsNoCase(prop, "Selected")) return std::nullopt;
  const std::optional<std::vector<int>> rows = ParseRows(value);
  const std::string shown = "(the list has " + std::to_string(Count()) + " rows)";
  if (!rows) return "expected row numbers, not \"" + std::string(value) + "\" " + shown;
  // A click lands on one row; there is no clicking "none".
  if (index && rows->size() != 1) return "expected one row number " + shown;
  return std::nullopt;
}

}  // namespace forms
