#include "ftp/listing_parser.h"

#include <array>
#include <cctype>
#include <charconv>
#include <ctime>

#include "ftp/listing_date.h"
#include "ftp/listing_line_buffer.h"
#include "platform/utf8.h"

namespace ftp {
namespace {

using T = TMFtpServerType;

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

// The first words of a line with their positions; the rest of the line stays reachable through
// the end offset of the last word, so names with blanks survive.
class Words {
 public:
  static constexpr std::size_t kMax = 12;

  explicit Words(std::string_view line) : line_(line) {
    std::size_t i = 0;
    while (count_ < kMax) {
      while (i < line.size() && IsBlank(line[i])) ++i;
      if (i >= line.size()) break;
      const std::size_t start = i;
      while (i < line.size() && !IsBlank(line[i])) ++i;
      spans_[count_++] = {start, i};
    }
  }

  [[nodiscard]] std::size_t Count() const { return count_; }
  // Word `index` (from 0), empty when the line has fewer words.
  [[nodiscard]] std::string_view operator[](std::size_t index) const {
    if (index >= count_) return {};
    return line_.substr(spans_[index].first, spans_[index].second - spans_[index].first);
  }
  // The text after word `index`, leading blanks skipped.
  [[nodiscard]] std::string_view RestAfter(std::size_t index) const {
    if (index >= count_) return {};
    std::size_t i = spans_[index].second;
    while (i < line_.size() && IsBlank(line_[i])) ++i;
    return line_.substr(i);
  }
  [[nodiscard]] std::size_t EndOf(std::size_t index) const {
    return index < count_ ? spans_[index].second : line_.size();
  }

 private:
  std::string_view line_;
  std::array<std::pair<std::size_t, std::size_t>, kMax> spans_{};
  std::size_t count_ = 0;
};

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

bool ContainsNoCase(std::string_view text, std::string_view what) {
  return Lower(text).find(what) != std::string::npos;
}

std::string Join(std::string_view a, std::string_view b) {
  std::string out(a);
  if (!a.empty() && !b.empty()) out += ' ';
  out += b;
  return out;
}

// EPLF: "+" facts "," ... TAB name. The facts end at the tab; a line without one ends them at
// the last comma.
std::optional<MFtpFileInfo> ParseEplf(std::string_view line) {
  std::string_view body = line.substr(1);
  std::size_t factsEnd = body.find('\t');
  std::size_t nameStart = factsEnd + 1;
  if (factsEnd == std::string_view::npos) {
    factsEnd = body.rfind(',');
    if (factsEnd == std::string_view::npos) return std::nullopt;
    nameStart = factsEnd + 1;
  }
  MFtpFileInfo info;
  info.Name = std::string(Trim(body.substr(nameStart)));
  if (info.Name.empty()) return std::nullopt;
  info.Size = "0";
  info.Date = std::string(kEplfDefaultDate);
  std::string_view facts = body.substr(0, factsEnd);
  while (!facts.empty()) {
    const auto comma = facts.find(',');
    const std::string_view fact = facts.substr(0, comma);
    facts = comma == std::string_view::npos ? std::string_view() : facts.substr(comma + 1);
    if (fact.empty()) continue;
    switch (fact.front()) {
      case '/':
        info.Directory = true;
        break;
      case 'r':
        info.Directory = false;
        break;
      case 's':
        if (fact.size() > 1) info.Size = std::string(fact.substr(1));
        break;
      case 'm': {
        std::int64_t seconds = 0;
        const auto* first = fact.data() + 1;
        const auto* last = fact.data() + fact.size();
        auto [end, ec] = std::from_chars(first, last, seconds);
        if (ec == std::errc() && end == last && first != last) {
          if (auto text = DateTextFromUnixTime(seconds)) info.Date = *text;
        }
        break;
      }
      default:  // "i" identifier and unknown facts
        break;
    }
  }
  return info;
}

// One VMS entry (a line, or a wrapped entry joined into one): NAME.EXT;VERSION SIZE DATE TIME.
std::optional<MFtpFileInfo> VmsEntry(std::string_view text) {
  const Words w(text);
  std::string_view name = w[0];
  name = name.substr(0, name.find(';'));
  MFtpFileInfo info;
  const auto dir = Lower(name).find(".dir");
  if (dir != std::string::npos) {
    info.Directory = true;
    name = name.substr(0, dir);
  }
  if (name.empty()) return std::nullopt;
  info.Name = std::string(name);
  info.Size = std::string(w[1]);
  info.Date = Join(w[2], w[3]);
  return info;
}

std::optional<MFtpFileInfo> ParseVm(std::string_view line) {
  const Words w(line);
  if (w.Count() < 2) return std::nullopt;
  MFtpFileInfo info;
  info.Name = std::string(w[0]) + '.' + std::string(w[1]);
  info.Size = std::string(w[3]);
  info.Date = Join(w[6], w[7]);
  return info;
}

std::optional<MFtpFileInfo> ParseVmVps(std::string_view line) {
  for (std::string_view skip : {"=", "totals:", " rf trks", "track limit"}) {
    if (ContainsNoCase(line, skip)) return std::nullopt;
  }
  const Words w(line);
  if (w.Count() < 2) return std::nullopt;
  MFtpFileInfo info;
  info.Name = std::string(w[0]) + '.' + std::string(w[1]);
  info.Size = std::string(w[2]);
  info.Date = Join(w[7], w[6]);
  return info;
}

// DOS style (IIS and others): DATE TIME <DIR>|SIZE NAME. The name stands at column 40, so
// leading blanks of a name survive; layouts with a narrower size column start it earlier.
std::optional<MFtpFileInfo> ParseDos(std::string_view line) {
  const Words w(line);
  if (w.Count() < 4) return std::nullopt;
  constexpr std::size_t kNameColumn = 39;
  std::size_t nameStart = line.size() - w.RestAfter(2).size();
  if (nameStart > kNameColumn && w.EndOf(2) <= kNameColumn) nameStart = kNameColumn;
  MFtpFileInfo info;
  info.Name = std::string(line.substr(nameStart));
  info.Date = Join(w[0], w[1]);
  if (Lower(w[2]) == "<dir>")
    info.Directory = true;
  else
    info.Size = std::string(w[2]);
  return info;
}

// A link's target names a file when it looks like one; anything else is taken as a folder.
bool LinkTargetIsFile(std::string_view target) {
  const std::string lower = Lower(target);
  for (std::string_view mark : {".gz", ".exe", ".txt", ".tar", "copying", "readme", ".diff"}) {
    if (lower.find(mark) != std::string::npos) return true;
  }
  return false;
}

// Where size, owner and group stand in a Unix-style line (word indexes; npos: not listed).
struct UnixColumns {
  std::size_t size;
  std::size_t owner = 2;
  std::size_t group = 3;
};

UnixColumns UnixColumnsFor(const Words& w, T type, bool directory) {
  switch (type) {
    case T::ftpstNetTerm:
      return {2};
    case T::ftpstNetware:
      return {3};
    case T::ftpstNetPresenz:
      return {directory ? 2u : 3u};
    default:
      break;
  }
  if (!w[1].empty() && w[1].front() == '[') return {3};
  // Long attributes mean the link count is glued to them ("drwxr-xr-x123"), so one column
  // less. A trailing ACL, extended-attribute or security-context mark ("+", "@", ".") is not
  // such a count.
  std::string_view attributes = w[0];
  if (attributes.size() == 11 &&
      std::string_view("+@.").find(attributes.back()) != std::string_view::npos)
    attributes.remove_suffix(1);
  // The fifth word is the size when it starts like a number ("9000" too, which as a whole
  // text sorts after "9"); a month name there means the group column is missing.
  if (attributes.size() < 11) return {w[4].substr(0, 1) <= std::string_view("9") ? 4u : 3u};
  return {3, 1, 2};
}

std::optional<MFtpFileInfo> ParseUnix(std::string_view line, T type, int currentYear) {
  MFtpFileInfo info;
  const char kind = line.front();
  const bool link = kind == 'l';
  info.Directory = kind == 'd' || link;
  const Words w(line);
  const UnixColumns columns = UnixColumnsFor(w, type, info.Directory);
  const std::size_t sizeAt = columns.size;
  std::string_view name = w.RestAfter(sizeAt + 3);
  if (name.empty()) return std::nullopt;
  if (link) {
    const auto arrow = name.find(" -> ");
    if (arrow != std::string_view::npos) {
      info.LinkTarget = std::string(name.substr(arrow + 4));
      name = name.substr(0, arrow);
      info.Directory = !LinkTargetIsFile(info.LinkTarget);
    }
  }
  if (name.empty()) return std::nullopt;
  info.Name = std::string(name);
  info.Attributes = std::string(w[0]);
  // Owner and group only from the columns before the size: formats without them would
  // otherwise show the size or a date word there.
  if (columns.owner < sizeAt) info.Owner = std::string(w[columns.owner]);
  if (columns.group < sizeAt) info.Group = std::string(w[columns.group]);
  info.Size = std::string(w[sizeAt]);
  info.Date = UnixDateText(w[sizeAt + 1], w[sizeAt + 2], w[sizeAt + 3], currentYear);
  return info;
}

bool IsVms(T type) {
  return type == T::ftpstVmsMultinet || type == T::ftpstVmsUcx;
}

}  // namespace

ListingParser::ListingParser(TMFtpServerType type, int currentYear)
    : type_(type), currentYear_(currentYear) {}

std::optional<MFtpFileInfo> ListingParser::ParseLine(std::string_view line) {
  if (Trim(line).empty()) {
    held_.clear();  // a wrapped VMS entry never spans a blank line
    return std::nullopt;
  }
  if (line.front() == '+') return ParseEplf(line);
  if (IsVms(type_)) return ParseVmsLine(line);
  if (type_ == T::ftpstVM) return ParseVm(line);
  if (type_ == T::ftpstVMVPS) return ParseVmVps(line);
  const char first = line.front();
  if (first == 'd' || first == 'l' || first == '-' || first == 'f')
    return ParseUnix(line, type_, currentYear_);
  if (std::isdigit(static_cast<unsigned char>(first))) return ParseDos(line);
  return std::nullopt;
}

// Lines without ";" wait for the next line and are joined with it. MultiNet also wraps a long
// name: the name with its version stands alone and the details follow, indented, on the next
// line, so a held line is joined only with a line that goes on with a size. Anything else (a
// blank line, the "Total of ..." trailer, another entry) ends the wait: the held line is dropped
// and the new line is read on its own.
std::optional<MFtpFileInfo> ListingParser::ParseVmsLine(std::string_view line) {
  const Words w(line);
  const bool opensEntry = w[0].find(';') != std::string_view::npos;
  if (!held_.empty()) {
    std::string held = std::move(held_);
    held_.clear();
    if (!opensEntry) {
      const std::string joined = held + ' ' + std::string(line);
      const Words jw(joined);
      if (!jw[1].empty() && std::isdigit(static_cast<unsigned char>(jw[1][0])))
        return VmsEntry(joined);
    }
  }
  if (!opensEntry || w.Count() < 2) {
    held_ = std::string(line.substr(0, kMaxListingLineBytes));
    return std::nullopt;
  }
  return VmsEntry(line);
}

std::optional<MFtpFileInfo> ParseListingLine(std::string_view line, TMFtpServerType type,
                                             int currentYear) {
  ListingParser parser(type, currentYear);
  return parser.ParseLine(line);
}

TMFtpFileInfoList ParseListingText(std::string_view text, TMFtpServerType type, int currentYear) {
  TMFtpFileInfoList out;
  ListingParser parser(type, currentYear);
  ListingLineBuffer buffer;
  const auto onLine = [&](std::string_view line) {
    if (auto info = parser.ParseLine(line)) out.push_back(std::move(*info));
  };
  buffer.Append(text, onLine);
  buffer.Finish(onLine);
  parser.Finish();
  return out;
}

bool IsDotFolder(const MFtpFileInfo& info) {
  return info.Name == "." || info.Name == "..";
}

std::string PrintableText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char32_t cp : platform::utf8::Decode(text)) {
    if (cp == U'\\') {
      out += "\\\\";
    } else if (cp < 0x20 || (cp >= 0x7F && cp <= 0x9F)) {
      static constexpr char kHex[] = "0123456789ABCDEF";
      out += "\\x";
      out += kHex[cp >> 4];
      out += kHex[cp & 0xF];
    } else {
      platform::utf8::Append(out, cp);
    }
  }
  return out;
}

std::string FormatListingEntry(const MFtpFileInfo& info) {
  std::string out = info.Directory ? "dir" : "file";
  for (const std::string* field : {&info.Size, &info.Date, &info.Name, &info.Attributes,
                                   &info.Owner, &info.Group, &info.LinkTarget}) {
    out += '\t';
    out += PrintableText(*field);
  }
  return out;
}

int CurrentLocalYear() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return local.tm_year + 1900;
}

}  // namespace ftp
