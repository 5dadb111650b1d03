#pragma once
// Page control with its tab sheets. Activating a page (from code or by a user) runs the sheet's
// OnShow; a user's change also fires the page control's OnChange.

#include <vector>

#include "forms/control.h"

namespace forms {

class TabSheet : public Control {
 public:
  TabSheet(Form& form, std::string name) : Control(form, std::move(name), ControlKind::TabSheet) {}
  std::function<void()> OnShow;
};

class PageControl : public Control {
 public:
  PageControl(Form& form, std::string name)
      : Control(form, std::move(name), ControlKind::PageControl) {}

  void AddPage(TabSheet& page);
  [[nodiscard]] const std::vector<TabSheet*>& Pages() const { return pages_; }
  [[nodiscard]] TabSheet* ActivePage() const { return active_; }
  void SetActivePage(TabSheet* page);
  [[nodiscard]] int ActivePageIndex() const;
  void SetActivePageIndex(int index);

  [[nodiscard]] std::optional<std::string> GetProperty(std::string_view prop) const override;
  bool SetProperty(std::string_view prop, std::string_view value, Origin origin) override;
  [[nodiscard]] bool UserSettable(std::string_view prop) const override;
  [[nodiscard]] std::optional<std::string> RejectUserValue(std::string_view prop,
                                                           std::string_view value) const override;

  std::function<void()> OnChange;

 private:
  // A page by its name (any case) or its index; nullptr when there is none.
  [[nodiscard]] TabSheet* FindPage(std::string_view nameOrIndex) const;

  std::vector<TabSheet*> pages_;
  TabSheet* active_ = nullptr;
};

}  // namespace forms
