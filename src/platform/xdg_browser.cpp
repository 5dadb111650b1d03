#include "platform/xdg_browser.h"

#include "platform/detached_launch.h"

namespace platform {

bool XdgBrowser::Open(const std::string& address) {
  if (address.empty() || address.front() == '-') return false;
  return StartDetached({"xdg-open", address}, nullptr, nullptr);
}

}  // namespace platform
