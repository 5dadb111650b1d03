#pragma once
// What the dynamic-DNS update needs of HTTPS: one GET with an Authorization header and a
// User-Agent, answered with the status and body. The program's transport speaks HTTPS through the
// network layer; tests give scripted ones.
//
// Threading: loop thread only.

#include <string>

namespace app {

struct DynDnsReply {
  bool ok = false;  // a well-formed response arrived (of any status)
  int status = 0;
  std::string body;
  std::string error;  // why not, when !ok ("Socket Refresh: 111", "TLS: certificate ...")
};

class DynDnsTransport {
 public:
  virtual ~DynDnsTransport() = default;
  virtual DynDnsReply Get(const std::string& url, const std::string& authorization,
                          const std::string& userAgent) = 0;
};

}  // namespace app
