// The simulated line driven through TDialUp on virtual time: progress, addresses, disturbances,
// failing dials and both dial modes.

#include <gtest/gtest.h>

#include <chrono>

#include "ras/ras_errors.h"
#include "ras/ras_factory.h"
#include "unit/ras/support/sim_line_fixture.h"

namespace {

using ras::TDialUp;

constexpr const char* kPhonebook =
    "[Office DSL]\n"
    "UserName=alice\n"
    "Password=secret\n"
    "PasswordSaved=1\n"
    "ConnectMs=1500\n"
    "ClientIPs=10.64.0.10 10.64.0.11\n"
    "ServerIP=10.64.0.1\n"
    "\n"
    "[Busy Line]\n"
    "UserName=bob\n"
    "Password=pw\n"
    "ConnectMs=1000\n"
    "FailDials=2\n"
    "FailError=676\n"
    "\n"
    "[Unsaved]\n"
    "UserName=carol\n"
    "Password=hidden\n"
    "PasswordSaved=0\n"
    "\n"
    "[Shaky]\n"
    "UserName=dave\n"
    "ConnectMs=1000\n"
    "DropAfterMs=5000\n"
    "\n"
    "[Corrupt]\n"
    "UserName=erin\n"
    "ConnectMs=1000\n"
    "BrokenAfterMs=3000\n";

class SimRasTest : public ras_test::SimLineTest {
 protected:
  SimRasTest() : SimLineTest(kPhonebook) {}

  struct Event {
    std::int64_t AtMs;
    int State;
    int Error;
    std::string Text;
  };
  std::vector<Event> events;
  std::int64_t t0 = 0;

  int DialAsync(const std::string& entry) {
    events.clear();
    dialUp.SetEntry(entry);
    dialUp.SetDialMode(ras::TDialMode::dmAsync);
    dialUp.OnAsyncEvent = [this](TDialUp&, int state, int error, const std::string& text) {
      events.push_back({loop.NowMs() - t0, state, error, text});
    };
    t0 = loop.NowMs();
    return dialUp.Dial();
  }
  bool RunUntilEvent(int state) {
    return loop.RunUntil(
        [&] { return !events.empty() && (events.back().State == state || events.back().Error); },
        60'000);
  }
  std::string ClientOf(ras::HRasConn h) {
    EXPECT_EQ(dialUp.GetIPAddresses(h), 0);
    return dialUp.ClientIP();
  }
};

TEST_F(SimRasTest, AsyncDialReportsEachStateInOrderAndConnectsAfterConnectMs) {
  const auto realStart = std::chrono::steady_clock::now();
  ASSERT_EQ(DialAsync("Office DSL"), 0);
  const ras::HRasConn handle = dialUp.DialHandle();
  ASSERT_NE(handle, 0u);

  // Halfway: enumerated while dialling, no addresses yet.
  loop.RunFor(700);
  auto conns = Connections();
  ASSERT_EQ(conns.size(), 1u);
  EXPECT_EQ(conns[0].Handle, handle);
  EXPECT_NE(conns[0].State, ras::RASCS_Connected);
  EXPECT_EQ(dialUp.GetIPAddresses(handle), static_cast<int>(ras::ERROR_PROJECTION_NOT_COMPLETE));

  ASSERT_TRUE(RunUntilEvent(ras::RASCS_Connected));
  std::vector<int> states;
  for (const auto& e : events) {
    states.push_back(e.State);
    EXPECT_EQ(e.Error, 0);
  }
  EXPECT_EQ(states, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 10, 14, 18, 0x2000}));
  EXPECT_EQ(events.front().AtMs, 0);
  EXPECT_EQ(events.back().AtMs, 1500);
  EXPECT_EQ(events.back().Text, "Connected");
  for (std::size_t i = 1; i < events.size(); ++i) EXPECT_LE(events[i - 1].AtMs, events[i].AtMs);

  conns = Connections();
  ASSERT_EQ(conns.size(), 1u);
  EXPECT_EQ(conns[0].State, ras::RASCS_Connected);
  EXPECT_EQ(conns[0].Entry, "Office DSL");
  EXPECT_EQ(dialUp.CurrentHandle(), handle);
  EXPECT_EQ(dialUp.GetIPAddresses(handle), 0);
  EXPECT_EQ(dialUp.ClientIP(), "10.64.0.10");
  EXPECT_EQ(dialUp.ServerIP(), "10.64.0.1");
  EXPECT_LT(std::chrono::steady_clock::now() - realStart, std::chrono::seconds(5));

  EXPECT_EQ(dialUp.HangUp(), 0);
  EXPECT_TRUE(Connections().empty());
}

TEST_F(SimRasTest, ClientAddressesCycleOnePerConnectionAndCanBeChosen) {
  ras::SimControl* sim = backend.Sim();
  ASSERT_NE(sim, nullptr);
  EXPECT_FALSE(sim->SetNextClientIp("No Such Entry", "192.0.2.7"));
  EXPECT_FALSE(sim->SetNextClientIp("Office DSL", "192.0.2"));

  std::vector<std::string> clients;
  for (int dial = 0; dial < 5; ++dial) {
    if (dial == 3) {
      EXPECT_TRUE(sim->SetNextClientIp("Office DSL", "192.0.2.7"));
    }
    ASSERT_EQ(DialAsync("Office DSL"), 0);  // each Dial hangs the last connection up first
    ASSERT_TRUE(RunUntilEvent(ras::RASCS_Connected));
    ASSERT_EQ(Connections().size(), 1u);
    clients.push_back(ClientOf(dialUp.DialHandle()));
  }
  EXPECT_EQ(clients, (std::vector<std::string>{"10.64.0.10", "10.64.0.11", "10.64.0.10",
                                               "192.0.2.7", "10.64.0.10"}));
}

TEST_F(SimRasTest, LinesDropAndBreakOnTheirOwnAndOnRequest) {
  struct Case {
    const char* Title;
    const char* Entry;
    std::function<int()> Disturb;  // empty: wait for the entry's own timing
    std::int64_t AfterMs;          // from "Connected"
    int Affected;
    bool StillEnumerated;
  };
  ras::SimControl& sim = *backend.Sim();
  const Case cases[] = {
      {"DropAfterMs", "Shaky", nullptr, 5000, 1, false},
      {"BrokenAfterMs", "Corrupt", nullptr, 3000, 1, true},
      {"sim drop ENTRY", "Office DSL", [&] { return sim.Drop("Office DSL"); }, 0, 1, false},
      {"sim drop (all)", "Office DSL", [&] { return sim.Drop(""); }, 0, 1, false},
      {"sim break ENTRY", "Office DSL", [&] { return sim.Break("Office DSL"); }, 0, 1, true},
      {"sim drop of another entry", "Office DSL", [&] { return sim.Drop("Shaky"); }, 0, 0, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Title);
    ASSERT_EQ(DialAsync(c.Entry), 0);
    ASSERT_TRUE(RunUntilEvent(ras::RASCS_Connected));
    const std::int64_t up = loop.NowMs();
    if (c.Disturb) {
      EXPECT_EQ(c.Disturb(), c.Affected);
    } else {
      loop.RunFor(c.AfterMs - 1);
      ASSERT_EQ(Connections().size(), 1u);
      EXPECT_EQ(Connections()[0].State, ras::RASCS_Connected) << "not before its time";
      loop.RunFor(1);
    }
    EXPECT_EQ(loop.NowMs() - up, c.AfterMs);
    const auto conns = Connections();
    if (c.StillEnumerated) {
      ASSERT_EQ(conns.size(), 1u);
      EXPECT_EQ(conns[0].State, c.Affected ? ras::RASCS_Disconnected : ras::RASCS_Connected);
    } else {
      EXPECT_TRUE(conns.empty());
    }
    // Whatever is left, the next hang-up clears it.
    EXPECT_EQ(dialUp.HangUp(), 0);
    EXPECT_TRUE(Connections().empty());
  }
  EXPECT_EQ(sim.Break(""), 0) << "nothing is up";
}

TEST_F(SimRasTest, FailingDialsReportThePlatformErrorAndLeaveTheEnumeration) {
  struct Case {
    const char* Entry;
    int Error;    // 0: connects
    int AtState;  // where a failure shows
  };
  const Case cases[] = {
      {"Busy Line", 676, ras::RASCS_ConnectDevice},
      {"Busy Line", 676, ras::RASCS_ConnectDevice},
      {"Busy Line", 0, ras::RASCS_Connected},  // FailDials=2: the third dial gets through
      // PasswordSaved=0: the component dials without the password and the line refuses it.
      {"Unsaved", 691, ras::RASCS_Authenticate},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Entry);
    ASSERT_EQ(DialAsync(c.Entry), 0);
    ASSERT_TRUE(RunUntilEvent(ras::RASCS_Connected));
    EXPECT_EQ(events.back().Error, c.Error);
    EXPECT_EQ(events.back().State, c.AtState);
    if (c.Error != 0) {
      EXPECT_EQ(events.back().Text, ras::RasErrorText(c.Error, ras::RasTextLanguage::kEnglish));
      EXPECT_TRUE(Connections().empty());
      // The failed handle can still be hung up, once.
      EXPECT_EQ(backend.RasHangUpA(dialUp.DialHandle()), 0u);
      EXPECT_EQ(backend.RasHangUpA(dialUp.DialHandle()), ras::ERROR_INVALID_HANDLE);
    } else {
      EXPECT_EQ(Connections().size(), 1u);
    }
  }
}

TEST_F(SimRasTest, DirectDialWithWrongCredentialsIsRefused) {
  ras::RASDIALPARAMSA params{};
  params.dwSize = ras::kSizeRasDialParams;
  ras::SetRasField(params.szEntryName, "Office DSL");
  ras::SetRasField(params.szUserName, "alice");
  ras::SetRasField(params.szPassword, "wrong");
  ras::HRasConn handle = 0;
  // Without a notifier the dial blocks until it ends, with the line's time running.
  const std::int64_t start = loop.NowMs();
  EXPECT_EQ(backend.RasDialA(params, nullptr, &handle), ras::ERROR_AUTHENTICATION_FAILURE);
  EXPECT_NE(handle, 0u);
  EXPECT_EQ(loop.NowMs() - start, 1500 * 5 / 10);  // refused while authenticating

  ras::SetRasField(params.szEntryName, "Nowhere");
  EXPECT_EQ(backend.RasDialA(params, nullptr, &handle), ras::ERROR_CANNOT_FIND_PHONEBOOK_ENTRY);
  EXPECT_EQ(handle, 0u);
}

TEST_F(SimRasTest, SynchronousDialBlocksUntilTheLineIsUpOrHasFailed) {
  dialUp.SetDialMode(ras::TDialMode::dmSync);
  std::vector<std::string> seen;
  dialUp.OnConnect = [&](TDialUp&) { seen.push_back("connect"); };
  dialUp.OnNotConnected = [&](TDialUp&, int code, const std::string& text) {
    seen.push_back(std::to_string(code) + " " + text);
  };

  dialUp.SetEntry("Office DSL");
  const std::int64_t start = loop.NowMs();
  EXPECT_EQ(dialUp.Dial(), 0);
  EXPECT_EQ(loop.NowMs() - start, 1500);
  ASSERT_EQ(Connections().size(), 1u);
  EXPECT_EQ(Connections()[0].State, ras::RASCS_Connected);

  dialUp.SetEntry("Busy Line");  // hangs the office line up first
  EXPECT_EQ(dialUp.Dial(), 676);
  EXPECT_EQ(seen, (std::vector<std::string>{"connect", "676 The phone line is busy."}));
  EXPECT_TRUE(Connections().empty());
  // The component hung the failed handle up before reporting: it is gone for good.
  EXPECT_EQ(backend.RasHangUpA(dialUp.DialHandle()), ras::ERROR_INVALID_HANDLE);
}

TEST_F(SimRasTest, DialWhileTheEntryIsUpOrDiallingAnswersAsTheLineStands) {
  ras::RASDIALPARAMSA params{};
  params.dwSize = ras::kSizeRasDialParams;
  ras::SetRasField(params.szEntryName, "Office DSL");
  ras::SetRasField(params.szUserName, "alice");
  ras::SetRasField(params.szPassword, "secret");
  ras::HRasConn first = 0;
  ras::HRasConn second = 0;
  ASSERT_EQ(DialAsync("Office DSL"), 0);
  first = dialUp.DialHandle();
  EXPECT_EQ(backend.RasDialA(params, nullptr, &second), ras::ERROR_DIAL_ALREADY_IN_PROGRESS);
  ASSERT_TRUE(RunUntilEvent(ras::RASCS_Connected));
  EXPECT_EQ(backend.RasDialA(params, nullptr, &second), 0u);
  EXPECT_EQ(second, first) << "the connection that is up";
  backend.Sim()->Break("Office DSL");
  EXPECT_EQ(backend.RasDialA(params, nullptr, &second), ras::ERROR_PORT_ALREADY_OPEN);
}

TEST(RasFactory, MakesTheNamedBackendAndSeedsTheDemoPhonebookOnce) {
  testing_support::TempDir dir;
  core::SimLoop loop(0);
  EXPECT_THROW(ras::MakeRasBackend("win32", loop, dir.Path()), std::invalid_argument);
  EXPECT_EQ(ras::MakeRasBackend("posix", loop, dir.Path())->Kind(), "posix");
  EXPECT_EQ(ras::MakeRasBackend("posix", loop, dir.Path())->Sim(), nullptr);

  const std::string config = dir / "config";
  EXPECT_TRUE(ras::SeedDemoPhonebook(config));
  testing_support::WriteFile(config + "/phonebook.ini",
                             testing_support::ReadFile(config + "/phonebook.ini") + "; mine\n");
  EXPECT_FALSE(ras::SeedDemoPhonebook(config)) << "an existing phonebook is never replaced";

  auto backend = ras::MakeRasBackend("sim", loop, config);
  ASSERT_NE(backend->Sim(), nullptr);
  {
    TDialUp dialUp(loop, *backend);
    EXPECT_EQ(dialUp.GetEntries(), 0);
    EXPECT_EQ(dialUp.Entries(), (std::vector<std::string>{"Stayline Demo"}));
    dialUp.SetEntry("Stayline Demo");
    dialUp.SetDialMode(ras::TDialMode::dmSync);
    EXPECT_EQ(dialUp.Dial(), 0) << "the demo entry dials with its stored credentials";
    EXPECT_EQ(dialUp.GetIPAddresses(dialUp.DialHandle()), 0);
    EXPECT_EQ(dialUp.ClientIP(), "10.64.0.10");
  }
}

}  // namespace
