// staylined on the POSIX interface line, in a network namespace of the test's own: the entry's
// Dial command makes a tun interface with a point-to-point address; the program reports the
// client and server address, and when the interface is deleted it logs the drop and dials again.

#include <gtest/gtest.h>
#include <net/if.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/text.h"
#include "integration/daemon_e2e/process_helpers.h"
#include "integration/ras_posix/private_netns.h"

namespace {

namespace ts = testing_support;

class PosixProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string& reason = ts::EnterPrivateNetworkNamespace();
    if (!reason.empty()) GTEST_SKIP() << reason;
    const std::string& ip = ts::IpProgram();
    // Each dial takes the next client address: 10.80.0.2, 10.80.0.3, ...
    ts::WriteFile(home / "config/phonebook.ini",
                  "[Tunnel]\n"
                  "UserName=alice\n"
                  "Password=secret\n"
                  "PasswordSaved=1\n"
                  "Interface=sl5\n"
                  "Dial=n=$(cat '" +
                      (home / "dials") + "' 2>/dev/null || echo 1); n=$((n + 1)); echo $n > '" +
                      (home / "dials") + "'; " + ip + " tuntap add dev sl5 mode tun && " + ip +
                      " addr add 10.80.0.$n peer 10.80.0.1 dev sl5 && " + ip +
                      " link set sl5 up\n"
                      "HangUp=" +
                      ip + " link del sl5\n");
    ts::WriteFile(home / "config/HKCU.reg",
                  "Windows Registry Editor Version 5.00\r\n\r\n"
                  "[HKEY_CURRENT_USER\\SOFTWARE\\_StaylineConnections]\r\n"
                  "\"AReadFirstReg\"=\"1\"\r\n"
                  "\"AutoConnect\"=\"1\"\r\n"
                  "\"StaylineConnection\"=\"Tunnel\"\r\n"
                  "\"SaveOnlineTimer\"=\"1\"\r\n"
                  "\"Language\"=\"0\"\r\n");
    std::filesystem::permissions(home / "config/HKCU.reg", std::filesystem::perms::owner_read |
                                                               std::filesystem::perms::owner_write);
  }

  std::string State(const std::string& field) {
    return core::Trim(ts::Ctl(home.Path(), {"state", field}).out);
  }
  std::string TimeLog() { return ts::ReadFile(home / "data/TimeLog.txt"); }
  // Connected with `client`, and the "Connect...:" line of that connection is written.
  bool Online(const std::string& client) {
    return State("ActiveConnectionCount") == "1" && State("LastClientIP") == client &&
           State("LastServerIP") == "10.80.0.1" &&
           TimeLog().find("ClientIP: " + client) != std::string::npos;
  }

  ts::TempHome home;
};

TEST_F(PosixProgramTest, ReportsTheTunnelsAddressesAndRedialsWhenTheInterfaceGoes) {
  ts::Child daemon({ts::BinPath("staylined"), "--home", home.Path(), "--ras", "posix", "--quiet"},
                   home / "out.txt");
  ASSERT_TRUE(ts::WaitUntil([&] { return Online("10.80.0.2"); }, 20'000))
      << TimeLog() << ts::ReadFile(home / "out.txt");
  EXPECT_NE(TimeLog().find("Connect...: "), std::string::npos);
  EXPECT_EQ(ts::Ctl(home.Path(), {"get", "Status2.Caption"}).out.rfind("Connected... ", 0), 0u);

  ASSERT_EQ(std::system((ts::IpProgram() + " link del sl5").c_str()), 0);
  ASSERT_TRUE(ts::WaitUntil([&] { return Online("10.80.0.3"); }, 20'000)) << TimeLog();
  const std::string log = TimeLog();
  const std::size_t drop = log.find("DisConnect: ");
  ASSERT_NE(drop, std::string::npos) << log;
  EXPECT_NE(log.find("ClientIP: 10.80.0.2", drop), std::string::npos) << log;
  EXPECT_LT(drop, log.find("ClientIP: 10.80.0.3")) << log;

  // Closing the program hangs the line up.
  EXPECT_EQ(ts::Ctl(home.Path(), {"quit"}).code, 0);
  EXPECT_EQ(daemon.Wait(15'000), 0);
  EXPECT_EQ(::if_nametoindex("sl5"), 0u) << "the close handler hangs up";
}

}  // namespace
