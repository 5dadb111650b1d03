#include "net/json.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace net {

JsonValue JsonValue::Boolean(bool b) {
  JsonValue v;
  v.kind_ = Kind::Bool;
  v.bool_ = b;
  return v;
}

JsonValue JsonValue::Number(double d) {
  JsonValue v;
  v.kind_ = Kind::Number;
  v.number_ = d;
  return v;
}

JsonValue JsonValue::Text(std::string s) {
  JsonValue v;
  v.kind_ = Kind::String;
  v.string_ = std::move(s);
  return v;
}

JsonValue JsonValue::MakeArray(Array items) {
  JsonValue v;
  v.kind_ = Kind::Array;
  v.array_ = std::move(items);
  return v;
}

JsonValue JsonValue::MakeObject(Object members) {
  JsonValue v;
  v.kind_ = Kind::Object;
  v.object_ = std::move(members);
  return v;
}

const std::string& JsonValue::AsString() const {
  static const std::string kEmpty;
  return kind_ == Kind::String ? string_ : kEmpty;
}

const JsonValue* JsonValue::Find(const std::string& key) const {
  if (kind_ != Kind::Object) return nullptr;
  const auto it = object_.find(key);
  return it == object_.end() ? nullptr : &it->second;
}

std::string JsonValue::StringAt(const std::string& key) const {
  const JsonValue* v = Find(key);
  return v ? v->AsString() : std::string();
}

namespace {

class Parser {
 public:
  Parser(std::string_view text, int maxDepth) : text_(text), maxDepth_(maxDepth) {}

  bool ParseDocument(JsonValue& out) {
    SkipSpace();
    if (!ParseValue(out, 0)) return false;
    SkipSpace();
    return pos_ == text_.size();
  }

 private:
  void SkipSpace() {
    while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t' ||
                                   text_[pos_] == '\n' || text_[pos_] == '\r'))
      ++pos_;
  }

  bool Literal(std::string_view word) {
    if (text_.substr(pos_, word.size()) != word) return false;
    pos_ += word.size();
    return true;
  }

  bool ParseValue(JsonValue& out, int depth) {
    if (pos_ >= text_.size()) return false;
    switch (text_[pos_]) {
      case '{':
        return ParseObject(out, depth + 1);
      case '[':
        return ParseArray(out, depth + 1);
      case '"': {
        std::string s;
        if (!ParseString(s)) return false;
        out = JsonValue::Text(std::move(s));
        return true;
      }
      case 't':
        out = JsonValue::Boolean(true);
        return Literal("true");
      case 'f':
        out = JsonValue::Boolean(false);
        return Literal("false");
      case 'n':
        out = JsonValue();
        return Literal("null");
      default:
        return ParseNumber(out);
    }
  }

  bool ParseObject(JsonValue& out, int depth) {
    if (depth > maxDepth_) return false;
    ++pos_;  // '{'
    out = JsonValue::MakeObject();
    SkipSpace();
    if (pos_ < text_.size() && text_[pos_] == '}') {
      ++pos_;
      return true;
    }
    for (;;) {
      SkipSpace();
      std::string key;
      if (pos_ >= text_.size() || text_[pos_] != '"' || !ParseString(key)) return false;
      SkipSpace();
      if (pos_ >= text_.size() || text_[pos_] != ':') return false;
      ++pos_;
      SkipSpace();
      JsonValue member;
      if (!ParseValue(member, depth)) return false;
      out.MutableMembers()[key] = std::move(member);
      SkipSpace();
      if (pos_ >= text_.size()) return false;
      if (text_[pos_] == '}') {
        ++pos_;
        return true;
      }
      if (text_[pos_] != ',') return false;
      ++pos_;
    }
  }

  bool ParseArray(JsonValue& out, int depth) {
    if (depth > maxDepth_) return false;
    ++pos_;  // '['
    out = JsonValue::MakeArray();
    SkipSpace();
    if (pos_ < text_.size() && text_[pos_] == ']') {
      ++pos_;
      return true;
    }
    for (;;) {
      SkipSpace();
      JsonValue item;
      if (!ParseValue(item, depth)) return false;
      out.MutableItems().push_back(std::move(item));
      SkipSpace();
      if (pos_ >= text_.size()) return false;
      if (text_[pos_] == ']') {
        ++pos_;
        return true;
      }
      if (text_[pos_] != ',') return false;
      ++pos_;
    }
  }

  bool Hex4(unsigned& code) {
    if (text_.size() - pos_ < 4) return false;
    code = 0;
    for (int i = 0; i < 4; ++i) {
      const char c = text_[pos_++];
      code <<= 4;
      if (c >= '0' && c <= '9')
        code |= static_cast<unsigned>(c - '0');
      else if (c >= 'a' && c <= 'f')
        code |= static_cast<unsigned>(c - 'a' + 10);
      else if (c >= 'A' && c <= 'F')
        code |= static_cast<unsigned>(c - 'A' + 10);
      else
        return false;
    }
    return true;
  }

  static void AppendUtf8(std::string& s, unsigned code) {
    if (code < 0x80) {
      s += static_cast<char>(code);
    } else if (code < 0x800) {
      s += static_cast<char>(0xC0 | (code >> 6));
      s += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      s += static_cast<char>(0xE0 | (code >> 12));
      s += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      s += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      s += static_cast<char>(0xF0 | (code >> 18));
      s += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
      s += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      s += static_cast<char>(0x80 | (code & 0x3F));
    }
  }

  bool ParseEscape(std::string& s) {
    if (pos_ >= text_.size()) return false;
    const char c = text_[pos_++];
    switch (c) {
      case '"':
        s += '"';
        return true;
      case '\\':
        s += '\\';
        return true;
      case '/':
        s += '/';
        return true;
      case 'b':
        s += '\b';
        return true;
      case 'f':
        s += '\f';
        return true;
      case 'n':
        s += '\n';
        return true;
      case 'r':
        s += '\r';
        return true;
      case 't':
        s += '\t';
        return true;
      case 'u':
        break;
      default:
        return false;
    }
    unsigned code = 0;
    if (!Hex4(code)) return false;
    if (code >= 0xD800 && code <= 0xDBFF) {
      unsigned low = 0;
      if (!Literal("\\u") || !Hex4(low) || low < 0xDC00 || low > 0xDFFF) return false;
      code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
    } else if (code >= 0xDC00 && code <= 0xDFFF) {
      return false;  // a lone low surrogate
    }
    AppendUtf8(s, code);
    return true;
  }

  bool ParseString(std::string& s) {
    ++pos_;  // '"'
    while (pos_ < text_.size()) {
      const char c = text_[pos_++];
      if (c == '"') return true;
      if (static_cast<unsigned char>(c) < 0x20) return false;
      if (c == '\\') {
        if (!ParseEscape(s)) return false;
      } else {
        s += c;
      }
    }
    return false;
  }

  bool ParseNumber(JsonValue& out) {
    const std::size_t start = pos_;
    auto digits = [&] {
      const std::size_t from = pos_;
      while (pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9') ++pos_;
      return pos_ > from;
    };
    if (pos_ < text_.size() && text_[pos_] == '-') ++pos_;
    if (pos_ < text_.size() && text_[pos_] == '0') {
      ++pos_;
    } else if (!digits()) {
      return false;
    }
    if (pos_ < text_.size() && text_[pos_] == '.') {
      ++pos_;
      if (!digits()) return false;
    }
    if (pos_ < text_.size() && (text_[pos_] == 'e' || text_[pos_] == 'E')) {
      ++pos_;
      if (pos_ < text_.size() && (text_[pos_] == '+' || text_[pos_] == '-')) ++pos_;
      if (!digits()) return false;
    }
    // from_chars, unlike strtod, does not follow the locale's decimal separator. A number a
    // double cannot hold is refused rather than guessed at.
    double value = 0.0;
    const auto [end, ec] = std::from_chars(text_.data() + start, text_.data() + pos_, value);
    if (ec != std::errc() || end != text_.data() + pos_) return false;
    out = JsonValue::Number(value);
    return true;
  }

  std::string_view text_;
  std::size_t pos_ = 0;
  int maxDepth_;
};

void WriteString(std::string& out, const std::string& s) {
  out += '"';
  for (const char c : s) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned>(c));
          out += buf;
        } else {
          out += c;
        }
    }
  }
  out += '"';
}

void Write(std::string& out, const JsonValue& v) {
  switch (v.Type()) {
    case JsonValue::Kind::Null:
      out += "null";
      break;
    case JsonValue::Kind::Bool:
      out += v.AsBool() ? "true" : "false";
      break;
    case JsonValue::Kind::Number: {
      const double d = v.AsNumber();
      char buf[64];
      if (!std::isfinite(d)) {
        out += "null";  // JSON has no infinities
      } else if (d == std::floor(d) && std::fabs(d) < 1e15) {
        const auto r = std::to_chars(buf, buf + sizeof buf, static_cast<long long>(d));
        out.append(buf, r.ptr);
      } else {
        const auto r = std::to_chars(buf, buf + sizeof buf, d);  // shortest exact, no locale
        out.append(buf, r.ptr);
      }
      break;
    }
    case JsonValue::Kind::String:
      WriteString(out, v.AsString());
      break;
    case JsonValue::Kind::Array: {
      out += '[';
      bool first = true;
      for (const JsonValue& item : v.Items()) {
        if (!first) out += ',';
        first = false;
        Write(out, item);
      }
      out += ']';
      break;
    }
    case JsonValue::Kind::Object: {
      out += '{';
      bool first = true;
      for (const auto& [key, member] : v.Members()) {
        if (!first) out += ',';
        first = false;
        WriteString(out, key);
        out += ':';
        Write(out, member);
      }
      out += '}';
      break;
    }
  }
}

}  // namespace

std::optional<JsonValue> ParseJson(std::string_view text, const JsonLimits& limits) {
  if (text.size() > limits.maxInput) return std::nullopt;
  JsonValue value;
  Parser parser(text, limits.maxDepth);
  if (!parser.ParseDocument(value)) return std::nullopt;
  return value;
}

std::string WriteJson(const JsonValue& value) {
  std::string out;
  Write(out, value);
  return out;
}

}  // namespace net
