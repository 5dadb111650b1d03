// End to end with a real headless Chromium: staylined on the simulated line opens the start page
// when the line comes up, follows the browser's address into "LastUrl", tests the web server on
// the client IP, and closes the browser when it ends. Everything it opens or requests is on
// loopback: the line's client IP is 127.0.0.2.

#include <dirent.h>
#include <gtest/gtest.h>
#include <signal.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "integration/daemon_e2e/process_helpers.h"
#include "platform/detached_launch.h"
#include "unit/net/support/http_test_server.h"

namespace {

using testing_support::ProcessesMentioning;

namespace fs = std::filesystem;
using testing_support::BinPath;
using testing_support::Child;
using testing_support::Ctl;
using testing_support::TempHome;
using testing_support::WaitUntil;

constexpr const char* kHeadless =
    "chromium --headless --no-sandbox --disable-gpu --no-first-run "
    "--disable-background-networking --disable-component-update --disable-sync";

class BrowserE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    if (platform::FindInPath("chromium").empty()) GTEST_SKIP() << "chromium is not installed";
    if (!fs::exists("/usr/bin/python3")) GTEST_SKIP() << "no /usr/bin/python3";
    pages = std::make_unique<testing_support::HttpTestServer>();
    ASSERT_NE(pages->Port(), 0) << "the page server did not start";
    testing_support::WriteFile(home / "config/phonebook.ini",
                               "[Office DSL]\n"
                               "UserName=alice\n"
                               "Password=secret\n"
                               "PasswordSaved=1\n"
                               "ConnectMs=300\n"
                               "ClientIPs=127.0.0.2\n"
                               "ServerIP=127.0.0.1\n");
    testing_support::WriteUserHive(home / "config/HKCU.reg",
                                   {{"AReadFirstReg", "1"},
                                    {"AutoConnect", "1"},
                                    {"StaylineConnection", "Office DSL"},
                                    {"Language", "0"},
                                    {"StartIE", "1"},
                                    {"IEStartSite", "1"},
                                    {"IEStartWeb", pages->Url("/page1.html")},
                                    {"IEClose", "1"}});
  }
  void TearDown() override {
    daemon.reset();
    // Whatever the run left behind goes with the test.
    for (pid_t pid : ProcessesMentioning(home.Path())) ::kill(pid, SIGKILL);
  }
  void StartDaemon() {
    daemon = std::make_unique<Child>(
        std::vector<std::string>{BinPath("staylined"), "--home", home.Path(), "--ras", "sim"},
        home / "daemon.out",
        std::vector<std::string>{std::string("STAYLINE_BROWSER=") + kHeadless});
  }
  std::string Setting(const std::string& name) { return Ctl(home.Path(), {"setting", name}).out; }

  TempHome home;
  std::unique_ptr<testing_support::HttpTestServer> pages;
  std::unique_ptr<Child> daemon;
};

TEST_F(BrowserE2E, StartPageWhenOnlineLastUrlFollowsAndTheBrowserClosesAtTheEnd) {
  StartDaemon();
  const std::string start = pages->Url("/page1.html");
  ASSERT_TRUE(pages->WaitForRequest("GET /page1.html", 60000))
      << testing_support::ReadFile(home / "daemon.out");
  ASSERT_TRUE(WaitUntil([&] { return Setting("LastUrl") == start; }, 20000))
      << "LastUrl: " << Setting("LastUrl");
  EXPECT_FALSE(ProcessesMentioning(home / "data/browser").empty()) << "the browser runs";

  // The web-server test asks the client IP; no server listens there, unless one can be started.
  // A click is carried out after its command returns, and the test's request lets the program
  // answer further commands meanwhile: the text is waited for.
  const auto webServerInfo = [&](const std::string& text) {
    WaitUntil([&] { return Ctl(home.Path(), {"get", "WEBServerInfo.Text"}).out == text; }, 10000);
    return Ctl(home.Path(), {"get", "WEBServerInfo.Text"}).out;
  };
  ASSERT_EQ(Ctl(home.Path(), {"click", "TestWebServerButton"}).code, 0);
  EXPECT_EQ(webServerInfo("No WEB-Server activ"), "No WEB-Server activ");
  {
    testing_support::HttpTestServer onClientIp("127.0.0.2", 80);
    if (onClientIp.Port() != 0) {
      ASSERT_EQ(Ctl(home.Path(), {"click", "TestWebServerButton"}).code, 0);
      EXPECT_EQ(webServerInfo("HTTP/1.1 404 File not found"), "HTTP/1.1 404 File not found");
      ASSERT_TRUE(onClientIp.WaitForRequest("GET / ", 5000));  // its log comes through a pipe
      EXPECT_EQ(onClientIp.CountRequests("GET / "), 1);
      EXPECT_EQ(onClientIp.CountRequests("ua=Mozilla/3.0 (compatible; Indy Library)"), 1);
    }
  }

  ASSERT_EQ(Ctl(home.Path(), {"quit"}).code, 0);
  EXPECT_EQ(daemon->Wait(30000), 0);
  EXPECT_TRUE(WaitUntil([&] { return ProcessesMentioning(home / "data/browser").empty(); }, 15000))
      << "the browser is closed at the end";
}

}  // namespace
