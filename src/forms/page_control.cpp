#include "forms/page_control.h"

#include "core/text.h"

namespace forms {

void PageControl::AddPage(TabSheet& page) {
  page.SetParent(Name());
  pages_.push_back(&page);
  if (!active_) active_ = &page;
}

void PageControl::SetActivePage(TabSheet* page) {
  if (page == active_ || !page) return;
  active_ = page;
  Changed("ActivePage");
  if (page->OnShow) page->OnShow();
}

int PageControl::ActivePageIndex() const {
  for (std::size_t i = 0; i < pages_.size(); ++i) {
    if (pages_[i] == active_) return static_cast<int>(i);
  }
  return -1;
}

void PageControl::SetActivePageIndex(int index) {
  if (index >= 0 && static_cast<std::size_t>(index) < pages_.size()) SetActivePage(pages_[index]);
}

std::optional<std::string> PageControl::GetProperty(std::string_view prop) const {
  if (core::EqualsNoCase(prop, "ActivePage")) return active_ ? active_->Name() : std::string();
  if (core::EqualsNoCase(prop, "ActivePageIndex")) return std::to_string(ActivePageIndex());
  return Control::GetProperty(prop);
}

TabSheet* PageControl::FindPage(std::string_view nameOrIndex) const {
  long long index = -1;
  for (std::size_t i = 0; i < pages_.size(); ++i) {
    if (core::EqualsNoCase(pages_[i]->Name(), nameOrIndex) ||
        (core::TryParseInt(nameOrIndex, index) && index == static_cast<long long>(i))) {
      return pages_[i];
    }
  }
  return nullptr;
}

bool PageControl::SetProperty(std::string_view prop, std::string_view value, Origin origin) {
  if (UserSettable(prop)) {
    TabSheet* target = FindPage(value);
    if (!target) return false;
    if (origin == Origin::User && (!AcceptsUserInput() || !target->AcceptsUserInput())) return true;
    const bool changes = target != active_;
    SetActivePage(target);
    if (changes && origin == Origin::User && OnChange) OnChange();
    return true;
  }
  return Control::SetProperty(prop, value, origin);
}

bool PageControl::UserSettable(std::string_view prop) const {
  return core::EqualsNoCase(prop, "ActivePage") || core::EqualsNoCase(prop, "ActivePageIndex");
}

std::optional<std::string> PageControl::RejectUserValue(std::string_view prop,
                                                        std::string_view value) const {
  if (!UserSettable(prop) || FindPage(value)) return std::nullopt;
  return "no such page: \"" + std::string(value) + "\"";
}

}  // namespace forms
