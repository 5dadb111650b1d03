// The POSIX interface line against real interfaces. Each test process moves into a network
// namespace of its own first, so the interfaces it creates (tun and veth) never touch the host's;
// the namespace and everything in it vanish with the process. Needs root.

#include <gtest/gtest.h>
#include <net/if.h>

#include <cstdlib>
#include <filesystem>

#include "core/poll_loop.h"
#include "integration/daemon_e2e/process_helpers.h"
#include "integration/ras_posix/private_netns.h"
#include "ras/dial_up.h"
#include "ras/posix_ras.h"
#include "ras/ras_errors.h"

namespace {

using ras::TDialUp;

class PosixRasTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    gSkipReason = testing_support::EnterPrivateNetworkNamespace();
    gIp = testing_support::IpProgram();
  }

  void SetUp() override {
    if (!gSkipReason.empty()) GTEST_SKIP() << gSkipReason;
  }

  static inline std::string gSkipReason;
  static inline std::string gIp;

  void TearDown() override {
    dialUp.reset();
    backend.reset();
    if (HasFailure()) {
      for (const auto& line : log) std::cerr << "  log: " << line << "\n";
    }
  }

  // Writes the phonebook, then starts the backend and the component on a real-time loop.
  void Start(const std::string& phonebook) {
    testing_support::WriteFile(dir / "phonebook.ini", phonebook);
    backend = std::make_unique<ras::PosixRas>(loop, dir / "phonebook.ini");
    backend->SetLog([this](const std::string& line) { log.push_back(line); });
    backend->SetErrorLanguage(ras::RasTextLanguage::kEnglish);
    dialUp = std::make_unique<TDialUp>(loop, *backend);
    dialUp->OnAsyncEvent = [this](TDialUp&, int state, int error, const std::string&) {
      states.push_back(state);
      if (error != 0) errors.push_back(error);
    };
  }

  void Shell(const std::string& command) { ASSERT_EQ(std::system(command.c_str()), 0) << command; }

  int CountConnections() {
    int count = -1;
    EXPECT_EQ(dialUp->GetConnections(count), 0);
    return count;
  }

  bool WaitFor(const std::function<bool()>& done, std::int64_t ms = 10'000) {
    return loop.RunUntil(done, ms);
  }

  bool Connected() { return !states.empty() && states.back() == ras::RASCS_Connected; }

  testing_support::TempHome dir;
  core::PollLoop loop;
  std::unique_ptr<ras::PosixRas> backend;
  std::unique_ptr<TDialUp> dialUp;
  std::vector<std::string> log;
  std::vector<int> states;
  std::vector<int> errors;
};

TEST_F(PosixRasTest, DialBringsUpATunnelAndDeletingTheInterfaceDropsTheLine) {
  Start(
      "[Tunnel]\n"
      "UserName=alice\n"
      "Password=s3cret pass\n"
      "PasswordSaved=1\n"
      "Interface=sl0\n"
      "Dial=" +
      gIp + " tuntap add dev sl0 mode tun && " + gIp +
      " addr add 10.77.0.2 peer 10.77.0.1 dev sl0 && " + gIp +
      " link set sl0 up && printf '%s|%s' \"$STAYLINE_USER\" \"$STAYLINE_PASSWORD\" > " +
      (dir / "credentials") + "\n" + "HangUp=" + gIp +
      " link del sl0\n"
      "DialTimeoutMs=10000\n");
  dialUp->SetEntry("Tunnel");
  ASSERT_EQ(dialUp->Dial(), 0);
  ASSERT_TRUE(WaitFor([&] { return Connected() || !errors.empty(); }));
  EXPECT_TRUE(errors.empty());
  EXPECT_EQ(states, (std::vector<int>{ras::RASCS_ConnectDevice, ras::RASCS_Authenticate,
                                      ras::RASCS_Projected, ras::RASCS_Connected}));

  ASSERT_EQ(CountConnections(), 1);
  EXPECT_EQ(dialUp->CurrentHandle(), dialUp->DialHandle());
  EXPECT_EQ(dialUp->GetIPAddresses(dialUp->CurrentHandle()), 0);
  EXPECT_EQ(dialUp->ClientIP(), "10.77.0.2");
  EXPECT_EQ(dialUp->ServerIP(), "10.77.0.1");
  // The credentials reached the command through its environment.
  ASSERT_TRUE(WaitFor([&] { return std::filesystem::exists(dir / "credentials"); }, 5'000));
  EXPECT_EQ(testing_support::ReadFile(dir / "credentials"), "alice|s3cret pass");

  Shell(gIp + " link del sl0");
  EXPECT_TRUE(WaitFor([&] { return CountConnections() == 0; }, 5'000)) << "the line dropped";
  EXPECT_EQ(dialUp->GetIPAddresses(dialUp->DialHandle()), 6);
}

TEST_F(PosixRasTest, HangUpRunsTheHangUpCommandAndWaitsUntilTheInterfaceIsGone) {
  Start(
      "[Tunnel]\n"
      "Interface=sl0\n"
      "Dial=" +
      gIp + " tuntap add dev sl0 mode tun && " + gIp +
      " addr add 10.77.0.2 peer 10.77.0.1 dev sl0 && " + gIp + " link set sl0 up\n" +
      "HangUp=sleep 0.3; " + gIp + " link del sl0\n");
  dialUp->SetEntry("Tunnel");
  ASSERT_EQ(dialUp->Dial(), 0);
  ASSERT_TRUE(WaitFor([&] { return Connected(); }));
  ASSERT_EQ(CountConnections(), 1);

  EXPECT_EQ(dialUp->HangUp(), 0);
  EXPECT_EQ(::if_nametoindex("sl0"), 0u) << "HangUp returns once the interface is gone";
  EXPECT_EQ(CountConnections(), 0);
}

TEST_F(PosixRasTest, ServerAddressIsTheDefaultGatewayWithoutAPeer) {
  Start(
      "[Ethernet]\n"
      "Interface=sl1\n"
      "Dial=" +
      gIp + " link add sl1 type veth peer name sl1p && " + gIp +
      " addr add 10.78.0.2/24 dev sl1 && " + gIp + " link set sl1p up && " + gIp +
      " link set sl1 up && " + gIp + " route add default via 10.78.0.1 dev sl1\n");
  dialUp->SetEntry("Ethernet");
  ASSERT_EQ(dialUp->Dial(), 0);
  ASSERT_TRUE(WaitFor([&] { return Connected(); }));
  // The route may come a moment after the address; the backend follows the announcement.
  EXPECT_TRUE(WaitFor(
      [&] {
        return dialUp->GetIPAddresses(dialUp->DialHandle()) == 0 &&
               dialUp->ServerIP() == "10.78.0.1";
      },
      5'000));
  EXPECT_EQ(dialUp->ClientIP(), "10.78.0.2");
}

TEST_F(PosixRasTest, AConnectionThatCameUpBeforeTheProgramIsEnumerated) {
  Shell(gIp + " tuntap add dev sl2 mode tun && " + gIp +
        " addr add 10.79.0.2 peer 10.79.0.1 dev sl2 && " + gIp + " link set sl2 up");
  Start("[Outside]\nInterface=sl2\n");
  std::vector<std::uint32_t> seen;
  dialUp->OnActiveConnection = [&](TDialUp&, ras::HRasConn, const ras::TRasConnStatusA& s,
                                   const std::string&, const char* entry, const char*,
                                   const char* device) {
    seen.push_back(s.rasconnstate);
    EXPECT_STREQ(entry, "Outside");
    EXPECT_STREQ(device, "sl2");
  };
  ASSERT_EQ(CountConnections(), 1);
  EXPECT_EQ(seen, (std::vector<std::uint32_t>{ras::RASCS_Connected}));
  EXPECT_EQ(dialUp->GetIPAddresses(dialUp->CurrentHandle()), 0);
  EXPECT_EQ(dialUp->ClientIP(), "10.79.0.2");
  // Without a HangUp= command it cannot be hung up, and says so at once.
  EXPECT_EQ(dialUp->HangUpConnection(dialUp->CurrentHandle()), 651);
}

TEST_F(PosixRasTest, FailingOrSilentDialCommandsFailTheDial) {
  struct Case {
    const char* Title;
    std::string Dial;
    int Error;
    const char* Logged;
  };
  const Case cases[] = {
      {"exit status", "echo refusing >&2; exit 3", 651, "dial command exited with status 3"},
      {"no interface in time", "true", 678, "no connection in time"},
  };
  Start("[A]\nInterface=sl3\nDialTimeoutMs=1500\nDial=" + cases[0].Dial + "\n" +
        "[B]\nInterface=sl3\nDialTimeoutMs=1500\nDial=" + cases[1].Dial + "\n");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Title);
    states.clear();
    errors.clear();
    log.clear();
    dialUp->SetEntry(&c == &cases[0] ? "A" : "B");
    ASSERT_EQ(dialUp->Dial(), 0);
    ASSERT_TRUE(WaitFor([&] { return !errors.empty(); }, 10'000));
    EXPECT_EQ(errors, (std::vector<int>{c.Error}));
    bool logged = false;
    for (const auto& line : log) logged = logged || line.find(c.Logged) != std::string::npos;
    EXPECT_TRUE(logged) << c.Logged;
    EXPECT_EQ(CountConnections(), 0);
  }
}

}  // namespace
