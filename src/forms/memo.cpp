#include "forms/memo.h"

#include "core/text.h"

namespace forms {

void Memo::Sync() {
  StoreText(core::Join(lines_, "\r\n"));
  Changed("Lines");
}

void Memo::AddLine(const std::string& line) {
  lines_.push_back(line);
  Sync();
}

void Memo::ClearLines() {
  lines_.clear();
  Sync();
}

void Memo::SetLines(const std::vector<std::string>& lines) {
  lines_ = lines;
  Sync();
}

void Memo::SetText(const std::string& text) {
  // Accept CR LF, LF and CR as line ends, as the toolkit does.
  std::vector<std::string> lines;
  std::string cur;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      lines.push_back(cur);
      cur.clear();
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      cur += c;
    }
  }
  if (!cur.empty()) lines.push_back(cur);
  SetLines(lines);
}

std::optional<std::string> Memo::GetProperty(std::string_view prop) const {
  if (core::EqualsNoCase(prop, "Lines.Count")) return std::to_string(lines_.size());
  return Edit::GetProperty(prop);
}

}  // namespace forms
