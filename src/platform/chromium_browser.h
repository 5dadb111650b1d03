#pragma once
// The browser on POSIX: a Chromium-family browser the program starts itself, with its own profile
// folder and its DevTools endpoint on loopback (port chosen by the browser). A window exists when
// the endpoint lists a page target; the most recently active page is the one read, closed and
// reloaded. The browser outlives the program (own session, adopted by the system).
//
// Threading: loop thread only.

#include <cstdint>
#include <string>
#include <vector>

#include "core/event_loop.h"
#include "platform/browser.h"
#include "platform/detached_launch.h"
#include "platform/devtools_endpoint.h"

namespace platform {

class ChromiumBrowser : public Browser {
 public:
  // How long a browser just started may take to announce its endpoint; meanwhile it counts as an
  // open window, so the status tick does not start a second one.
  static constexpr std::int64_t kStartGraceMs = 15000;
  // How long closing the last page waits for the browser process to end before ending it.
  static constexpr std::int64_t kExitWaitMs = 3000;
  // A browser that ended before it announced its endpoint (no display, a broken install) is not
  // started again for this long: the status tick would otherwise start one every second.
  static constexpr std::int64_t kRetryAfterFailedStartMs = 30000;
  // How often closing a page is asked for before it counts as failed (each waits 0.5 s).
  static constexpr int kCloseAttempts = 3;

  // `command`: the browser program and any arguments of the user's own; the program adds the
  // profile folder, the DevTools port and the first-run flags.
  ChromiumBrowser(core::EventLoop& loop, std::vector<std::string> command, std::string profileDir);

  std::uint64_t FindWindow() override;
  std::string CurrentUrl() override;
  bool Open(const std::string& address) override;
  bool CloseWindow() override;
  bool Reload() override;

  // The process this object started last (also its process group), 0 when none.
  [[nodiscard]] pid_t LaunchedPid() const { return launched_.pid; }
  // The command line a start runs for `address`.
  [[nodiscard]] std::vector<std::string> StartCommand(const std::string& address) const;

  // Splits a command line such as STAYLINE_BROWSER's into words: blanks separate, single and
  // double quotes group, a backslash outside single quotes takes the next character as it is.
  static std::vector<std::string> SplitCommandLine(const std::string& line);
  // The browser command: STAYLINE_BROWSER when set, else the first Chromium-family browser found
  // in PATH; empty when there is none.
  static std::vector<std::string> FindCommand();

 private:
  bool Starting();
  bool StartFailedRecently();
  bool ListPages(std::vector<DevToolsTarget>& pages);
  bool WaitForExit(std::int64_t ms);
  bool Start(const std::string& address);
  bool CloseBrowser();

  core::EventLoop& loop_;
  std::vector<std::string> command_;
  std::string profileDir_;
  DevToolsEndpoint endpoint_;
  LaunchedProcess launched_;
  std::int64_t launchedAtMs_ = 0;  // real time of the last start
  bool announced_ = false;         // the last start's endpoint has answered
};

}  // namespace platform
