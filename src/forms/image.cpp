#include "forms/image.h"

#include "core/text.h"

namespace forms {

void Image::SetPicture(const std::string& picture) {
  if (picture == picture_) return;
  picture_ = picture;
  Changed("Picture");
}

std::optional<std::string> Image::GetProperty(std::string_view prop) const {
  if (core::EqualsNoCase(prop, "Picture")) return picture_;
  return Control::GetProperty(prop);
}

bool Image::SetProperty(std::string_view prop, std::string_view value, Origin origin) {
  if (origin == Origin::User) return false;
  if (core::EqualsNoCase(prop, "Picture")) {
    SetPicture(std::string(value));
    return true;
  }
  return Control::SetProperty(prop, value, origin);
}

}  // namespace forms
