#pragma once
// Small UTF-8 helpers for the registry hives and the settings scrambling. Text lives in memory as
// UTF-8; a byte that does not start a valid sequence is taken as its Latin-1 character, so text
// from any older source turns into valid UTF-8 instead of being rejected.
//
// Threading: pure functions, safe from any thread.

#include <string>
#include <string_view>

namespace platform::utf8 {

// Code points of `text`; invalid bytes become U+0080..U+00FF (Latin-1).
std::u32string Decode(std::string_view text);
// The code point at `pos` (read as Decode does), advancing `pos` past it; pos < text.size().
char32_t Next(std::string_view text, std::size_t& pos);
std::string Encode(std::u32string_view codePoints);
void Append(std::string& out, char32_t codePoint);

// `text` as valid UTF-8 (unchanged when it already is).
std::string Sanitize(std::string_view text);
std::string Sanitize(std::string&& text);
bool IsValid(std::string_view text);

// Case folding for names (ASCII and the Latin-1 letters, to upper case), used to compare and
// order key and value names the way the registry does: ignoring case, keeping the spelling.
std::string Fold(std::string_view text);
bool EqualsFolded(std::string_view a, std::string_view b);

}  // namespace platform::utf8
