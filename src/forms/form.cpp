#include "forms/form.h"

namespace forms {

std::string_view ModalResultName(ModalResult r) {
  switch (r) {
    case ModalResult::None:
      return "None";
    case ModalResult::OK:
      return "OK";
    case ModalResult::Cancel:
      return "Cancel";
    case ModalResult::Yes:
      return "Yes";
    case ModalResult::No:
      return "No";
    case ModalResult::Abort:
      return "Abort";
    case ModalResult::Retry:
      return "Retry";
    case ModalResult::Ignore:
      return "Ignore";
  }
  return "None";
}

Subscription& Subscription::operator=(Subscription&& o) noexcept {
  if (this != &o) {
    Reset();
    list_ = std::move(o.list_);
    id_ = o.id_;
  }
  return *this;
}

void Subscription::Reset() {
  if (auto list = list_.lock()) list->erase(id_);
  list_.reset();
}

Form::Form(std::string name)
    : name_(std::move(name)), observers_(std::make_shared<std::map<int, FormObserver>>()) {}

Form::~Form() = default;

void Form::SetCaption(const std::string& caption) {
  if (caption == caption_) return;
  caption_ = caption;
  NotifyForm("Caption");
}

void Form::SetVisible(bool on) {
  if (on == visible_) return;
  visible_ = on;
  NotifyForm("Visible");
  if (on && OnShow) OnShow();
  if (!on && OnHide) OnHide();
}

void Form::SetModalResult(ModalResult r) {
  if (r == modalResult_) return;
  modalResult_ = r;
  NotifyForm("ModalResult");
}

Control* Form::Find(std::string_view name) const {
  auto it = index_.find(name);
  return it == index_.end() ? nullptr : it->second;
}

std::optional<std::string> Form::GetProperty(std::string_view prop) const {
  if (core::EqualsNoCase(prop, "Caption")) return caption_;
  if (core::EqualsNoCase(prop, "Visible")) return BoolText(visible_);
  if (core::EqualsNoCase(prop, "ModalResult")) return std::string(ModalResultName(modalResult_));
  if (core::EqualsNoCase(prop, "Name")) return name_;
  return std::nullopt;
}

bool Form::UserSettable(std::string_view prop) {
  return core::EqualsNoCase(prop, "Visible");
}

std::optional<std::string> Form::RejectUserValue(std::string_view prop, std::string_view value) {
  return UserSettable(prop) ? RejectNonBool(value) : std::nullopt;
}

bool Form::SetProperty(std::string_view prop, std::string_view value, Origin origin) {
  if (origin == Origin::User && (!UserSettable(prop) || RejectUserValue(prop, value))) {
    return false;
  }
  if (core::EqualsNoCase(prop, "Visible")) {
    SetVisible(ParseBool(value));
    return true;
  }
  if (core::EqualsNoCase(prop, "Caption")) {
    SetCaption(std::string(value));
    return true;
  }
  return false;
}

Subscription Form::Observe(FormObserver observer) {
  const int id = nextObserver_++;
  (*observers_)[id] = std::move(observer);
  return Subscription(observers_, id);
}

void Form::NotifyChanged(const Control& control, std::string_view prop) {
  // A copy, so that an observer may unsubscribe while being told.
  const auto observers = *observers_;
  for (const auto& [id, fn] : observers) fn(*this, &control, prop);
}

void Form::NotifyForm(std::string_view prop) {
  const auto observers = *observers_;
  for (const auto& [id, fn] : observers) fn(*this, nullptr, prop);
}

}  // namespace forms
