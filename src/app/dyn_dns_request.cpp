#include "app/dyn_dns_request.h"

#include <cctype>

#include "core/text.h"
#include "net/base64.h"

namespace app {

namespace {

std::string Encode(const std::string& text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (std::isalnum(c) != 0 || c == '-' || c == '.' || c == '_') {
      out += ch;
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

std::optional<std::string> ServerPart(std::string server) {
  server = core::Trim(server);
  constexpr std::string_view kScheme = "https://";
  if (server.size() >= kScheme.size() &&
      core::EqualsNoCase(server.substr(0, kScheme.size()), kScheme)) {
    server.erase(0, kScheme.size());
  }
  while (!server.empty() && server.back() == '/') server.pop_back();
  if (server.empty()) return std::nullopt;
  for (const char ch : server) {
    const auto c = static_cast<unsigned char>(ch);
    if (std::isalnum(c) == 0 && c != '-' && c != '.' && c != ':' && c != '_' && c != '[' &&
        c != ']') {
      return std::nullopt;
    }
  }
  return server;
}

}  // namespace

std::optional<DynDnsRequest> BuildDynDnsRequest(const std::string& server, const std::string& hosts,
                                                const std::string& user,
                                                const std::string& password,
                                                const std::string& address) {
  const std::optional<std::string> host = ServerPart(server);
  if (!host) return std::nullopt;
  DynDnsRequest request;
  std::string encoded;
  std::size_t start = 0;
  while (start <= hosts.size()) {
    std::size_t end = hosts.find(',', start);
    if (end == std::string::npos) end = hosts.size();
    const std::string name = core::Trim(hosts.substr(start, end - start));
    if (!name.empty()) {
      request.hosts += (request.hosts.empty() ? "" : ",") + name;
      encoded += (encoded.empty() ? "" : ",") + Encode(name);
    }
    start = end + 1;
  }
  if (encoded.empty()) return std::nullopt;
  request.url = "https://" + *host + "/nic/update?hostname=" + encoded +
                "&myip=" + Encode(core::Trim(address));
  request.authorization = "Basic " + net::Base64Encode(user + ":" + password);
  return request;
}

}  // namespace app
