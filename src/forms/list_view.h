#pragma once
// List view: rows of column texts, each row selected or not; ItemIndex is the first selected row
// (-1 for none), as the classic toolkit reads it. The owner fills the rows and the selection from
// its model; changes from code fire nothing. A user's acts fire the handlers the toolkit fires:
// a click on a row selects that row only and fires OnSelectionChanged, then OnClick; a double
// click does the same and then fires OnDblClick; a selection made without clicking (keyboard,
// rubber band) fires OnSelectionChanged only. The folder tree uses it with ControlKind::TreeView,
// one row per folder.

#include <functional>
#include <vector>

#include "forms/control.h"

namespace forms {

class ListView : public Control {
 public:
  ListView(Form& form, std::string name, ControlKind kind = ControlKind::ListView)
      : Control(form, std::move(name), kind) {}

  // ---- from code ----
  void SetColumns(const std::vector<std::string>& captions);
  [[nodiscard]] const std::vector<std::string>& Columns() const { return columns_; }
  // Replaces the rows (each row's texts by column, the caption first); nothing is selected.
  void SetRows(const std::vector<std::vector<std::string>>& rows);
  [[nodiscard]] int Count() const { return static_cast<int>(rows_.size()); }
  [[nodiscard]] std::string Caption(int row) const;
  [[nodiscard]] const std::vector<std::string>& Texts(int row) const;
  // Selects exactly the given rows (out-of-range rows are left out).
  void SetSelection(const std::vector<int>& rows);
  [[nodiscard]] std::vector<int> Selection() const;
  [[nodiscard]] bool IsSelected(int row) const;
  [[nodiscard]] int ItemIndex() const;

  // ---- a user's acts (ignored by a disabled or invisible control, and for rows not shown) ----
  void UserClickRow(int row);
  void UserDblClickRow(int row);
  void UserSelect(const std::vector<int>& rows);

  // Properties: Items (captions, LF-separated), Items.Count, Items[i] (caption),
  // Items[i].SubItems (the other columns, TAB-separated), Columns (TAB-separated), ItemIndex,
  // Selected (selected rows, comma-separated), SelCount. A user sets ItemIndex (a click on that
  // row) and Selected (a selection without a click; empty for none).
  [[nodiscard]] std::optional<std::string> GetProperty(std::string_view prop) const override;
  bool SetProperty(std::string_view prop, std::string_view value, Origin origin) override;
  [[nodiscard]] bool UserSettable(std::string_view prop) const override;
  [[nodiscard]] std::optional<std::string> RejectUserValue(std::string_view prop,
                                                           std::string_view value) const override;

  std::function<void()> OnSelectionChanged;
  std::function<void()> OnDblClick;

 private:
  // "1,3" as row numbers; nullopt when a part is no number or no row.
  [[nodiscard]] std::optional<std::vector<int>> ParseRows(std::string_view value) const;
  // Selects exactly `rows`; true when that changed anything.
  bool Select(const std::vector<int>& rows);

  std::vector<std::string> columns_;
  std::vector<std::vector<std::string>> rows_;
  std::vector<bool> selected_;
};

}  // namespace forms
