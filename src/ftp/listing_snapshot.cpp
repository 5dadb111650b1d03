#include "ftp/listing_snapshot.h"

#include <cctype>
#include <string_view>

namespace ftp {
namespace {

constexpr std::string_view kScheme = "ftp://";

bool HasScheme(const std::string& location) {
  if (location.size() < kScheme.size()) return false;
  for (std::size_t i = 0; i < kScheme.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(location[i])) != kScheme[i]) return false;
  }
  return true;
}

}  // namespace

std::string LocationServer(const std::string& location) {
  if (!HasScheme(location)) return {};
  return location.substr(0, location.find('/', kScheme.size()));
}

std::string LocationFolder(const std::string& location) {
  if (!HasScheme(location)) return {};
  const auto slash = location.find('/', kScheme.size());
  return slash == std::string::npos ? "/" : location.substr(slash);
}

}  // namespace ftp
