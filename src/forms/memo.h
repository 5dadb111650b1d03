#pragma once
// Multi-line edit. Its lines and its Text (lines joined with CR LF) are one content; every change
// of it fires OnChange.

#include <vector>

#include "forms/edit.h"

namespace forms {

class Memo : public Edit {
 public:
  Memo(Form& form, std::string name) : Edit(form, std::move(name), ControlKind::Memo) {}

  [[nodiscard]] const std::vector<std::string>& Lines() const { return lines_; }
  void AddLine(const std::string& line);
  void ClearLines();
  void SetLines(const std::vector<std::string>& lines);
  void SetText(const std::string& text) override;

  [[nodiscard]] std::optional<std::string> GetProperty(std::string_view prop) const override;

 private:
  void Sync();
  std::vector<std::string> lines_;
};

}  // namespace forms
