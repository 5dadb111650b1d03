// The control socket's framing: one request and one reply per line, in order, escapes, and a
// client that never finishes its line cannot grow the server's memory without end.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <thread>

#include "core/poll_loop.h"
#include "core/unique_fd.h"
#include "platform/control_server.h"

namespace {

// A temporary home with a control socket served on a real-time loop.
class Served : public ::testing::Test {
 protected:
  void SetUp() override {
    home = std::filesystem::temp_directory_path() /
           ("ctl-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(home + "/run");
    server = std::make_unique<platform::ControlServer>(
        loop, home + "/run/control.sock", [this](const std::string& r) {
          seen.push_back(r.size() > 20 ? r.substr(0, 20) + "..." : r);
          if (r.rfind("fail", 0) == 0) return platform::ControlReply{false, "refused"};
          if (r.rfind("big", 0) == 0) return platform::ControlReply{true, std::string(1024, 'r')};
          return platform::ControlReply{true, std::to_string(r.size())};
        });
    server->Start();
  }
  void TearDown() override {
    server.reset();
    std::filesystem::remove_all(home);
  }
  core::UniqueFd Connect() {
    core::UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, server->Path().c_str(), sizeof addr.sun_path - 1);
    EXPECT_EQ(::connect(fd.Get(), reinterpret_cast<const sockaddr*>(&addr), sizeof addr), 0);
    return fd;
  }
  // Runs `work` on another thread while the loop serves; its result.
  template <typename F>
  auto Meanwhile(F work) {
    std::atomic<bool> finished{false};
    auto done = std::async(std::launch::async, [&] {
      auto result = work();
      finished = true;
      loop.PostFromAnyThread([] {});  // wakes the loop to look
      return result;
    });
    loop.RunUntil([&] { return finished.load(); }, 20'000);
    return done.get();
  }
  // Reads until `lines` line ends have come (or the peer closes); what came.
  static std::string ReadLines(int fd, int lines) {
    std::string in;
    char buf[4096];
    while (std::count(in.begin(), in.end(), '\n') < lines) {
      const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
      if (n <= 0) break;
      in.append(buf, static_cast<std::size_t>(n));
    }
    return in;
  }
  // Sends `size` bytes of `fill`, in pieces.
  static bool SendFill(int fd, std::size_t size, char fill) {
    const std::string piece(64 * 1024, fill);
    while (size > 0) {
      const std::size_t n = std::min(size, piece.size());
      if (::send(fd, piece.data(), n, MSG_NOSIGNAL) != static_cast<ssize_t>(n)) return false;
      size -= n;
    }
    return true;
  }
  static long PeakKiB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
      if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
    }
    return -1;
  }

  std::string home;
  core::PollLoop loop;
  std::unique_ptr<platform::ControlServer> server;
  std::vector<std::string> seen;
};

const std::string kTooLong = "ERR request longer than 65536 bytes\n";

TEST_F(Served, ALineOverTheLimitIsRefusedAndTheNextOneServed) {
  struct Case {
    std::size_t size;
    std::string reply;
  };
  for (const Case& c : {Case{65536, "OK 65536\n"}, Case{65537, kTooLong}, Case{70'000, kTooLong},
                        Case{221'480, kTooLong}, Case{3'000'000, kTooLong}}) {
    SCOPED_TRACE(c.size);
    const core::UniqueFd fd = Connect();
    const std::string replies = Meanwhile([&] {
      if (!SendFill(fd.Get(), c.size, 'g') || !SendFill(fd.Get(), 1, '\n')) return std::string();
      const std::string next = "next\r\n";
      ::send(fd.Get(), next.data(), next.size(), MSG_NOSIGNAL);
      return ReadLines(fd.Get(), 2);
    });
    EXPECT_EQ(replies, c.reply + "OK 4\n") << "short, and the connection goes on";
  }
  EXPECT_EQ(seen, (std::vector<std::string>{std::string(20, 'g') + "...", "next", "next", "next",
                                            "next", "next"}));
}

TEST_F(Served, AnEndlessLineIsAnsweredAtOnceAndCostsNoMemory) {
  const core::UniqueFd fd = Connect();
  const long before = PeakKiB();
  const std::string first = Meanwhile([&] {
    SendFill(fd.Get(), 70'000, 'x');
    return ReadLines(fd.Get(), 1);  // while the line has not ended
  });
  EXPECT_EQ(first, kTooLong);
  const std::string after = Meanwhile([&] {
    SendFill(fd.Get(), 64u << 20, 'x');  // 64 MiB more of the same line
    const std::string end = "\nfail now\n";
    ::send(fd.Get(), end.data(), end.size(), MSG_NOSIGNAL);
    return ReadLines(fd.Get(), 1);
  });
  EXPECT_EQ(after, "ERR refused\n");
  EXPECT_LT(PeakKiB() - before, 16 * 1024) << "the server kept at most a request's worth";
  EXPECT_EQ(seen, std::vector<std::string>{"fail now"});
}

TEST_F(Served, AClientThatDoesNotReadItsRepliesIsNotReadFromEither) {
  const core::UniqueFd fd = Connect();
  const int flags = ::fcntl(fd.Get(), F_GETFL);
  ::fcntl(fd.Get(), F_SETFL, flags | O_NONBLOCK);
  // 20 000 requests of 1 KiB replies each would be 20 MiB of replies waiting for the client.
  constexpr int kRequests = 20'000;
  const std::string requests = [] {
    std::string all;
    for (int i = 0; i < kRequests; ++i) all += "big" + std::string(196, ' ') + "\n";
    return all;
  }();
  std::size_t sent = 0;
  for (int round = 0; round < 20 && sent < requests.size(); ++round) {
    const ssize_t n =
        ::send(fd.Get(), requests.data() + sent, requests.size() - sent, MSG_NOSIGNAL);
    if (n > 0) sent += static_cast<std::size_t>(n);
    loop.RunFor(5);
  }
  EXPECT_LT(sent, requests.size()) << "the server stopped reading";
  EXPECT_LT(seen.size(), 2000u) << "and answering";
  EXPECT_GT(seen.size(), 0u);
  // Once the client reads, everything is answered.
  ::fcntl(fd.Get(), F_SETFL, flags);
  const std::size_t total = Meanwhile([&] {
    std::size_t lines = 0;
    std::size_t off = sent;
    char buf[65536];
    while (lines < kRequests) {
      if (off < requests.size()) {
        const int nb = ::fcntl(fd.Get(), F_GETFL);
        ::fcntl(fd.Get(), F_SETFL, nb | O_NONBLOCK);
        const ssize_t s =
            ::send(fd.Get(), requests.data() + off, requests.size() - off, MSG_NOSIGNAL);
        if (s > 0) off += static_cast<std::size_t>(s);
        ::fcntl(fd.Get(), F_SETFL, nb);
      }
      const ssize_t n = ::recv(fd.Get(), buf, sizeof buf, 0);
      if (n <= 0) break;
      lines += static_cast<std::size_t>(std::count(buf, buf + n, '\n'));
    }
    return lines;
  });
  EXPECT_EQ(total, static_cast<std::size_t>(kRequests));
}

TEST(ControlServer, EscapesRoundTrip) {
  for (const std::string s : {"", "plain", "a\nb", "back\\slash\\n", "\r\n\\", "trailing\\"}) {
    EXPECT_EQ(platform::ControlServer::Unescape(platform::ControlServer::Escape(s)), s);
    EXPECT_EQ(platform::ControlServer::Escape(s).find('\n'), std::string::npos);
  }
}

TEST(ControlServer, AnswersEachRequestInOrder) {
  const std::string dir =
      std::filesystem::temp_directory_path() / ("ctl-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const std::string path = dir + "/control.sock";
  core::PollLoop loop;
  std::vector<std::string> seen;
  platform::ControlServer server(loop, path, [&](const std::string& r) {
    seen.push_back(r);
    if (r == "fail") return platform::ControlReply{false, "no"};
    return platform::ControlReply{true, "got " + r + "\nline"};
  });
  server.Start();
  EXPECT_EQ(std::filesystem::status(path).permissions() & std::filesystem::perms::all,
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);

  auto client = std::async(std::launch::async, [&] {
    std::vector<std::optional<platform::ControlReply>> replies;
    replies.push_back(platform::ControlRequest(path, "one"));
    replies.push_back(platform::ControlRequest(path, "fail"));
    // a line break inside a request stays inside it
    replies.push_back(platform::ControlRequest(path, "set EmailText.Text a\nquit"));
    return replies;
  });
  loop.RunUntil(
      [&] { return client.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }, 5000);
  auto replies = client.get();
  ASSERT_TRUE(replies[0] && replies[1] && replies[2]);
  EXPECT_TRUE(replies[0]->Ok);
  EXPECT_EQ(replies[0]->Value, "got one\nline");
  EXPECT_FALSE(replies[1]->Ok);
  EXPECT_EQ(replies[1]->Value, "no");
  EXPECT_EQ(seen, (std::vector<std::string>{"one", "fail", "set EmailText.Text a\\nquit"}));
  std::filesystem::remove_all(dir);
}

// stayline-ctl's exit codes: 0 OK, 1 ERR, 2 no instance, 64 a wrong command line.
TEST_F(Served, StaylineCtlTellsItsOutcomesApartByExitCode) {
  const std::string ctl = STAYLINE_BIN_DIR "/stayline-ctl";
  if (::access(ctl.c_str(), X_OK) != 0) GTEST_SKIP() << "stayline-ctl is not built";
  struct Case {
    std::vector<std::string> args;
    int code;
  };
  for (const Case& c : {
           Case{{}, 64},
           Case{{"--home"}, 64},
           Case{{"--home", home}, 64},
           Case{{"--frobnicate", "get", "x"}, 64},
           Case{{"--help"}, 0},
           Case{{"--home", home, "get", "x"}, 0},
           Case{{"--home", home, "set", "E.Text", "--home"}, 0},
           Case{{"--home", home, "fail", "x"}, 1},
           Case{{"--home", home + "/elsewhere", "get", "x"}, 2},
       }) {
    std::string shown;
    for (const auto& a : c.args) shown += " " + a;
    SCOPED_TRACE("stayline-ctl" + shown);
    const int status = Meanwhile([&] {
      const pid_t pid = ::fork();
      if (pid == 0) {
        const int devNull = ::open("/dev/null", O_RDWR);
        ::dup2(devNull, 1);
        ::dup2(devNull, 2);
        std::vector<char*> argv{const_cast<char*>(ctl.c_str())};
        for (const auto& a : c.args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
      }
      int st = -1;
      ::waitpid(pid, &st, 0);
      return st;
    });
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), c.code);
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"get x", "set E.Text --home", "fail x"}));
}

TEST(ControlServer, NoInstanceMeansNoReply) {
  EXPECT_FALSE(platform::ControlRequest("/nonexistent/stayline/control.sock", "get x"));
}

}  // namespace

namespace {

// With every descriptor in use, a waiting connection is taken and closed at once (the client
// sees its end) instead of keeping the listening socket readable and the loop spinning on it;
// once descriptors are free again, clients are served as before.
TEST_F(Served, OutOfDescriptorsAConnectionIsShedAndTheLoopDoesNotSpin) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the sanitizers' runtime needs descriptors of its own to check calls";
#endif
  core::UniqueFd shed = Connect();
  rlimit old{};
  ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &old), 0);
  std::vector<core::UniqueFd> fillers;
  {
    int highest = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
      highest = std::max(highest, std::stoi(entry.path().filename().string()));
    }
    rlimit low = old;
    low.rlim_cur = static_cast<rlim_t>(highest + 1);
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &low), 0);
    while (true) {  // fill the holes below the limit
      core::UniqueFd fd(::open("/dev/null", O_RDONLY | O_CLOEXEC));
      if (!fd) break;
      fillers.push_back(std::move(fd));
    }
  }
  int passes = 0;
  while (loop.ProcessMessages() && passes < 1000) ++passes;
  ::setrlimit(RLIMIT_NOFILE, &old);
  EXPECT_LT(passes, 1000) << "the loop kept finding the listening socket ready";
  char c;
  EXPECT_EQ(::recv(shed.Get(), &c, 1, MSG_DONTWAIT), 0) << "the shed client sees its end";

  fillers.clear();
  core::UniqueFd client = Connect();
  const std::string reply = Meanwhile([&] {
    ::send(client.Get(), "abc\n", 4, MSG_NOSIGNAL);
    return ReadLines(client.Get(), 1);
  });
  EXPECT_EQ(reply, "OK 3\n");
}

}  // namespace
