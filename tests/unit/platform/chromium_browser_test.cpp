// The browser control's own rules, without a browser: the command it starts (flags, profile, the
// address never taken for a switch), the STAYLINE_BROWSER command line, the DevTools answers it
// reads, and its behaviour against a scripted DevTools endpoint on loopback: only page targets
// count, the most recent one is used, closing and opening go to the right requests, and a
// browser that does not answer is "no window" at once without touching the network error record.
#include "platform/chromium_browser.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <thread>

#include "core/poll_loop.h"
#include "net/network_error.h"
#include "platform/devtools_endpoint.h"
#include "unit/net/support/loopback_peer.h"
#include "unit/platform/support/temp_dir.h"

namespace {

using testing_support::LoopbackPeer;

// Whether `pid` has ended: gone, or a zombie its adopter has not reaped yet.
bool Ended(pid_t pid) {
  const std::string stat = testing_support::ReadFile("/proc/" + std::to_string(pid) + "/stat");
  const std::size_t paren = stat.rfind(')');
  return paren == std::string::npos || stat.compare(paren + 2, 1, "Z") == 0;
}

TEST(ChromiumBrowserCommandTest, SplitsCommandLinesLikeAShell) {
  struct Case {
    const char* line;
    std::vector<std::string> words;
  } cases[] = {
      {"chromium", {"chromium"}},
      {"  chromium   --headless\t--no-sandbox ", {"chromium", "--headless", "--no-sandbox"}},
      {"'/opt/my browser/chrome' --flag", {"/opt/my browser/chrome", "--flag"}},
      {"\"/opt/a b/c\" --x=\"1 2\"", {"/opt/a b/c", "--x=1 2"}},
      {"/opt/a\\ b/c ''", {"/opt/a b/c", ""}},
      {"'it''s'", {"its"}},
      {"", {}},
      {"   ", {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(platform::ChromiumBrowser::SplitCommandLine(c.line), c.words) << c.line;
  }
}

TEST(ChromiumBrowserCommandTest, StartsWithItsOwnProfileAndNeverTakesTheAddressForASwitch) {
  core::PollLoop loop;
  platform::ChromiumBrowser browser(loop, {"chromium", "--headless"}, "/data/browser");
  EXPECT_EQ(browser.StartCommand("--renderer-cmd-prefix=/bin/evil"),
            (std::vector<std::string>{"chromium", "--headless", "--user-data-dir=/data/browser",
                                      "--remote-debugging-port=0", "--no-first-run",
                                      "--no-default-browser-check", "--",
                                      "--renderer-cmd-prefix=/bin/evil"}));
}

TEST(ChromiumBrowserCommandTest, TheEnvironmentNamesTheBrowser) {
  ::setenv("STAYLINE_BROWSER", "/opt/x/chrome --headless", 1);
  EXPECT_EQ(platform::ChromiumBrowser::FindCommand(),
            (std::vector<std::string>{"/opt/x/chrome", "--headless"}));
  ::setenv("STAYLINE_BROWSER", "  ", 1);  // blank: as if unset
  const std::string savedPath = std::getenv("PATH") ? std::getenv("PATH") : "";
  ::setenv("PATH", "/nonexistent", 1);
  EXPECT_TRUE(platform::ChromiumBrowser::FindCommand().empty());
  ::setenv("PATH", savedPath.c_str(), 1);
  ::unsetenv("STAYLINE_BROWSER");
}

TEST(DevToolsAnswersTest, ReadsTargetsPortsAndEscapesAddresses) {
  std::vector<platform::DevToolsTarget> targets;
  ASSERT_TRUE(platform::ParseDevToolsTargets(
      R"([{"id":"W","type":"service_worker","url":"chrome://sw"},)"
      R"({"id":"P","type":"page","url":"http://127.0.0.1/a","webSocketDebuggerUrl":"ws://127.0.0.1:9/devtools/page/P"},)"
      R"(7,{"type":"iframe"}])",
      targets));
  ASSERT_EQ(targets.size(), 3u);
  EXPECT_EQ(targets[1].id, "P");
  EXPECT_EQ(targets[1].webSocketUrl, "ws://127.0.0.1:9/devtools/page/P");
  EXPECT_FALSE(platform::ParseDevToolsTargets(R"({"not":"a list"})", targets));
  EXPECT_FALSE(platform::ParseDevToolsTargets("<html>", targets));

  struct PortCase {
    const char* text;
    int port;
  } ports[] = {{"9222\n/devtools/browser/x\n", 9222},
               {"40001", 40001},
               {"", 0},
               {"0\n", 0},
               {"65536\n", 0},
               {"12ab\n", 0},
               {"-1\n", 0},
               {" 80\n", 0}};
  for (const PortCase& c : ports) EXPECT_EQ(platform::ParseDevToolsActivePort(c.text), c.port);

  EXPECT_EQ(platform::EscapeQueryValue("http://127.0.0.1:8/a b?x=1&y=ä#f"),
            "http%3A%2F%2F127.0.0.1%3A8%2Fa%20b%3Fx%3D1%26y%3D%C3%A4%23f");
}

// A scripted DevTools endpoint: answers each connection's one request by its request line.
class FakeEndpoint {
 public:
  FakeEndpoint() {
    sockaddr_in sin{};
    sin.sin_family = AF_INET;
    sin.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(listen_.Get(), reinterpret_cast<sockaddr*>(&sin), sizeof sin);
    ::listen(listen_.Get(), 8);
    socklen_t len = sizeof sin;
    ::getsockname(listen_.Get(), reinterpret_cast<sockaddr*>(&sin), &len);
    port_ = ntohs(sin.sin_port);
    thread_ = std::thread([this] { Serve(); });
  }
  ~FakeEndpoint() {
    ::shutdown(listen_.Get(), SHUT_RDWR);
    thread_.join();
  }
  int Port() const { return port_; }
  void Answer(const std::string& requestLine, const std::string& body) {
    std::lock_guard<std::mutex> lock(mutex_);
    answers_[requestLine] = body;
  }
  std::vector<std::string> Requests() {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
  }

 private:
  void Serve() {
    for (;;) {
      core::UniqueFd c(::accept(listen_.Get(), nullptr, nullptr));
      if (!c) return;
      const std::string request = LoopbackPeer::ReadUntil(c.Get(), "\r\n\r\n");
      const std::string line = request.substr(0, request.find(" HTTP/1.1"));
      std::string body;
      bool found = false;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        requests_.push_back(line);
        const auto it = answers_.find(line);
        found = it != answers_.end();
        if (found) body = it->second;
      }
      LoopbackPeer::Send(c.Get(), found ? "HTTP/1.1 200 OK\r\nContent-Length: " +
                                              std::to_string(body.size()) + "\r\n\r\n" + body
                                        : "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n");
    }
  }

  core::UniqueFd listen_{::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)};
  int port_ = 0;
  std::thread thread_;
  std::mutex mutex_;
  std::map<std::string, std::string> answers_;
  std::vector<std::string> requests_;
};

class ChromiumBrowserEndpointTest : public ::testing::Test {
 protected:
  void SetUp() override { net::ClearNetworkError(); }
  void TearDown() override { net::ClearNetworkError(); }
  void Announce(int port) {
    testing_support::WriteFile(dir / "DevToolsActivePort",
                               std::to_string(port) + "\n/devtools/browser/b\n");
  }
  core::PollLoop loop;
  testing_support::TempDir dir;
  platform::ChromiumBrowser browser{loop, {"/nonexistent/chromium"}, dir.Path()};
};

TEST_F(ChromiumBrowserEndpointTest, OnlyPagesCountAndTheMostRecentIsUsed) {
  FakeEndpoint endpoint;
  Announce(endpoint.Port());
  endpoint.Answer("GET /json/list",
                  R"([{"id":"SW","type":"service_worker","url":"http://127.0.0.1/sw.js"},)"
                  R"({"id":"NEW","type":"page","url":"http://127.0.0.1/new"},)"
                  R"({"id":"OLD","type":"page","url":"http://127.0.0.1/old"}])");
  const std::uint64_t handle = browser.FindWindow();
  EXPECT_NE(handle, 0u);
  EXPECT_EQ(browser.FindWindow(), handle) << "the same page keeps its handle";
  EXPECT_EQ(browser.CurrentUrl(), "http://127.0.0.1/new");

  // Open goes to the running browser, the address escaped; closing takes the most recent page
  // (and is checked: the fake keeps listing it, so the close is asked for again, then fails).
  endpoint.Answer("PUT /json/new?http%3A%2F%2F127.0.0.1%2Fx%3Fa%3D1", "{}");
  EXPECT_TRUE(browser.Open("http://127.0.0.1/x?a=1"));
  endpoint.Answer("GET /json/close/NEW", "Target is closing");
  EXPECT_FALSE(browser.CloseWindow());
  int closes = 0;
  for (const std::string& r : endpoint.Requests()) closes += r == "GET /json/close/NEW";
  EXPECT_EQ(closes, platform::ChromiumBrowser::kCloseAttempts);

  // Only other kinds of targets: no window.
  endpoint.Answer("GET /json/list", R"([{"id":"SW","type":"service_worker","url":"x"}])");
  EXPECT_EQ(browser.FindWindow(), 0u);
  EXPECT_EQ(browser.CurrentUrl(), "");
  EXPECT_FALSE(browser.CloseWindow());
  EXPECT_FALSE(browser.Reload());
  EXPECT_FALSE(net::NetworkErrorFlag());
}

TEST_F(ChromiumBrowserEndpointTest, ABrowserThatDoesNotAnswerIsNoWindowAtOnce) {
  int deadPort = 0;
  {
    LoopbackPeer peer([](int) {});
    deadPort = peer.Port();
  }
  struct Case {
    const char* what;
    std::string portFile;  // "" = no file
  } cases[] = {
      {"never started", ""},
      {"crashed: its port refuses", std::to_string(deadPort) + "\n/devtools/browser/b\n"},
      {"garbled port file", "not a port\n"},
  };
  for (const Case& c : cases) {
    if (!c.portFile.empty()) testing_support::WriteFile(dir / "DevToolsActivePort", c.portFile);
    for (const bool errorBefore : {false, true}) {
      net::ClearNetworkError();
      if (errorBefore) net::RecordNetworkError(EHOSTUNREACH);
      const auto start = std::chrono::steady_clock::now();
      EXPECT_EQ(browser.FindWindow(), 0u) << c.what;
      EXPECT_EQ(browser.CurrentUrl(), "") << c.what;
      EXPECT_FALSE(browser.CloseWindow()) << c.what;
      EXPECT_FALSE(browser.Reload()) << c.what;
      EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500)) << c.what;
      // The record is as it was: polling a browser is no network error of the user's.
      EXPECT_EQ(net::NetworkErrorFlag(), errorBefore) << c.what;
      EXPECT_EQ(net::NetworkErrorText(),
                errorBefore ? "Socket Refresh: " + std::to_string(EHOSTUNREACH) : "")
          << c.what;
    }
  }
  // Nothing answers and the program cannot be started: Open says so.
  EXPECT_FALSE(browser.Open("http://127.0.0.1/"));
  EXPECT_EQ(browser.LaunchedPid(), 0);
}

TEST_F(ChromiumBrowserEndpointTest, ABrowserThatCannotRunIsNotStartedEveryTick) {
  // A "browser" that ends at once without an endpoint, as one without a display does.
  platform::ChromiumBrowser broken(loop, {"/bin/sh", "-c", "exit 1", "sh"}, dir / "profile");
  ASSERT_TRUE(broken.Open("http://127.0.0.1/"));
  const pid_t pid = broken.LaunchedPid();
  ASSERT_GT(pid, 0);
  for (int i = 0; i < 100 && !Ended(pid); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_EQ(broken.FindWindow(), 0u) << "an ended start is no window";
  EXPECT_FALSE(broken.Open("http://127.0.0.1/")) << "a failed start is reported, not repeated";
  EXPECT_EQ(broken.LaunchedPid(), pid);
}

}  // namespace
