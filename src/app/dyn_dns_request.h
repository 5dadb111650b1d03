#pragma once
// The dyndns2 update request: "https://<server>/nic/update?hostname=<h1,h2>&myip=<ip>" with basic
// authentication. The server setting is host[:port] (an "https://" in front and a "/" behind are
// forgiven); the host names are the comma-separated setting with blanks and empty names dropped.
// Host names and the address are percent-encoded, so a typed "&" or blank cannot add parameters.
//
// Threading: pure functions.

#include <optional>
#include <string>

namespace app {

struct DynDnsRequest {
  std::string url;
  std::string authorization;  // the Authorization header's value: "Basic <base64 user:password>"
  std::string hosts;          // the host names as sent, comma-separated
};

// nullopt when the server or the host names are empty, or the server is no host[:port].
[[nodiscard]] std::optional<DynDnsRequest> BuildDynDnsRequest(const std::string& server,
                                                              const std::string& hosts,
                                                              const std::string& user,
                                                              const std::string& password,
                                                              const std::string& address);

}  // namespace app
