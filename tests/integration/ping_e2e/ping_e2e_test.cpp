// Pinging as a user does it: staylined on the simulated line (no phonebook entries, so no dial
// comes first), "Start 1 Ping" clicked through the control socket, the reply list read back. The
// host that resolves to nothing is tried by a daemon inside a network namespace of its own, so
// its name lookup cannot leave the machine.

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <memory>
#include <regex>
#include <string>

#include "integration/daemon_e2e/process_helpers.h"

namespace {

using namespace testing_support;

const char* const kMachineHive =
    "Windows Registry Editor Version 5.00\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\_StaylineConnections]\r\n"
    "\"Language\"=\"0\"\r\n";

class PingDaemon : public ::testing::Test {
 protected:
  // Starts staylined; `wrapper` is put in front of it (e.g. a namespace of its own).
  void Launch(const std::vector<std::string>& wrapper = {}) {
    WriteFile(home_ / "config/HKLM.reg", kMachineHive);
    std::vector<std::string> argv = wrapper;
    const std::string daemon =
        "'" + BinPath("staylined") + "' --home '" + home_.Path() + "' --ras sim";
    if (wrapper.empty()) {
      argv = {BinPath("staylined"), "--home", home_.Path(), "--ras", "sim"};
    } else {
      argv.push_back("ip link set lo up && exec " + daemon);
    }
    daemon_ = std::make_unique<Child>(argv, home_ / "out.txt");
    ASSERT_TRUE(WaitUntil([&] { return Get("TStayline.Caption").code == 0; }, 10000))
        << ReadFile(home_ / "out.txt");
  }
  void TearDown() override {
    if (!daemon_) return;
    daemon_->Signal(SIGTERM);
    EXPECT_NE(daemon_->Wait(10000), -1);
  }
  CtlResult Get(const std::string& what) { return Ctl(home_.Path(), {"get", what}); }
  // Clicks "Start 1 Ping" and waits for the list to grow to `lines` lines.
  bool PingOnce(int lines) {
    if (Ctl(home_.Path(), {"click", "btnPing"}).code != 0) return false;
    return WaitUntil([&] { return Get("lstReplies.Items.Count").out == std::to_string(lines); },
                     5000);
  }

  TempHome home_;
  std::unique_ptr<Child> daemon_;
};

const std::regex kReplyLine(
    R"(\d+ bytes from 127\.0\.0\.1: icmp_seq=(\d+) ttl=\d+ time(<1|=\d+) ms)");

TEST_F(PingDaemon, StartOnePingOnLocalHostListsTheReply) {
  if (::geteuid() != 0) {
    GTEST_SKIP() << "this machine lets only root open an ICMP socket without a group grant";
  }
  Launch();
  EXPECT_EQ(Get("edtHost.Text").out, "LocalHost");
  ASSERT_TRUE(PingOnce(1)) << ReadFile(home_ / "out.txt");
  std::smatch m;
  const std::string first = Get("lstReplies.Items[0]").out;
  ASSERT_TRUE(std::regex_match(first, m, kReplyLine)) << first;
  EXPECT_EQ(m[1], "0");
  ASSERT_TRUE(PingOnce(2));
  const std::string newest = Get("lstReplies.Items[0]").out;
  ASSERT_TRUE(std::regex_match(newest, m, kReplyLine)) << newest;
  EXPECT_EQ(m[1], "1");  // newest first
  EXPECT_EQ(Get("lstReplies.Items[1]").out, first);
  EXPECT_EQ(Get("btnPing.Enabled").out, "True");
  EXPECT_EQ(Ctl(home_.Path(), {"setting", "PingHost"}).out, "LocalHost");
  // the headless program prints each new line
  EXPECT_NE(ReadFile(home_ / "out.txt").find(first), std::string::npos);
}

TEST_F(PingDaemon, AHostThatResolvesToNothingGetsTheNoAnswerLine) {
  if (::access("/usr/bin/unshare", X_OK) != 0 || ::access("/usr/sbin/ip", X_OK) != 0 ||
      std::system("/usr/bin/unshare -n true 2>/dev/null") != 0) {
    GTEST_SKIP() << "no network namespace can be made here (unshare -n needs CAP_SYS_ADMIN)";
  }
  Launch({"/usr/bin/unshare", "-n", "/bin/sh", "-c"});
  ASSERT_EQ(Ctl(home_.Path(), {"set", "edtHost.Text", "no-such-host.invalid"}).code, 0);
  ASSERT_TRUE(WaitUntil([&] { return Get("edtHost.Text").out == "no-such-host.invalid"; }, 2000));
  ASSERT_TRUE(PingOnce(1)) << ReadFile(home_ / "out.txt");
  EXPECT_EQ(Get("lstReplies.Items[0]").out, "Error : no-such-host.invalid ,no answer!");
  EXPECT_EQ(Get("btnPing.Enabled").out, "True");
  // the loopback of the namespace still answers
  ASSERT_EQ(Ctl(home_.Path(), {"set", "edtHost.Text", "127.0.0.1"}).code, 0);
  ASSERT_TRUE(WaitUntil([&] { return Get("edtHost.Text").out == "127.0.0.1"; }, 2000));
  ASSERT_TRUE(PingOnce(2)) << ReadFile(home_ / "out.txt");
  const std::string newest = Get("lstReplies.Items[0]").out;
  EXPECT_TRUE(std::regex_match(newest, kReplyLine)) << newest;
}

}  // namespace
