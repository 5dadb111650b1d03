#pragma once
// The text form of a hive: the Windows registry export format ("Windows Registry Editor Version
// 5.00"), UTF-8, string values only. docs/registry-format.md describes it for people.
//
// Threading: pure functions, safe from any thread.

#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "platform/reg_key.h"

namespace platform {

inline constexpr std::string_view kRegHeader = "Windows Registry Editor Version 5.00";

class HiveFormatError : public std::runtime_error {
 public:
  HiveFormatError(int line, const std::string& what)
      : std::runtime_error("line " + std::to_string(line) + ": " + what), Line(line) {}
  int Line;
};

// The quoted-string escapes: \\ and \" and \xHH (U+0000..U+001F, U+007F..U+009F).
std::string QuoteRegString(std::string_view text);

// The whole file for the hive `root` whose top key is named `rootName` ("HKEY_CURRENT_USER").
// Every key gets a section, parents before children, so empty keys survive a round trip.
std::string SerializeHive(const RegKey& root, std::string_view rootName);

// Parses a file written by SerializeHive or by hand. Throws HiveFormatError for anything that is
// not plainly a string-valued hive of `rootName`, so a damaged file is never half-read.
std::unique_ptr<RegKey> ParseHive(std::string_view text, std::string_view rootName);

}  // namespace platform
