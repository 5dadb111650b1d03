// The control socket's framing: one request and one reply per line, in order, escapes, and a
// client that never finishes its line cannot grow the server's memory without end.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <future>
#include <thread>

#include "core/poll_loop.h"
#include "platform/control_server.h"

namespace {

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

TEST(ControlServer, NoInstanceMeansNoReply) {
  EXPECT_FALSE(platform::ControlRequest("/nonexistent/stayline/control.sock", "get x"));
}

}  // namespace
