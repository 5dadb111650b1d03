#include "app/dyn_dns_https.h"

#include "net/http_client.h"
#include "net/network_error.h"

namespace app {

DynDnsReply DynDnsHttps::Get(const std::string& url, const std::string& authorization,
                             const std::string& userAgent) {
  net::TIdHTTP http(loop_);
  http.accept = "text/plain, */*";
  http.userAgent = userAgent;
  http.headers.emplace_back("Authorization", authorization);
  http.SetTlsCAFile(caFile_());
  const bool earlier = net::NetworkErrorFlag();
  DynDnsReply reply;
  reply.ok = http.Get(url);
  if (!reply.ok) {
    reply.error = net::NetworkErrorText();
    if (reply.error.empty()) reply.error = "request failed";
    if (!earlier) net::ClearNetworkError();
    return reply;
  }
  reply.status = http.ResponseCode();
  reply.body = http.Body();
  return reply;
}

}  // namespace app
