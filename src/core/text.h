#pragma once
// Small text helpers shared by every module (trimming, case-insensitive compare, numbers).

#include <string>
#include <string_view>
#include <vector>

namespace core {

std::string Trim(std::string_view s);
std::string ToLower(std::string_view s);
std::string ToUpper(std::string_view s);
bool EqualsNoCase(std::string_view a, std::string_view b);
bool StartsWithNoCase(std::string_view s, std::string_view prefix);
// Replaces every occurrence of `from` (any letter case) by `to`.
std::string ReplaceAllNoCase(std::string_view s, std::string_view from, std::string_view to);
bool IsAllDigits(std::string_view s);  // false for ""
// Whole text as a decimal integer (optional sign); false when it is not one or out of range.
bool TryParseInt(std::string_view s, long long& out);
std::vector<std::string> Split(std::string_view s, char sep);
std::string Join(const std::vector<std::string>& parts, std::string_view sep);

// Orders strings ignoring ASCII letter case (keys of registry hives, control names).
struct LessNoCase {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const;
};

}  // namespace core
