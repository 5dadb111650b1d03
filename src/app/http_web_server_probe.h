#pragma once
// The window's web-server test over HTTP: a GET through the network layer's HTTP client, with its
// request headers and time-out, answered with the response's status line.
//
// Threading: loop thread only.

#include "app/web_server_probe.h"
#include "net/http_client.h"

namespace app {

class HttpWebServerProbe : public WebServerProbe {
 public:
  explicit HttpWebServerProbe(core::EventLoop& loop) : http_(loop) {}
  std::optional<std::string> Get(const std::string& url) override {
    if (!http_.Get(url)) return std::nullopt;
    return http_.ResponseText();
  }

 private:
  net::TIdHTTP http_;
};

}  // namespace app
