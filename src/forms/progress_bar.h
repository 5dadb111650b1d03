#pragma once
// Progress bar: Position between Min and Max.

#include "forms/control.h"

namespace forms {

class ProgressBar : public Control {
 public:
  ProgressBar(Form& form, std::string name)
      : Control(form, std::move(name), ControlKind::ProgressBar) {}

  [[nodiscard]] long long Position() const { return position_; }
  void SetPosition(long long value);
  [[nodiscard]] long long Max() const { return max_; }
  void SetMax(long long value);
  [[nodiscard]] long long Min() const { return min_; }
  void SetMin(long long value);

  [[nodiscard]] std::optional<std::string> GetProperty(std::string_view prop) const override;
  bool SetProperty(std::string_view prop, std::string_view value, Origin origin) override;

 private:
  long long position_ = 0;
  long long min_ = 0;
  long long max_ = 100;
};

}  // namespace forms
