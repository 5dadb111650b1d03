#include "ftp/ftp_server_type.h"

#include <array>
#include <cctype>

namespace ftp {
namespace {

// In enumeration order; each name is the enumerator without its prefix.
constexpr std::array<std::string_view, kServerTypeCount> kNames = {
    "AutoDetect", "Default", "UNIX",        "ULTRIX",  "Clix",    "Chameleon", "NCSA",  "QVT",
    "BSD",        "SunOS",   "VmsMultinet", "VmsUcx",  "MVS",     "VM",        "VMVPS", "MSFTP",
    "NetTerm",    "ServU",   "WFTPD",       "WarFTPD", "Netware", "NetPresenz"};

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualNoCase(text.substr(0, prefix.size()), prefix);
}

}  // namespace

std::string_view ServerTypeName(TMFtpServerType type) {
  const int value = static_cast<int>(type);
  if (value < 0 || value >= kServerTypeCount) return {};
  return kNames[static_cast<std::size_t>(value)];
}

std::optional<TMFtpServerType> ServerTypeFromName(std::string_view name) {
  // The full enumerator name is accepted too; "ftpWarFTPD" lacks the "st".
  if (StartsWithNoCase(name, "ftpst"))
    name.remove_prefix(5);
  else if (StartsWithNoCase(name, "ftp") && EqualNoCase(name.substr(3), "WarFTPD"))
    name.remove_prefix(3);
  for (std::size_t i = 0; i < kNames.size(); ++i) {
    if (EqualNoCase(name, kNames[i])) return static_cast<TMFtpServerType>(i);
  }
  return std::nullopt;
}

std::optional<TMFtpServerType> ServerTypeFromValue(int value) {
  if (value < 0 || value >= kServerTypeCount) return std::nullopt;
  return static_cast<TMFtpServerType>(value);
}

}  // namespace ftp
