// The command on every new client IP: its environment, its report (exit status and first line),
// the kill after its limit (the whole process group), one run at a time with the newest address,
// the caller never waiting, and the window running it on the tick that publishes an address.

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "app/new_ip_command.h"
#include "core/poll_loop.h"
#include "core/sim_loop.h"
#include "core/text.h"
#include "unit/app/support/stayline_fixture.h"

namespace {

using app::NewIpAddresses;
using app::NewIpCommand;

const NewIpAddresses kFirst{"10.64.0.10", "10.64.0.1", "Office DSL"};

struct Runner {
  explicit Runner(core::EventLoop& l) : loop(l) {}
  core::EventLoop& loop;
  std::vector<std::string> reports;
  NewIpCommand command{loop, [this](const std::string& t) { reports.push_back(t); }};
  bool WaitFor(std::size_t n, std::int64_t ms = 10'000) {
    return loop.RunUntil([&] { return reports.size() >= n; }, ms);
  }
};

TEST(NewIpCommand, SeesTheAddressesInItsEnvironmentAndReportsExitAndFirstLine) {
  core::PollLoop loop;
  Runner r(loop);
  struct Case {
    const char* command;
    const char* report;
  };
  const Case cases[] = {
      {"printf '%s|%s|%s\\n' \"$STAYLINE_CLIENT_IP\" \"$STAYLINE_SERVER_IP\" \"$STAYLINE_ENTRY\"",
       "exit 0: 10.64.0.10|10.64.0.1|Office DSL"},
      // the addresses are in the environment only, never arguments of the shell
      {"echo \"args:$#\"", "exit 0: args:0"},
      {"echo one; echo two; exit 3", "exit 3: one"},
      {"echo oops >&2; exit 1", "exit 1: oops"},
      {"exit 0", "exit 0"},
      {"printf 'a\\tb\\033c'", "exit 0: a b c"},
      {"kill -TERM $$", "signal 15"},
      {"no-such-command-here 2>/dev/null", "exit 127"},
  };
  int n = 0;
  for (const Case& c : cases) {
    NewIpAddresses a = kFirst;
    if (n > 0) a.client = "10.64.1." + std::to_string(n);  // each case a new address
    r.command.Publish(c.command, a);
    ++n;
    ASSERT_TRUE(r.WaitFor(static_cast<std::size_t>(n))) << c.command;
    EXPECT_EQ(r.reports.back(), c.report) << c.command;
  }
}

TEST(NewIpCommand, RunsOncePerAddressAndNothingWithoutACommand) {
  core::PollLoop loop;
  Runner r(loop);
  r.command.Publish("", kFirst);
  EXPECT_FALSE(r.command.Running());
  r.command.Publish("echo $STAYLINE_CLIENT_IP", kFirst);
  ASSERT_TRUE(r.WaitFor(1));
  r.command.Publish("echo $STAYLINE_CLIENT_IP", kFirst);
  loop.RunFor(300);
  EXPECT_EQ(r.reports.size(), 1u);
  EXPECT_FALSE(r.command.Running());
}

TEST(NewIpCommand, TheCallerNeverWaitsForTheCommand) {
  core::PollLoop loop;
  Runner r(loop);
  const auto start = std::chrono::steady_clock::now();
  r.command.Publish("sleep 5", kFirst);
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_LT(took, std::chrono::milliseconds(500));
  EXPECT_TRUE(r.command.Running());
  EXPECT_TRUE(r.reports.empty());
  // the destructor ends it: no orphan outlives the test
}

TEST(NewIpCommand, AHangingCommandIsKilledWithItsProcessGroupAfterTheLimit) {
  core::SimLoop loop;
  Runner r(loop);
  // a background child in the same group, and the shell waiting for it
  r.command.Publish("sleep 300 & echo $!; wait", kFirst);
  ASSERT_TRUE(r.WaitFor(1, 2 * NewIpCommand::kLimitMs));
  ASSERT_EQ(r.reports[0].rfind("killed after 60 s: ", 0), 0u) << r.reports[0];
  long long pid = 0;
  ASSERT_TRUE(core::TryParseInt(r.reports[0].substr(19), pid)) << r.reports[0];
  // the background child went with the group (ended: gone, or a zombie nobody has reaped yet)
  const auto ended = [&] {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text;
    if (!std::getline(stat, text)) return true;
    const std::size_t close = text.rfind(')');
    return close != std::string::npos && close + 2 < text.size() &&
           (text[close + 2] == 'Z' || text[close + 2] == 'X');
  };
  bool gone = false;
  for (int i = 0; i < 100 && !gone; ++i) {
    gone = ended();
    if (!gone) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_TRUE(gone);
}

TEST(NewIpCommand, AddressesArrivingDuringARunGiveOneMoreRunWithTheNewest) {
  core::PollLoop loop;
  Runner r(loop);
  const std::string cmd = "sleep 0.3; echo $STAYLINE_CLIENT_IP";
  r.command.Publish(cmd, kFirst);
  for (const char* ip : {"10.64.0.11", "10.64.0.12", "10.64.0.13"}) {
    r.command.Publish(cmd, {ip, "10.64.0.1", "Office DSL"});
  }
  ASSERT_TRUE(r.WaitFor(2));
  loop.RunFor(800);
  ASSERT_EQ(r.reports.size(), 2u);
  EXPECT_EQ(r.reports[0], "exit 0: 10.64.0.10");
  EXPECT_EQ(r.reports[1], "exit 0: 10.64.0.13");
}

class NewIpCommandWindowTest : public app_test::StaylineTest {};

TEST_F(NewIpCommandWindowTest, TheWindowRunsItOnTheTickThatPublishesANewAddress) {
  StartAutoDial({{"NewIPCommand", "echo \"$STAYLINE_ENTRY got $STAYLINE_CLIENT_IP\""}});
  const auto lines = [&] {
    std::vector<std::string> out;
    for (const auto& l : TimeLogLines()) {
      if (l.rfind(NewIpCommand::kLogLabel, 0) == 0) out.push_back(l);
    }
    return out;
  };
  ASSERT_TRUE(RunUntilOnline("10.64.0.10"));
  ASSERT_TRUE(RunUntil([&] { return !lines().empty(); }, 10'000));
  EXPECT_NE(lines()[0].find("| exit 0: Office DSL got 10.64.0.10 |"), std::string::npos)
      << lines()[0];
  RunFor(30'000);
  EXPECT_EQ(lines().size(), 1u) << "the same address runs it once";
}

}  // namespace
