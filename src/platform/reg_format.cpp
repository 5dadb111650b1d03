#include "platform/reg_format.h"

#include <utility>

#include "platform/utf8.h"

namespace platform {

namespace {

bool NeedsHexEscape(char32_t cp) {
  return cp < 0x20 || (cp >= 0x7F && cp <= 0x9F);
}

void AppendHexEscape(std::string& out, char32_t cp) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  out += "\\x";
  out += kDigits[(cp >> 4) & 0xF];
  out += kDigits[cp & 0xF];
}

void AppendQuoted(std::string& out, std::string_view text) {
  out += '"';
  for (std::size_t pos = 0; pos < text.size();) {
    const std::size_t start = pos;
    const auto byte = static_cast<unsigned char>(text[pos]);
    if (byte >= 0x20 && byte < 0x7F) {  // the common case: copy a run of plain characters
      while (pos < text.size() && text[pos] >= 0x20 && text[pos] < 0x7F && text[pos] != '\\' &&
             text[pos] != '"') {
        ++pos;
      }
      if (pos > start) {
        out.append(text.substr(start, pos - start));
        continue;
      }
    }
    const char32_t cp = utf8::Next(text, pos);
    if (cp == U'\\' || cp == U'"') {
      out += '\\';
      out += static_cast<char>(cp);
    } else if (NeedsHexEscape(cp)) {
      AppendHexEscape(out, cp);
    } else if (byte >= 0x80 && pos - start == 1) {
      utf8::Append(out, cp);  // a stray byte, taken as Latin-1
    } else {
      out.append(text.substr(start, pos - start));
    }
  }
  out += '"';
}

// `path` is the key's full name; it grows and shrinks back as the walk goes down and up.
void SerializeKey(const RegKey& key, std::string& path, std::string& out) {
  out += '[';
  out += path;
  out += "]\n";
  for (const auto& [name, data] : key.Values()) {
    if (name.empty()) {
      out += '@';
    } else {
      AppendQuoted(out, name);
    }
    out += '=';
    AppendQuoted(out, data);
    out += '\n';
  }
  out += '\n';
  for (const RegKey* sub : key.SubKeys()) {
    const std::size_t length = path.size();
    path += '\\';
    path += sub->Name();
    SerializeKey(*sub, path, out);
    path.resize(length);
  }
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads the quoted string that starts at line[pos] (a '"'); pos ends after the closing quote.
std::string ParseQuoted(std::string_view line, std::size_t& pos, int lineNo) {
  std::string out;
  ++pos;
  while (true) {
    if (pos >= line.size()) throw HiveFormatError(lineNo, "missing closing quote");
    const char c = line[pos++];
    if (c == '"') return out;
    if (c != '\\') {
      out.push_back(c);
      continue;
    }
    if (pos >= line.size()) throw HiveFormatError(lineNo, "backslash at end of line");
    const char e = line[pos++];
    if (e == '\\' || e == '"') {
      out.push_back(e);
    } else if (e == 'x' && pos + 2 <= line.size() && HexDigit(line[pos]) >= 0 &&
               HexDigit(line[pos + 1]) >= 0) {
      utf8::Append(out, static_cast<char32_t>(HexDigit(line[pos]) * 16 + HexDigit(line[pos + 1])));
      pos += 2;
    } else {
      throw HiveFormatError(lineNo, std::string("unknown escape \\") + e);
    }
  }
}

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) {
    s.remove_suffix(1);
  }
  return s;
}

RegKey& ParseSection(std::string_view line, std::string_view rootName, RegKey& root, int lineNo) {
  const std::size_t close = line.rfind(']');
  if (close != line.size() - 1) throw HiveFormatError(lineNo, "key line without closing ]");
  const std::string_view path = line.substr(1, close - 1);
  if (!path.empty() && path.front() == '-') {
    throw HiveFormatError(lineNo, "key deletions are not supported in a hive file");
  }
  const std::string_view head = path.substr(0, path.find('\\'));
  if (!utf8::EqualsFolded(head, rootName)) {
    throw HiveFormatError(lineNo, "key outside " + std::string(rootName));
  }
  if (head.size() < path.size() && head.size() + 1 == path.size()) {
    throw HiveFormatError(lineNo, "empty key name");
  }
  try {
    return root.Create(SplitKeyPath(path.substr(head.size())));
  } catch (const std::invalid_argument& e) {
    throw HiveFormatError(lineNo, e.what());
  }
}

void ParseValue(std::string_view line, RegKey& key, int lineNo) {
  std::size_t pos = 0;
  std::string name;
  if (line.front() == '@') {
    pos = 1;
  } else if (line.front() == '"') {
    name = ParseQuoted(line, pos, lineNo);
    if (name.empty()) throw HiveFormatError(lineNo, "empty value name (use @)");
  } else {
    throw HiveFormatError(lineNo, "unexpected text");
  }
  std::string_view rest = TrimBlanks(line.substr(pos));
  if (rest.empty() || rest.front() != '=') throw HiveFormatError(lineNo, "missing = after name");
  rest = TrimBlanks(rest.substr(1));
  if (rest.empty() || rest.front() != '"') {
    throw HiveFormatError(lineNo, "only string values are supported");
  }
  pos = 0;
  std::string data = ParseQuoted(rest, pos, lineNo);
  if (!TrimBlanks(rest.substr(pos)).empty()) {
    throw HiveFormatError(lineNo, "unexpected text after the value");
  }
  key.SetValue(utf8::Sanitize(std::move(name)), utf8::Sanitize(std::move(data)));
}

}  // namespace

std::string QuoteRegString(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 2);
  AppendQuoted(out, text);
  return out;
}

std::string SerializeHive(const RegKey& root, std::string_view rootName) {
  std::string out(kRegHeader);
  out += "\n\n";
  std::string path(rootName);
  if (!root.Values().empty()) {
    SerializeKey(root, path, out);
  } else {
    for (const RegKey* sub : root.SubKeys()) {
      path.resize(rootName.size());
      path += '\\';
      path += sub->Name();
      SerializeKey(*sub, path, out);
    }
  }
  return out;
}

std::unique_ptr<RegKey> ParseHive(std::string_view text, std::string_view rootName) {
  if (text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF")) {
    throw HiveFormatError(1, "UTF-16 text; hive files are UTF-8");
  }
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  auto root = std::make_unique<RegKey>();
  RegKey* current = nullptr;
  bool headerSeen = false;
  int lineNo = 0;
  while (!text.empty()) {
    const std::size_t nl = text.find('\n');
    const std::string_view line = TrimBlanks(text.substr(0, nl));
    text.remove_prefix(nl == std::string_view::npos ? text.size() : nl + 1);
    ++lineNo;
    if (line.empty() || line.front() == ';') continue;
    if (!headerSeen) {
      if (line != kRegHeader) throw HiveFormatError(lineNo, "not a registry file (bad header)");
      headerSeen = true;
    } else if (line.front() == '[') {
      current = &ParseSection(line, rootName, *root, lineNo);
    } else if (current == nullptr) {
      throw HiveFormatError(lineNo, "value outside of a key");
    } else {
      ParseValue(line, *current, lineNo);
    }
  }
  if (!headerSeen) throw HiveFormatError(lineNo, "empty file");
  return root;
}

}  // namespace platform
