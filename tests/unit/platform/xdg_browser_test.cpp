// The fallback without a Chromium-family browser: addresses go to xdg-open (a fake one on PATH
// records what it was given), an address that would be taken for an option is refused, a missing
// opener is a failed Open, and no window is ever found. Also which browser the factory picks and
// the detached start both browsers rely on.
#include "platform/xdg_browser.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "core/poll_loop.h"
#include "platform/chromium_browser.h"
#include "platform/detached_launch.h"
#include "platform/system_browser.h"
#include "unit/platform/support/temp_dir.h"

namespace {

using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

bool WaitForFile(const std::string& path) {
  for (int i = 0; i < 100 && !testing_support::Exists(path); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return testing_support::Exists(path);
}

class XdgBrowserTest : public ::testing::Test {
 protected:
  void SetUp() override {
    savedPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    ::unsetenv("STAYLINE_BROWSER");
    // The opener writes its arguments, one a line, and the opened file last (so it is complete).
    WriteFile(dir / "xdg-open", "#!/bin/sh\nfor a in \"$@\"; do echo \"$a\"; done > '" +
                                    (dir / "args.tmp") + "'\nmv '" + (dir / "args.tmp") + "' '" +
                                    (dir / "args") + "'\n");
    ::chmod((dir / "xdg-open").c_str(), 0755);
    ::setenv("PATH", (dir.Path() + ":/usr/bin:/bin").c_str(), 1);
  }
  void TearDown() override { ::setenv("PATH", savedPath.c_str(), 1); }

  std::string savedPath;
  TempDir dir;
  platform::XdgBrowser browser;
};

TEST_F(XdgBrowserTest, OpensAddressesWithXdgOpenAndFindsNoWindow) {
  ASSERT_TRUE(browser.Open("http://127.0.0.1:8080/a page?x=1&y=$HOME"));
  ASSERT_TRUE(WaitForFile(dir / "args"));
  EXPECT_EQ(ReadFile(dir / "args"), "http://127.0.0.1:8080/a page?x=1&y=$HOME\n");
  EXPECT_EQ(browser.FindWindow(), 0u);
  EXPECT_EQ(browser.CurrentUrl(), "");
  EXPECT_FALSE(browser.CloseWindow());
  EXPECT_FALSE(browser.Reload());
}

TEST_F(XdgBrowserTest, RefusesWhatItCannotOpenSafely) {
  EXPECT_FALSE(browser.Open("--help"));
  EXPECT_FALSE(browser.Open(""));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_FALSE(testing_support::Exists(dir / "args")) << "the opener ran";
  ::setenv("PATH", "/nonexistent", 1);
  EXPECT_FALSE(browser.Open("http://127.0.0.1/"));
}

TEST_F(XdgBrowserTest, TheFactoryPicksChromiumOnlyWhenThereIsOne) {
  core::PollLoop loop;
  ::setenv("PATH", dir.Path().c_str(), 1);  // the fake opener, no browser
  EXPECT_NE(
      dynamic_cast<platform::XdgBrowser*>(platform::MakeSystemBrowser(loop, dir / "browser").get()),
      nullptr);
  ::setenv("STAYLINE_BROWSER", "/opt/some/chrome --headless", 1);
  EXPECT_NE(dynamic_cast<platform::ChromiumBrowser*>(
                platform::MakeSystemBrowser(loop, dir / "browser").get()),
            nullptr);
  ::unsetenv("STAYLINE_BROWSER");
}

TEST(DetachedLaunchTest, StartsInItsOwnGroupAndReportsExecFailures) {
  TempDir dir;
  platform::LaunchedProcess p;
  std::string error;
  ASSERT_TRUE(platform::StartDetached({"/bin/sh", "-c", "sleep 30"}, &p, &error)) << error;
  ASSERT_GT(p.pid, 0);
  EXPECT_EQ(::getpgid(p.pid), p.pid) << "its own process group";
  EXPECT_NE(::getsid(p.pid), ::getsid(0)) << "its own session";
  EXPECT_NE(::getppid(), p.pid);
  ::kill(-p.pid, SIGKILL);
  // It is not our child (no zombie of ours); its pidfd tells when it has gone.
  ASSERT_TRUE(p.pidfd.Valid());
  pollfd pfd{p.pidfd.Get(), POLLIN, 0};
  EXPECT_EQ(::poll(&pfd, 1, 5000), 1);

  EXPECT_FALSE(platform::StartDetached({"no-such-program-here"}, &p, &error));
  EXPECT_NE(error.find("not found"), std::string::npos) << error;
  WriteFile(dir / "bad", "#!/nonexistent/interpreter\n");
  ::chmod((dir / "bad").c_str(), 0755);
  EXPECT_FALSE(platform::StartDetached({dir / "bad"}, &p, &error));
  EXPECT_NE(error.find("No such file"), std::string::npos) << error;
}

}  // namespace
