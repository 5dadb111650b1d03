#include "platform/utf8.h"

namespace platform::utf8 {

namespace {

// Length of the valid sequence starting at `pos`, or 0 when the byte there starts none.
std::size_t SequenceAt(std::string_view text, std::size_t pos, char32_t& cp) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(pos);
  if (lead < 0x80) {
    cp = lead;
    return 1;
  }
  std::size_t len = 0;
  char32_t min = 0;
  if ((lead & 0xE0) == 0xC0) {
    len = 2, cp = lead & 0x1F, min = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    len = 3, cp = lead & 0x0F, min = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    len = 4, cp = lead & 0x07, min = 0x10000;
  } else {
    return 0;
  }
  if (pos + len > text.size()) return 0;
  for (std::size_t i = 1; i < len; ++i) {
    if ((byte(pos + i) & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (byte(pos + i) & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return len;
}

// Upper case, as the registry compares and orders names.
char32_t FoldChar(char32_t cp) {
  if (cp >= U'a' && cp <= U'z') return cp - 32;
  if (cp >= 0xE0 && cp <= 0xFE && cp != 0xF7) return cp - 32;
  return cp;
}

}  // namespace

char32_t Next(std::string_view text, std::size_t& pos) {
  char32_t cp = 0;
  const std::size_t len = SequenceAt(text, pos, cp);
  if (len == 0) {
    cp = static_cast<unsigned char>(text[pos]);
    ++pos;
  } else {
    pos += len;
  }
  return cp;
}

std::u32string Decode(std::string_view text) {
  std::u32string out;
  out.reserve(text.size());
  for (std::size_t pos = 0; pos < text.size();) out.push_back(Next(text, pos));
  return out;
}

void Append(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

std::string Encode(std::u32string_view codePoints) {
  std::string out;
  out.reserve(codePoints.size());
  for (char32_t cp : codePoints) Append(out, cp);
  return out;
}

bool IsValid(std::string_view text) {
  for (std::size_t pos = 0; pos < text.size();) {
    if (static_cast<unsigned char>(text[pos]) < 0x80) {
      ++pos;
      continue;
    }
    char32_t cp = 0;
    const std::size_t len = SequenceAt(text, pos, cp);
    if (len == 0) return false;
    pos += len;
  }
  return true;
}

namespace {

// Re-encodes `text`, each invalid byte as its Latin-1 character.
std::string Reencode(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 8);
  for (std::size_t pos = 0; pos < text.size();) Append(out, Next(text, pos));
  return out;
}

}  // namespace

std::string Sanitize(std::string_view text) {
  return IsValid(text) ? std::string(text) : Reencode(text);
}

std::string Sanitize(std::string&& text) {
  return IsValid(text) ? std::move(text) : Reencode(text);
}

std::string Fold(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t pos = 0; pos < text.size();) {
    const auto byte = static_cast<unsigned char>(text[pos]);
    if (byte < 0x80) {
      out.push_back(static_cast<char>(FoldChar(byte)));
      ++pos;
    } else {
      Append(out, FoldChar(Next(text, pos)));
    }
  }
  return out;
}

bool EqualsFolded(std::string_view a, std::string_view b) {
  // Code point by code point, without building the folded copies.
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (FoldChar(Next(a, i)) != FoldChar(Next(b, j))) return false;
  }
  return i == a.size() && j == b.size();
}

}  // namespace platform::utf8
