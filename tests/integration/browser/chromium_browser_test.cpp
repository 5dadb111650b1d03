// The browser control against a real headless Chromium and a web server on loopback: opening
// starts the browser and shows the page, a second opening adds a page, a reload goes past the
// cache, closing the last page ends the browser, and nothing of it is left running afterwards.
#include "platform/chromium_browser.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <thread>

#include "core/poll_loop.h"
#include "integration/daemon_e2e/process_list.h"
#include "net/network_error.h"
#include "platform/detached_launch.h"
#include "platform/devtools_endpoint.h"
#include "platform/system_browser.h"
#include "unit/net/support/http_test_server.h"
#include "unit/platform/support/temp_dir.h"

namespace {

using testing_support::ProcessesMentioning;

constexpr const char* kHeadless =
    "chromium --headless --no-sandbox --disable-gpu --no-first-run "
    "--disable-background-networking --disable-component-update --disable-sync";

// The local addresses (as /proc/net/tcp{,6} spell them) of the sockets listening on `port`.
std::vector<std::string> ListeningAddresses(int port) {
  char portHex[8];
  std::snprintf(portHex, sizeof portHex, "%04X", port);
  std::vector<std::string> found;
  for (const char* table : {"/proc/net/tcp", "/proc/net/tcp6"}) {
    std::ifstream in(table);
    std::string line;
    std::getline(in, line);  // the heading
    while (std::getline(in, line)) {
      std::istringstream fields(line);
      std::string slot, local, remote, state;
      fields >> slot >> local >> remote >> state;
      const std::size_t colon = local.rfind(':');
      if (state == "0A" && colon != std::string::npos && local.substr(colon + 1) == portHex) {
        found.push_back(local.substr(0, colon));
      }
    }
  }
  return found;
}

class ChromiumBrowserTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (platform::FindInPath("chromium").empty()) GTEST_SKIP() << "chromium is not installed";
    ASSERT_NE(server.Port(), 0) << "the test web server did not start";
    ::setenv("STAYLINE_BROWSER", kHeadless, 1);
    browser = platform::MakeSystemBrowser(loop, profile);
    chromium = dynamic_cast<platform::ChromiumBrowser*>(browser.get());
    ASSERT_NE(chromium, nullptr);
    net::ClearNetworkError();
  }

  void TearDown() override {
    ::unsetenv("STAYLINE_BROWSER");
    if (chromium && chromium->LaunchedPid() > 0) ::kill(-chromium->LaunchedPid(), SIGKILL);
    for (pid_t pid : ProcessesMentioning(profile)) ::kill(pid, SIGKILL);
    EXPECT_TRUE(WaitUntil([&] { return ProcessesMentioning(profile).empty(); }, 10000))
        << "a browser process outlived the test";
    browser.reset();
  }

  // Polls (real time, the loop kept running) until `done` holds.
  bool WaitUntil(const std::function<bool()>& done, int ms) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
      if (std::chrono::steady_clock::now() > until) return false;
      loop.ProcessMessages();
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return true;
  }

  std::size_t PageCount() {
    platform::DevToolsEndpoint endpoint(loop, profile);
    std::vector<platform::DevToolsTarget> pages;
    return endpoint.Pages(pages) ? pages.size() : 0;
  }

  core::PollLoop loop;
  testing_support::HttpTestServer server;
  testing_support::TempDir dir;
  std::string profile = dir / "browser";
  std::unique_ptr<platform::Browser> browser;
  platform::ChromiumBrowser* chromium = nullptr;
};

TEST_F(ChromiumBrowserTest, OpenReloadAndCloseUntilTheBrowserEnds) {
  // Nothing started yet: no window, and every operation says so at once.
  EXPECT_EQ(browser->FindWindow(), 0u);
  EXPECT_EQ(browser->CurrentUrl(), "");
  EXPECT_FALSE(browser->CloseWindow());
  EXPECT_FALSE(browser->Reload());

  const std::string page1 = server.Url("/page1.html");
  const std::string page2 = server.Url("/page2.html");
  ASSERT_TRUE(browser->Open(page1));
  ASSERT_TRUE(WaitUntil([&] { return browser->CurrentUrl() == page1; }, 30000));
  EXPECT_NE(browser->FindWindow(), 0u);
  const pid_t pid = chromium->LaunchedPid();
  ASSERT_GT(pid, 0);
  // Its DevTools endpoint listens on loopback only.
  const int devtoolsPort = platform::DevToolsEndpoint(loop, profile).Port();
  ASSERT_NE(devtoolsPort, 0);
  EXPECT_EQ(ListeningAddresses(devtoolsPort), std::vector<std::string>{"0100007F"});

  // A second opening is a new page of the running browser, and the one shown now.
  const std::uint64_t first = browser->FindWindow();
  ASSERT_TRUE(browser->Open(page2));
  ASSERT_TRUE(WaitUntil([&] { return browser->CurrentUrl() == page2; }, 15000));
  EXPECT_EQ(PageCount(), 2u);
  EXPECT_NE(browser->FindWindow(), first);
  EXPECT_EQ(chromium->LaunchedPid(), pid) << "a second browser was started";

  // The reload asks the server again, past the cache.
  ASSERT_TRUE(WaitUntil([&] { return server.CountRequests("GET /page2.html") == 1; }, 10000));
  const int before = server.CountRequests("GET /page2.html");
  ASSERT_TRUE(browser->Reload());
  EXPECT_TRUE(WaitUntil([&] { return server.CountRequests("GET /page2.html") > before; }, 10000));
  EXPECT_GE(server.CountRequests("GET /page2.html cache-control=no-cache pragma=no-cache"), 1);

  // Closing takes the most recent page first; the last one takes the browser with it.
  // (right after a reload, when a close request can go unheeded unless checked).
  ASSERT_TRUE(browser->CloseWindow());
  EXPECT_EQ(browser->CurrentUrl(), page1);
  ASSERT_TRUE(browser->CloseWindow());
  EXPECT_TRUE(WaitUntil([&] { return ::kill(pid, 0) != 0; }, 10000)) << "the browser still runs";
  EXPECT_EQ(browser->FindWindow(), 0u);
  EXPECT_FALSE(browser->CloseWindow());
  // Asking a browser that is not there is not a network error the user sees.
  EXPECT_FALSE(net::NetworkErrorFlag());
}

TEST_F(ChromiumBrowserTest, AnOpeningWhileTheBrowserStartsJoinsIt) {
  const std::string page1 = server.Url("/page1.html");
  const std::string page2 = server.Url("/page2.html");
  ASSERT_TRUE(browser->Open(page1));
  const pid_t pid = chromium->LaunchedPid();
  // Coming up: counted as a window, so the status tick does not start another browser.
  EXPECT_NE(browser->FindWindow(), 0u);
  ASSERT_TRUE(browser->Open(page2));
  EXPECT_EQ(chromium->LaunchedPid(), pid);
  EXPECT_TRUE(WaitUntil([&] { return PageCount() == 2u; }, 30000));
  EXPECT_TRUE(WaitUntil(
      [&] {
        return server.CountRequests("GET /page1.html") >= 1 &&
               server.CountRequests("GET /page2.html") >= 1;
      },
      15000));
}

TEST_F(ChromiumBrowserTest, ABrowserLeftByAnEarlierRunIsFoundAndClosed) {
  const std::string page1 = server.Url("/page1.html");
  ASSERT_TRUE(browser->Open(page1));
  ASSERT_TRUE(WaitUntil([&] { return browser->CurrentUrl() == page1; }, 30000));
  const pid_t pid = chromium->LaunchedPid();
  // The program restarts: a new object over the same profile finds the running browser.
  platform::ChromiumBrowser later(loop, platform::ChromiumBrowser::FindCommand(), profile);
  EXPECT_NE(later.FindWindow(), 0u);
  EXPECT_EQ(later.CurrentUrl(), page1);
  ASSERT_TRUE(later.CloseWindow());
  EXPECT_TRUE(WaitUntil([&] { return ::kill(pid, 0) != 0; }, 10000)) << "the browser still runs";
  EXPECT_EQ(later.FindWindow(), 0u);
}

}  // namespace
