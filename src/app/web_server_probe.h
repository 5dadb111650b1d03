#pragma once
// What the web-server test needs of HTTP: one GET of an address and the status line of the
// answer. The window's real one speaks HTTP through the network layer; tests give scripted ones.
//
// Threading: loop thread only.

#include <optional>
#include <string>

namespace app {

class WebServerProbe {
 public:
  virtual ~WebServerProbe() = default;
  // The status text of the response to a GET of `url`; nullopt when the request failed (the
  // network layer has recorded the failure in the network error record).
  virtual std::optional<std::string> Get(const std::string& url) = 0;
};

}  // namespace app
