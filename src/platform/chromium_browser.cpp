#include "platform/chromium_browser.h"

#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "net/socket_wait.h"

namespace platform {

namespace {

std::int64_t RealNowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// A window handle for a target: stable for the target, never 0.
std::uint64_t HandleOf(const std::string& id) {
  std::uint64_t h = 1469598103934665603ULL;
  for (const char c : id) {
    h ^= static_cast<unsigned char>(c);
    h *= 1099511628211ULL;
  }
  return h == 0 ? 1 : h;
}

// The handle while a started browser has not announced its endpoint yet.
constexpr std::uint64_t kStartingHandle = 1;

// Waits `ms` of real time with the loop kept running, as a blocking call does.
void Pause(core::EventLoop& loop, std::int64_t ms) {
  const core::UniqueFd never(::eventfd(0, EFD_CLOEXEC));
  if (never) net::WaitForSocket(loop, never.Get(), core::kIoRead, ms);
}

bool Ended(const core::UniqueFd& pidfd) {
  if (!pidfd) return true;
  pollfd p{pidfd.Get(), POLLIN, 0};
  return ::poll(&p, 1, 0) != 0;
}

}  // namespace

ChromiumBrowser::ChromiumBrowser(core::EventLoop& loop, std::vector<std::string> command,
                                 std::string profileDir)
    : loop_(loop),
      command_(std::move(command)),
      profileDir_(std::move(profileDir)),
      endpoint_(loop, profileDir_) {}

std::vector<std::string> ChromiumBrowser::SplitCommandLine(const std::string& line) {
  std::vector<std::string> words;
  std::string word;
  bool inWord = false;
  char quote = 0;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quote == '\'') {
      if (c == '\'')
        quote = 0;
      else
        word += c;
    } else if (c == '\\' && i + 1 < line.size()) {
      word += line[++i];
      inWord = true;
    } else if (quote == '"') {
      if (c == '"')
        quote = 0;
      else
        word += c;
    } else if (c == '"' || c == '\'') {
      quote = c;
      inWord = true;
    } else if (c == ' ' || c == '\t' || c == '\n') {
      if (inWord) words.push_back(std::move(word));
      word.clear();
      inWord = false;
    } else {
      word += c;
      inWord = true;
    }
  }
  if (inWord) words.push_back(std::move(word));
  return words;
}

std::vector<std::string> ChromiumBrowser::FindCommand() {
  if (const char* env = std::getenv("STAYLINE_BROWSER")) {
    std::vector<std::string> words = SplitCommandLine(env);
    if (!words.empty()) return words;
  }
  for (const char* name : {"chromium", "chromium-browser", "google-chrome", "google-chrome-stable",
                           "microsoft-edge", "brave-browser"}) {
    if (!FindInPath(name).empty()) return {name};
  }
  return {};
}

std::vector<std::string> ChromiumBrowser::StartCommand(const std::string& address) const {
  std::vector<std::string> args = command_;
  args.push_back("--user-data-dir=" + profileDir_);
  args.push_back("--remote-debugging-port=0");  // loopback; the port lands in the profile
  args.push_back("--no-first-run");
  args.push_back("--no-default-browser-check");
  args.push_back("--");  // the address can never be taken for a switch
  args.push_back(address);
  return args;
}

// A browser this object started is still coming up: alive, recent, its endpoint not answering.
bool ChromiumBrowser::Starting() {
  if (launched_.pid == 0 || Ended(launched_.pidfd)) return false;
  return RealNowMs() - launchedAtMs_ < kStartGraceMs;
}

bool ChromiumBrowser::StartFailedRecently() {
  if (launched_.pid == 0 || announced_ || !Ended(launched_.pidfd)) return false;
  return RealNowMs() - launchedAtMs_ < kRetryAfterFailedStartMs;
}

// The page targets, noting that the browser has answered.
bool ChromiumBrowser::ListPages(std::vector<DevToolsTarget>& pages) {
  if (!endpoint_.Pages(pages)) return false;
  announced_ = true;
  return true;
}

bool ChromiumBrowser::Start(const std::string& address) {
  std::error_code ec;
  std::filesystem::create_directories(profileDir_, ec);
  std::filesystem::remove(endpoint_.PortFile(), ec);  // a crashed browser's port is no answer
  LaunchedProcess launched;
  if (!StartDetached(StartCommand(address), &launched, nullptr)) return false;
  launched_ = std::move(launched);
  launchedAtMs_ = RealNowMs();
  announced_ = false;
  return true;
}

std::uint64_t ChromiumBrowser::FindWindow() {
  std::vector<DevToolsTarget> pages;
  if (ListPages(pages)) return pages.empty() ? 0 : HandleOf(pages.front().id);
  return Starting() ? kStartingHandle : 0;
}

std::string ChromiumBrowser::CurrentUrl() {
  std::vector<DevToolsTarget> pages;
  if (!endpoint_.Pages(pages) || pages.empty()) return "";
  return pages.front().url;
}

bool ChromiumBrowser::Open(const std::string& address) {
  if (address.empty()) return false;
  std::vector<DevToolsTarget> pages;
  if (ListPages(pages)) return endpoint_.NewPage(address);
  if (StartFailedRecently()) return false;
  if (!Starting()) return Start(address);
  // Just started: give it the rest of its start-up time (bounded) to announce the endpoint.
  const std::int64_t until = std::min(launchedAtMs_ + kStartGraceMs, RealNowMs() + 5000);
  while (RealNowMs() < until && !Ended(launched_.pidfd)) {
    net::WaitForSocket(loop_, launched_.pidfd.Get(), core::kIoRead, 100);
    if (ListPages(pages)) return endpoint_.NewPage(address);
  }
  return false;
}

// Waits at most `ms` for the browser started last to end; true when it has.
bool ChromiumBrowser::WaitForExit(std::int64_t ms) {
  const std::int64_t until = RealNowMs() + ms;
  if (!launched_.pidfd) {
    // Started by an earlier run of the program: gone when its endpoint stops answering.
    std::vector<DevToolsTarget> pages;
    while (endpoint_.Pages(pages)) {
      if (RealNowMs() >= until) return false;
      Pause(loop_, 100);
    }
    return true;
  }
  while (!Ended(launched_.pidfd) && RealNowMs() < until) {
    net::WaitForSocket(loop_, launched_.pidfd.Get(), core::kIoRead, until - RealNowMs());
  }
  return Ended(launched_.pidfd);
}

// Ends the whole browser: asked politely over DevTools first (it saves its session), then, when
// it was started here and has not gone, by a signal to its process group.
bool ChromiumBrowser::CloseBrowser() {
  const std::string ws = endpoint_.BrowserWebSocketUrl();
  if (!ws.empty()) endpoint_.Command(ws, "Browser.close");  // may go before it can answer
  if (!WaitForExit(kExitWaitMs) && launched_.pidfd && !Ended(launched_.pidfd)) {
    ::kill(-launched_.pid, SIGTERM);
    if (!WaitForExit(kExitWaitMs)) ::kill(-launched_.pid, SIGKILL);
  }
  return true;
}

bool ChromiumBrowser::CloseWindow() {
  std::vector<DevToolsTarget> pages;
  if (!endpoint_.Pages(pages)) {
    if (!Starting()) return false;
    // Closed before it showed a window: the start is undone.
    ::kill(-launched_.pid, SIGTERM);
    WaitForExit(kExitWaitMs);
    return true;
  }
  if (pages.empty()) return false;
  if (pages.size() == 1) return CloseBrowser();
  // A page that is still loading can let a close request pass unheeded, so the close is checked
  // and asked for again (a few times, bounded).
  const std::string id = pages.front().id;
  for (int attempt = 0; attempt < kCloseAttempts; ++attempt) {
    if (!endpoint_.ClosePage(id)) return false;
    for (int check = 0; check < 5; ++check) {
      Pause(loop_, 100);
      if (!endpoint_.Pages(pages)) return true;  // the browser has gone altogether
      if (std::none_of(pages.begin(), pages.end(),
                       [&](const DevToolsTarget& t) { return t.id == id; })) {
        return true;
      }
    }
  }
  return false;
}

bool ChromiumBrowser::Reload() {
  std::vector<DevToolsTarget> pages;
  if (!endpoint_.Pages(pages) || pages.empty()) return false;
  return endpoint_.ReloadPage(pages.front().webSocketUrl);
}

}  // namespace platform
