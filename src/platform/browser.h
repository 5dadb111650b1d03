#pragma once
// The user's web browser as the program drives it around the dial-up connection: open an
// address, tell whether a window is open and which address it shows, reload that page past the
// cache, and close it. The POSIX implementation drives a Chromium-family browser it starts itself
// (its DevTools endpoint on loopback), or hands addresses to xdg-open when no such browser is
// installed (then no window is ever found). Tests use a simulated one.
//
// Every call returns promptly (a browser that does not answer counts as no window); none throws.
//
// Threading: loop thread only.

#include <cstdint>
#include <string>

namespace platform {

class Browser {
 public:
  virtual ~Browser() = default;

  // A non-zero handle of the browser's window the program can drive, 0 when there is none.
  [[nodiscard]] virtual std::uint64_t FindWindow() = 0;
  // The address the most recently active browser window shows; "" when there is no window or it
  // does not answer.
  [[nodiscard]] virtual std::string CurrentUrl() = 0;
  // Opens `address` in the browser, starting it when needed. False when nothing could be started
  // (no browser, no opener, the program failed to run).
  virtual bool Open(const std::string& address) = 0;
  // Closes one browser window (the most recently active). False when there was none to close.
  virtual bool CloseWindow() = 0;
  // Stops loading and reloads the page shown, bypassing the cache. False when there is no window.
  virtual bool Reload() = 0;
};

}  // namespace platform
