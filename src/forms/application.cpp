#include "forms/application.h"

#include <algorithm>

#include "core/text.h"

namespace forms {

void Application::OpenForm(Form& form) {
  if (std::find(open_.begin(), open_.end(), &form) == open_.end()) open_.push_back(&form);
}

void Application::CloseForm(Form& form) {
  open_.erase(std::remove(open_.begin(), open_.end(), &form), open_.end());
}

Form* Application::FindForm(std::string_view name) const {
  for (Form* f : open_) {
    if (core::EqualsNoCase(f->Name(), name)) return f;
  }
  return nullptr;
}

}  // namespace forms
