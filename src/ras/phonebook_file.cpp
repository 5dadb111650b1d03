#include "ras/phonebook_file.h"

#include <cctype>
#include <string_view>
#include <system_error>

#include "platform/atomic_file.h"

namespace ras {

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string Trim(const std::string& s) {
  std::size_t b = 0;
  std::size_t e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

bool SameKey(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

// Index of a comment marker (";" or "#" after white space) in the text after "=", or npos.
std::size_t CommentStart(const std::string& rest) {
  for (std::size_t i = 1; i < rest.size(); ++i) {
    if ((rest[i] == ';' || rest[i] == '#') && IsBlank(rest[i - 1])) return i;
  }
  return std::string::npos;
}

std::string WithoutLineBreaks(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c != '\n' && c != '\r') out += c;
  }
  return out;
}

bool IsComment(const std::string& trimmed) {
  return !trimmed.empty() && (trimmed[0] == ';' || trimmed[0] == '#');
}

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// Enough of a line to recognise it in a message.
std::string Excerpt(const std::string& raw) {
  constexpr std::size_t kMax = 40;
  std::string t = Trim(raw);
  if (t.size() > kMax) t = t.substr(0, kMax) + "...";
  for (char& c : t) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
  }
  return t;
}

}  // namespace

std::string PhonebookFile::EntryNameProblem(const std::string& name) {
  if (name.empty()) return "the entry name is empty";
  if (name.size() > kMaxEntryNameBytes) {
    return "the entry name is longer than " + std::to_string(kMaxEntryNameBytes) + " bytes";
  }
  if (IsBlank(name.front()) || IsBlank(name.back())) {
    return "the entry name starts or ends with a blank";
  }
  for (unsigned char c : name) {
    if (c == '[' || c == ']') return "the entry name holds \"[\" or \"]\"";
    if (c < 0x20 || c == 0x7f) return "the entry name holds a control character";
  }
  return {};
}

PhonebookFile::Line PhonebookFile::ParseLine(const std::string& text) {
  Line line;
  line.raw = text;
  const std::string t = Trim(text);
  if (t.empty() || IsComment(t)) return line;
  if (t[0] == '[') {
    // The name ends at the first "]"; only a comment may follow it.
    const std::size_t close = t.find(']');
    line.kind = Kind::kBadSection;
    if (close == std::string::npos) {
      line.problem = "the entry header has no closing \"]\"";
      return line;
    }
    const std::string after = Trim(t.substr(close + 1));
    if (!after.empty() && !IsComment(after)) {
      line.problem = after.find(']') != std::string::npos
                         ? "the entry name holds \"[\" or \"]\""
                         : "the entry header is followed by text that is not a comment";
      return line;
    }
    line.section = Trim(t.substr(1, close - 1));
    line.problem = EntryNameProblem(line.section);
    if (line.problem.empty()) line.kind = Kind::kSection;
    return line;
  }
  const std::size_t eq = text.find('=');
  if (eq == std::string::npos) {
    line.problem = "the line is neither \"Key=Value\", an entry header nor a comment";
    return line;
  }
  line.key = Trim(text.substr(0, eq));
  if (line.key.empty()) {
    line.problem = "the line has no key before \"=\"";
    return line;
  }
  line.kind = Kind::kKey;

  const std::string rest = text.substr(eq + 1);
  std::size_t b = 0;
  while (b < rest.size() && IsBlank(rest[b])) ++b;
  if (b < rest.size() && rest[b] == '"') {
    std::string value;
    for (std::size_t i = b + 1; i < rest.size(); ++i) {
      if (rest[i] == '\\' && i + 1 < rest.size()) {
        value += rest[++i];
      } else if (rest[i] == '"') {
        line.value = value;
        line.comment = rest.substr(i + 1);
        return line;
      } else {
        value += rest[i];
      }
    }
    // No closing quote: the value is taken as written.
  }
  const std::size_t c = CommentStart(rest);
  std::string value = rest.substr(0, c);
  std::size_t end = value.size();
  while (end > 0 && IsBlank(value[end - 1])) --end;
  line.value = Trim(value.substr(0, end));
  if (c != std::string::npos) line.comment = rest.substr(end);
  return line;
}

std::string PhonebookFile::FormatValue(const std::string& value) {
  const bool needsQuotes =
      !value.empty() && (IsBlank(value.front()) || IsBlank(value.back()) || value.front() == '"' ||
                         CommentStart(value) != std::string::npos);
  if (!needsQuotes) return value;
  std::string out = "\"";
  for (char c : value) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

void PhonebookFile::Parse(const std::string& text) {
  lines_.clear();
  problems_.clear();
  std::string_view rest = text;
  byteOrderMark_ = rest.starts_with(kUtf8Bom);
  if (byteOrderMark_) rest.remove_prefix(kUtf8Bom.size());
  if (rest.starts_with("\xFF\xFE") || rest.starts_with("\xFE\xFF")) {
    // Kept as it is, but none of it can be read.
    problems_.push_back({1, "", "the file is UTF-16 text; phonebook.ini must be UTF-8"});
  }
  while (!rest.empty()) {
    const std::size_t nl = rest.find('\n');
    std::string raw(rest.substr(0, nl));
    rest.remove_prefix(nl == std::string_view::npos ? rest.size() : nl + 1);
    if (!raw.empty() && raw.back() == '\r') raw.pop_back();
    lines_.push_back(ParseLine(raw));
  }
  if (problems_.empty()) NoteProblems();
}

void PhonebookFile::NoteProblems() {
  bool inEntry = false;   // below a valid header
  bool skipping = false;  // below an invalid one: its lines go with it
  std::vector<std::string> seen;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    const Line& line = lines_[i];
    const int number = static_cast<int>(i) + 1;
    const auto note = [&](std::string text) {
      problems_.push_back({number, Excerpt(line.raw), std::move(text)});
    };
    switch (line.kind) {
      case Kind::kBadSection:
        note(line.problem + "; the entry is skipped");
        skipping = true;
        inEntry = false;
        break;
      case Kind::kSection: {
        skipping = false;
        inEntry = true;
        bool again = false;
        for (const auto& s : seen) again = again || s == line.section;
        if (again) {
          note("the entry appears a second time; only its first section counts");
        } else {
          seen.push_back(line.section);
        }
        break;
      }
      case Kind::kKey:
        if (!inEntry && !skipping) {
          note("the key comes before the first entry header and is ignored");
        }
        break;
      case Kind::kOther:
        if (!line.problem.empty() && !skipping) {
          note(line.problem + "; it is ignored");
        }
        break;
    }
  }
}

std::string PhonebookFile::Text() const {
  std::string out(byteOrderMark_ ? kUtf8Bom : std::string_view());
  for (const auto& line : lines_) {
    out += line.raw;
    out += '\n';
  }
  return out;
}

bool PhonebookFile::Load(const std::string& path, std::string* error) {
  path_ = path;
  lines_.clear();
  problems_.clear();
  byteOrderMark_ = false;
  std::string text;
  std::string why;
  switch (platform::ReadWholeFile(path, text, why)) {
    case platform::ReadResult::Ok:
      Parse(text);
      return true;
    case platform::ReadResult::Missing:
      return true;
    case platform::ReadResult::Failed:
      break;
  }
  if (error != nullptr) *error = why;
  return false;
}

bool PhonebookFile::Save() const {
  return !path_.empty() && SaveAs(path_);
}

bool PhonebookFile::SaveAs(const std::string& path, std::string* error) const {
  try {
    platform::WriteFileAtomically(path, Text(), 0600);
    return true;
  } catch (const std::system_error& e) {
    if (error != nullptr) *error = e.what();
    return false;
  }
}

std::vector<std::string> PhonebookFile::Sections() const {
  std::vector<std::string> out;
  for (const auto& line : lines_) {
    if (line.kind != Kind::kSection) continue;
    bool seen = false;
    for (const auto& s : out) seen = seen || s == line.section;
    if (!seen) out.push_back(line.section);
  }
  return out;
}

bool PhonebookFile::HasSection(const std::string& section) const {
  return Extent(section).has_value();
}

std::optional<std::pair<std::size_t, std::size_t>> PhonebookFile::Extent(
    const std::string& section) const {
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (lines_[i].kind != Kind::kSection || lines_[i].section != section) continue;
    std::size_t end = i + 1;
    while (end < lines_.size() && lines_[end].kind != Kind::kSection &&
           lines_[end].kind != Kind::kBadSection) {
      ++end;
    }
    return std::make_pair(i, end);
  }
  return std::nullopt;
}

std::optional<std::size_t> PhonebookFile::FindKey(const std::string& section,
                                                  const std::string& key) const {
  const auto extent = Extent(section);
  if (!extent) return std::nullopt;
  for (std::size_t i = extent->first + 1; i < extent->second; ++i) {
    if (lines_[i].kind == Kind::kKey && SameKey(lines_[i].key, key)) return i;
  }
  return std::nullopt;
}

std::optional<std::string> PhonebookFile::Get(const std::string& section,
                                              const std::string& key) const {
  const auto at = FindKey(section, key);
  if (!at) return std::nullopt;
  return lines_[*at].value;
}

std::string PhonebookFile::GetOr(const std::string& section, const std::string& key,
                                 const std::string& fallback) const {
  return Get(section, key).value_or(fallback);
}

std::vector<std::pair<std::string, std::string>> PhonebookFile::Keys(
    const std::string& section) const {
  std::vector<std::pair<std::string, std::string>> out;
  const auto extent = Extent(section);
  if (!extent) return out;
  for (std::size_t i = extent->first + 1; i < extent->second; ++i) {
    if (lines_[i].kind == Kind::kKey) out.emplace_back(lines_[i].key, lines_[i].value);
  }
  return out;
}

void PhonebookFile::Set(const std::string& section, const std::string& key,
                        const std::string& value) {
  const std::string clean = WithoutLineBreaks(value);
  if (const auto at = FindKey(section, key)) {
    Line& line = lines_[*at];
    line.value = clean;
    line.raw = line.key + "=" + FormatValue(clean) + line.comment;
    return;
  }
  AddSection(section);
  const auto extent = Extent(section);
  std::size_t insertAt = extent->first + 1;
  for (std::size_t i = extent->first + 1; i < extent->second; ++i) {
    if (lines_[i].kind == Kind::kKey) insertAt = i + 1;
  }
  Line line;
  line.kind = Kind::kKey;
  line.key = WithoutLineBreaks(key);
  line.value = clean;
  line.raw = line.key + "=" + FormatValue(clean);
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt), line);
}

void PhonebookFile::Remove(const std::string& section, const std::string& key) {
  while (const auto at = FindKey(section, key)) {
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(*at));
  }
}

bool PhonebookFile::AddSection(const std::string& section) {
  if (HasSection(section)) return false;
  if (!lines_.empty() && !Trim(lines_.back().raw).empty()) lines_.push_back(ParseLine(""));
  Line header;
  header.kind = Kind::kSection;
  header.section = WithoutLineBreaks(section);
  header.raw = "[" + header.section + "]";
  lines_.push_back(header);
  return true;
}

bool PhonebookFile::RenameSection(const std::string& from, const std::string& to) {
  if (!HasSection(from) || HasSection(to)) return false;
  for (auto& line : lines_) {
    if (line.kind == Kind::kSection && line.section == from) {
      line.section = WithoutLineBreaks(to);
      line.raw = "[" + line.section + "]";
    }
  }
  return true;
}

bool PhonebookFile::RemoveSection(const std::string& section) {
  bool removed = false;
  while (const auto extent = Extent(section)) {
    auto [begin, end] = *extent;
    if (end < lines_.size()) {
      // Comment lines that touch the next header describe that section.
      while (end > begin + 1 && lines_[end - 1].kind == Kind::kOther &&
             !Trim(lines_[end - 1].raw).empty()) {
        --end;
      }
    }
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(begin),
                 lines_.begin() + static_cast<std::ptrdiff_t>(end));
    removed = true;
  }
  return removed;
}

}  // namespace ras
