#pragma once
// Image holding a named picture (the tray icon pictures, the ping lamp, ...). Views map the
// picture name to real artwork.

#include "forms/control.h"

namespace forms {

class Image : public Control {
 public:
  Image(Form& form, std::string name, std::string picture = {})
      : Control(form, std::move(name), ControlKind::Image), picture_(std::move(picture)) {}

  [[nodiscard]] const std::string& Picture() const { return picture_; }
  void SetPicture(const std::string& picture);

  [[nodiscard]] std::optional<std::string> GetProperty(std::string_view prop) const override;
  bool SetProperty(std::string_view prop, std::string_view value, Origin origin) override;

 private:
  std::string picture_;
};

}  // namespace forms
