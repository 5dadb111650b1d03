#pragma once
// The browser when no Chromium-family browser is installed: addresses go to the desktop's
// opener (xdg-open). The program cannot see or drive the window that opens, so no window is ever
// found and closing or reloading does nothing.
//
// Threading: loop thread only.

#include <string>

#include "platform/browser.h"

namespace platform {

class XdgBrowser : public Browser {
 public:
  std::uint64_t FindWindow() override { return 0; }
  std::string CurrentUrl() override { return ""; }
  // False when xdg-open is missing or cannot be started, and for an address it would take for
  // one of its options (starting with "-").
  bool Open(const std::string& address) override;
  bool CloseWindow() override { return false; }
  bool Reload() override { return false; }
};

}  // namespace platform
