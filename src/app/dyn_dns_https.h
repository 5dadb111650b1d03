#pragma once
// The dynamic-DNS update's HTTPS: a GET through the network layer's HTTP client, the certificate
// verified against the system's trust store and the "TlsCAFile" setting. A failure comes back
// with the reason the network layer recorded (and that record is cleared again, so the mail's
// check for earlier socket errors does not take it for its own).
//
// Threading: loop thread only.

#include <functional>
#include <string>

#include "app/dyn_dns_transport.h"
#include "core/event_loop.h"

namespace app {

class DynDnsHttps : public DynDnsTransport {
 public:
  // `caFile` is asked on every request, so a changed setting counts at once.
  DynDnsHttps(core::EventLoop& loop, std::function<std::string()> caFile)
      : loop_(loop), caFile_(std::move(caFile)) {}

  DynDnsReply Get(const std::string& url, const std::string& authorization,
                  const std::string& userAgent) override;

 private:
  core::EventLoop& loop_;
  std::function<std::string()> caFile_;
};

}  // namespace app
