// TDialUp against a scripted platform: status texts, the dial paths, hang-up and its wait,
// enumeration, and the hand-over of asynchronous notifications.

#include "ras/dial_up.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "core/sim_loop.h"
#include "core/timer.h"
#include "ras/ras_errors.h"
#include "unit/ras/support/mock_ras_api.h"

namespace {

using ras::TDialUp;
using ras::TRasLanguage;
using ::testing::_;
using ::testing::DoAll;
using ::testing::InSequence;
using ::testing::NiceMock;
using ::testing::Return;
using ::testing::SetArgPointee;

class DialUpTest : public ::testing::Test {
 protected:
  DialUpTest() { api.TextsNameTheCode(); }

  core::SimLoop loop{0};
  NiceMock<ras_test::MockRasApi> api;
  TDialUp dialUp{loop, api};
};

// ---- status texts

TEST_F(DialUpTest, StatusTextsComeFromTheLanguageTableOrThePlatform) {
  EXPECT_EQ(dialUp.Language(), TRasLanguage::ralgEnglish);
  EXPECT_EQ(dialUp.StringTableBase(), 2000);
  struct Case {
    TRasLanguage Language;
    int Base;
    std::uint32_t State;
    std::uint32_t Error;
    std::string Text;
  };
  const Case cases[] = {
      {TRasLanguage::ralgPolish, 5000, ras::RASCS_Connected, 0, "Połączony"},
      // German row 16 is English; Polish row 15 ends in a blank.
      {TRasLanguage::ralgGerman, 1000, ras::RASCS_PrepareForCallback, 0, "Preparing for callback"},
      {TRasLanguage::ralgPolish, 5000, ras::RASCS_Authenticated, 0,
       "Autoryzowane, logowanie do sieci "},
      {TRasLanguage::ralgGerman, 1000, ras::RASCS_Connected, 0, "Verbunden"},
      {TRasLanguage::ralgGerman, 1000, ras::RASCS_Disconnected, 0, "Getrennt"},
      {TRasLanguage::ralgCzech, 3000, ras::RASCS_OpenPort, 0, "Otevírá se port"},
      {TRasLanguage::ralgPortuguese, 4000, ras::RASCS_PasswordExpired, 0, "Senha inválida"},
      {TRasLanguage::ralgEnglish, 2000, ras::RASCS_LogonNetwork, 0, "Logging on network"},
      {TRasLanguage::ralgEnglish, 2000, ras::RASCS_Interactive, 0, "Interactive"},
      // Outside the table: no text.
      {TRasLanguage::ralgEnglish, 2000, 0x1004, 0, ""},
      {TRasLanguage::ralgEnglish, 2000, 22, 0, ""},
      {TRasLanguage::ralgGerman, 1000, 0x2002, 0, ""},
      // An error wins over the state, whatever the state.
      {TRasLanguage::ralgPolish, 5000, ras::RASCS_Connected, 678, "error 678"},
      {TRasLanguage::ralgGerman, 1000, 0x1004, 691, "error 691"},
  };
  for (const auto& c : cases) {
    dialUp.SetLanguage(c.Language);
    EXPECT_EQ(dialUp.StringTableBase(), c.Base);
    EXPECT_EQ(dialUp.GetStatusText(c.State, c.Error), c.Text)
        << "state " << c.State << " error " << c.Error;
  }
}

// ---- Dial

TEST_F(DialUpTest, DialOfAnUnknownEntryFiresOnErrorAndNeverDials) {
  dialUp.SetEntry("Nowhere");
  EXPECT_CALL(api, RasHangUpA(0)).WillOnce(Return(ras::ERROR_INVALID_HANDLE));
  EXPECT_CALL(api, RasGetEntryDialParamsA(_, _)).WillOnce([](ras::RASDIALPARAMSA* p, bool*) {
    EXPECT_EQ(p->dwSize, 1052u);
    EXPECT_EQ(ras::GetRasField(p->szEntryName), "Nowhere");
    return ras::ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
  });
  EXPECT_CALL(api, RasDialA).Times(0);
  std::vector<std::pair<int, std::string>> errors;
  dialUp.OnError = [&](TDialUp&, int code, const std::string& text) {
    errors.emplace_back(code, text);
  };
  bool dialing = false;
  dialUp.OnDialing = [&](TDialUp&) { dialing = true; };

  EXPECT_EQ(dialUp.Dial(), 623);
  EXPECT_EQ(errors, (std::vector<std::pair<int, std::string>>{{623, "GetEntryDialParams failed"}}));
  EXPECT_FALSE(dialing);
}

TEST_F(DialUpTest, SynchronousDialThatFailsAfterAHandleHangsItUpBeforeReporting) {
  dialUp.SetDialMode(ras::TDialMode::dmSync);
  dialUp.SetEntry("Office");
  std::vector<std::string> order;
  ON_CALL(api, RasGetEntryDialParamsA).WillByDefault(Return(0));
  {
    InSequence seq;
    EXPECT_CALL(api, RasHangUpA(0)).WillOnce(Return(ras::ERROR_INVALID_HANDLE));
    EXPECT_CALL(api, RasGetEntryDialParamsA);
    EXPECT_CALL(api, RasDialA(_, nullptr, _))
        .WillOnce(DoAll(SetArgPointee<2>(77u), Return(ras::ERROR_NO_ANSWER)));
    EXPECT_CALL(api, RasHangUpA(77u)).WillOnce([&](ras::HRasConn) {
      order.push_back("hangup 77");
      return 0u;
    });
    EXPECT_CALL(api, RasGetConnectStatusA(77u, _)).WillOnce(Return(ras::ERROR_INVALID_HANDLE));
  }
  dialUp.OnDialing = [&](TDialUp&) { order.push_back("dialing"); };
  dialUp.OnConnect = [&](TDialUp&) { order.push_back("connect"); };
  dialUp.OnNotConnected = [&](TDialUp&, int code, const std::string& text) {
    order.push_back("not connected " + std::to_string(code) + " " + text);
  };

  EXPECT_EQ(dialUp.Dial(), 678);
  EXPECT_EQ(order,
            (std::vector<std::string>{"dialing", "hangup 77", "not connected 678 error 678"}));
  EXPECT_EQ(dialUp.DialHandle(), 77u);
}

TEST_F(DialUpTest, DialPassesTheStoredCredentialsAndReportsByMode) {
  dialUp.SetEntry("Office");
  ON_CALL(api, RasHangUpA).WillByDefault(Return(ras::ERROR_INVALID_HANDLE));
  ON_CALL(api, RasGetEntryDialParamsA).WillByDefault([](ras::RASDIALPARAMSA* p, bool* saved) {
    ras::SetRasField(p->szUserName, "alice");
    ras::SetRasField(p->szPassword, "secret");
    *saved = true;
    return 0u;
  });
  std::vector<std::string> events;
  dialUp.OnDialing = [&](TDialUp&) { events.push_back("dialing"); };
  dialUp.OnConnect = [&](TDialUp&) { events.push_back("connect"); };
  dialUp.OnError = [&](TDialUp&, int code, const std::string& text) {
    events.push_back("error " + std::to_string(code) + " " + text);
  };

  struct Case {
    ras::TDialMode Mode;
    std::uint32_t Result;
    std::vector<std::string> Events;
  };
  const Case cases[] = {
      {ras::TDialMode::dmSync, 0, {"dialing", "connect"}},
      {ras::TDialMode::dmAsync, 0, {"dialing"}},
      // An asynchronous dial that cannot start reports through OnError and keeps its handle.
      {ras::TDialMode::dmAsync, ras::ERROR_PORT_ALREADY_OPEN, {"dialing", "error 602 error 602"}},
  };
  for (const auto& c : cases) {
    events.clear();
    dialUp.SetDialMode(c.Mode);
    EXPECT_CALL(api, RasDialA(_, _, _))
        .WillOnce([&](const ras::RASDIALPARAMSA& p, ras::RasDialFunc notifier, ras::HRasConn* h) {
          EXPECT_EQ(ras::GetRasField(p.szEntryName), "Office");
          EXPECT_EQ(ras::GetRasField(p.szUserName), "alice");
          EXPECT_EQ(ras::GetRasField(p.szPassword), "secret");
          EXPECT_EQ(notifier == nullptr, c.Mode == ras::TDialMode::dmSync);
          *h = 42;
          return c.Result;
        });
    EXPECT_EQ(dialUp.Dial(), static_cast<int>(c.Result));
    EXPECT_EQ(events, c.Events);
    EXPECT_EQ(dialUp.DialHandle(), 42u);
    dialUp.SetDialHandle(0);
  }
}

// ---- HangUp and the wait

TEST_F(DialUpTest, HangUpPicksTheDialHandleThenTheCurrentHandleThenNone) {
  struct Case {
    ras::HRasConn Dial;
    ras::HRasConn Current;
    ras::HRasConn Expected;
  };
  for (const Case& c : {Case{5, 9, 5}, Case{0, 9, 9}, Case{0, 0, 0}}) {
    dialUp.SetDialHandle(c.Dial);
    dialUp.SetCurrentHandle(c.Current);
    EXPECT_CALL(api, RasHangUpA(c.Expected)).WillOnce(Return(ras::ERROR_INVALID_HANDLE));
    EXPECT_CALL(api, RasGetConnectStatusA).Times(0);
    // A failing hang-up returns its code at once; here: no handle at all gives 6.
    EXPECT_EQ(dialUp.HangUp(), 6);
    // Neither handle is cleared.
    EXPECT_EQ(dialUp.DialHandle(), c.Dial);
    EXPECT_EQ(dialUp.CurrentHandle(), c.Current);
  }
}

TEST_F(DialUpTest, HangUpConnectionWaitsForTheLineToGoWhileTimersRun) {
  core::Timer other(loop, "other", 100, true);
  int ticks = 0;
  other.OnTimer = [&] { ++ticks; };
  const std::int64_t start = loop.NowMs();
  EXPECT_CALL(api, RasHangUpA(7u)).WillOnce(Return(0));
  EXPECT_CALL(api, RasGetConnectStatusA(7u, _))
      .WillRepeatedly([&](ras::HRasConn, ras::RASCONNSTATUSA* s) {
        EXPECT_EQ(s->dwSize, 160u);
        return loop.NowMs() - start < 2000 ? 0u : ras::ERROR_INVALID_HANDLE;
      });
  EXPECT_EQ(dialUp.HangUpConnection(7), 0);
  EXPECT_GE(loop.NowMs() - start, 2000);
  EXPECT_GE(ticks, 19) << "the wait runs the loop";
}

TEST_F(DialUpTest, HangUpConnectionGivesUpOnAStuckLine) {
  struct Case {
    std::uint32_t Status;
    int Expected;
  };
  for (const Case& c : {Case{0, ras::ERROR_TIMEOUT}, Case{ras::ERROR_INVALID_SIZE, 632}}) {
    const std::int64_t start = loop.NowMs();
    EXPECT_CALL(api, RasHangUpA(7u)).WillOnce(Return(0));
    EXPECT_CALL(api, RasGetConnectStatusA(7u, _)).WillRepeatedly(Return(c.Status));
    EXPECT_EQ(dialUp.HangUpConnection(7), c.Expected);
    EXPECT_GE(loop.NowMs() - start, TDialUp::kHangUpWaitMs);
    EXPECT_LT(loop.NowMs() - start, TDialUp::kHangUpWaitMs + 1000);
  }
}

TEST_F(DialUpTest, HangUpConnectionIsBoundedInRealTimeWhenTheLoopIsQuitting) {
  // A quitting loop runs no timers, so program time may stand still; the bound still holds.
  loop.Quit();
  EXPECT_CALL(api, RasHangUpA(7u)).WillOnce(Return(0));
  int queries = 0;
  EXPECT_CALL(api, RasGetConnectStatusA(7u, _)).WillRepeatedly([&](auto, auto) {
    return ++queries < 5 ? 0u : ras::ERROR_INVALID_HANDLE;
  });
  EXPECT_EQ(dialUp.HangUpConnection(7), 0);
  EXPECT_EQ(queries, 5);
}

// ---- enumeration and addresses

TEST_F(DialUpTest, GetEntriesFillsEntriesAndFiresPerEntryInOrder) {
  EXPECT_CALL(api, RasEnumEntriesA(_, _, _))
      .WillOnce([](ras::RASENTRYNAMEA* e, std::uint32_t* bytes, std::uint32_t* count) {
        EXPECT_EQ(e[0].dwSize, 264u);
        EXPECT_EQ(*bytes, 26400u);
        ras::SetRasField(e[0].szEntryName, "Office DSL");
        ras::SetRasField(e[1].szEntryName, "Backup ISDN");
        *count = 2;
        return 0u;
      })
      .WillOnce([](ras::RASENTRYNAMEA*, std::uint32_t* bytes, std::uint32_t* count) {
        *bytes = 101 * 264;
        *count = 101;
        return ras::ERROR_BUFFER_TOO_SMALL;
      });
  std::vector<std::string> fired;
  dialUp.OnEntryGet = [&](TDialUp& sender, const char* name) {
    fired.push_back(name);
    EXPECT_EQ(sender.Entries().back(), name) << "added before the event";
  };
  EXPECT_EQ(dialUp.GetEntries(), 0);
  EXPECT_EQ(dialUp.Entries(), (std::vector<std::string>{"Office DSL", "Backup ISDN"}));
  EXPECT_EQ(fired, dialUp.Entries());

  fired.clear();
  EXPECT_EQ(dialUp.GetEntries(), 603);
  EXPECT_TRUE(dialUp.Entries().empty());
  EXPECT_TRUE(fired.empty());
}

TEST_F(DialUpTest, GetConnectionsReportsEachConnectionWithItsStatus) {
  struct Conn {
    ras::HRasConn Handle;
    const char* Entry;
    ras::RASCONNSTATE State;
    std::uint32_t Error;
  };
  std::vector<Conn> conns;
  ON_CALL(api, RasEnumConnectionsA)
      .WillByDefault([&](ras::RASCONNA* c, std::uint32_t* bytes, std::uint32_t* count) {
        EXPECT_EQ(c[0].dwSize, 412u);
        EXPECT_EQ(*bytes, 41200u);
        *count = static_cast<std::uint32_t>(conns.size());
        if (conns.size() > 100) return ras::ERROR_BUFFER_TOO_SMALL;
        for (std::size_t i = 0; i < conns.size(); ++i) {
          c[i].hrasconn = conns[i].Handle;
          ras::SetRasField(c[i].szEntryName, conns[i].Entry);
          ras::SetRasField(c[i].szDeviceType, "PPPoE");
          ras::SetRasField(c[i].szDeviceName, "line");
        }
        return 0u;
      });
  ON_CALL(api, RasGetConnectStatusA).WillByDefault([&](ras::HRasConn h, ras::RASCONNSTATUSA* s) {
    for (const auto& c : conns) {
      if (c.Handle == h) {
        s->rasconnstate = c.State;
        s->dwError = c.Error;
      }
    }
    return 0u;
  });
  std::vector<std::string> fired;
  dialUp.OnActiveConnection = [&](TDialUp&, ras::HRasConn h, const ras::TRasConnStatusA& s,
                                  const std::string& text, const char* entry, const char* type,
                                  const char* device) {
    fired.push_back(std::to_string(h) + "|" + std::to_string(s.rasconnstate) + "|" + text + "|" +
                    entry + "|" + type + "|" + device);
  };

  // None: count 0, no event, the current handle stays.
  dialUp.SetCurrentHandle(55);
  int count = -1;
  EXPECT_EQ(dialUp.GetConnections(count), 0);
  EXPECT_EQ(count, 0);
  EXPECT_TRUE(fired.empty());
  EXPECT_EQ(dialUp.CurrentHandle(), 55u);

  conns = {{11, "Office", ras::RASCS_Connected, 0},
           {12, "Backup", ras::RASCS_Disconnected, 0},
           {13, "Third", ras::RASCS_ConnectDevice, 676}};
  EXPECT_EQ(dialUp.GetConnections(count), 0);
  EXPECT_EQ(count, 3);
  EXPECT_EQ(fired, (std::vector<std::string>{"11|8192|Connected|Office|PPPoE|line",
                                             "12|8193|Disconnected|Backup|PPPoE|line",
                                             "13|2|error 676|Third|PPPoE|line"}));
  EXPECT_EQ(dialUp.CurrentHandle(), 13u);

  // More than the 100 records: the buffer error, no events.
  fired.clear();
  conns.assign(101, Conn{20, "Many", ras::RASCS_Connected, 0});
  EXPECT_EQ(dialUp.GetConnections(count), 603);
  EXPECT_TRUE(fired.empty());
}

TEST_F(DialUpTest, GetIPAddressesReadsThePppProjection) {
  EXPECT_CALL(api, RasGetProjectionInfoA).Times(0);
  EXPECT_EQ(dialUp.GetIPAddresses(0), 0);
  EXPECT_EQ(dialUp.ClientIP(), "");
  EXPECT_EQ(dialUp.ServerIP(), "");
  ::testing::Mock::VerifyAndClearExpectations(&api);

  EXPECT_CALL(api, RasGetProjectionInfoA(9u, ras::RASP_PppIp, _, _))
      .WillOnce([](ras::HRasConn, std::uint32_t, void* buffer, std::uint32_t* size) {
        auto* ip = static_cast<ras::RASPPPIPA*>(buffer);
        EXPECT_EQ(ip->dwSize, 40u);
        EXPECT_EQ(*size, 40u);
        ras::SetRasField(ip->szIpAddress, "10.64.0.10");
        ras::SetRasField(ip->szServerIpAddress, "10.64.0.1");
        return 0u;
      })
      .WillOnce(Return(ras::ERROR_PROJECTION_NOT_COMPLETE));
  EXPECT_EQ(dialUp.GetIPAddresses(9), 0);
  EXPECT_EQ(dialUp.ClientIP(), "10.64.0.10");
  EXPECT_EQ(dialUp.ServerIP(), "10.64.0.1");
  EXPECT_EQ(dialUp.GetIPAddresses(9), 730);
  EXPECT_EQ(dialUp.ClientIP(), "") << "a failure clears both";
  EXPECT_EQ(dialUp.ServerIP(), "");
}

TEST_F(DialUpTest, PublishedExtrasStayEmptyOnThisPlatform) {
  EXPECT_TRUE(dialUp.DUNA().empty());
  EXPECT_EQ(dialUp.BytesXmit() + dialUp.BytesRecv() + dialUp.ConnectionSpeed(), 0u);
}

// ---- asynchronous notifications

class AsyncDialUpTest : public DialUpTest {
 protected:
  // Dials asynchronously and keeps the notifier the component handed to the platform.
  ras::RasDialFunc StartAsyncDial() {
    ras::RasDialFunc notifier = nullptr;
    ON_CALL(api, RasHangUpA).WillByDefault(Return(ras::ERROR_INVALID_HANDLE));
    ON_CALL(api, RasGetEntryDialParamsA).WillByDefault(Return(0));
    EXPECT_CALL(api, RasDialA).WillOnce([&](auto&, ras::RasDialFunc n, ras::HRasConn* h) {
      notifier = n;
      *h = 1;
      return 0u;
    });
    dialUp.SetEntry("Office");
    EXPECT_EQ(dialUp.Dial(), 0);
    return notifier;
  }
};

TEST_F(AsyncDialUpTest, NotificationsFromAnotherThreadArriveInOrderOneAtATime) {
  const ras::RasDialFunc notifier = StartAsyncDial();
  ASSERT_NE(notifier, nullptr);

  constexpr int kCount = 200;
  std::vector<int> states;
  bool inHandler = false;
  bool overlapped = false;
  dialUp.OnAsyncEvent = [&](TDialUp&, int state, int error, const std::string& text) {
    overlapped = overlapped || inHandler;
    inHandler = true;
    states.push_back(state);
    EXPECT_EQ(error, state == kCount - 1 ? 678 : 0);
    if (state == 0) {
      EXPECT_EQ(text, "Opening port");
    }
    // A handler that runs the loop must not get the next notification inside.
    loop.ProcessMessages();
    inHandler = false;
  };
  // The token is taken before the thread starts, so the clock cannot run ahead of it.
  auto busy = std::make_unique<core::EventLoop::ExternalWork>(loop);
  std::thread platform([&] {
    for (int i = 0; i < kCount; ++i) {
      notifier(ras::WM_RASDIALEVENT, static_cast<ras::RASCONNSTATE>(i), i == kCount - 1 ? 678 : 0);
    }
    busy.reset();
  });
  loop.RunUntil([&] { return static_cast<int>(states.size()) == kCount; }, 60'000);
  platform.join();
  ASSERT_EQ(static_cast<int>(states.size()), kCount);
  for (int i = 0; i < kCount; ++i) EXPECT_EQ(states[i], i);
  EXPECT_FALSE(overlapped);
}

TEST_F(AsyncDialUpTest, TwoQuickNotificationsGiveTwoEventsInOrder) {
  const ras::RasDialFunc notifier = StartAsyncDial();
  std::vector<std::string> texts;
  dialUp.OnAsyncEvent = [&](TDialUp&, int, int, const std::string& text) { texts.push_back(text); };
  std::atomic<bool> sent{false};
  auto busy = std::make_unique<core::EventLoop::ExternalWork>(loop);
  std::thread platform([&] {
    notifier(ras::WM_RASDIALEVENT, ras::RASCS_Projected, 0);
    notifier(ras::WM_RASDIALEVENT, ras::RASCS_Connected, 0);
    sent = true;
    busy.reset();
  });
  loop.RunUntil([&] { return texts.size() == 2; }, 10'000);
  platform.join();
  EXPECT_TRUE(sent);
  EXPECT_EQ(texts, (std::vector<std::string>{"Projected", "Connected"}));
}

TEST(AsyncDialUpLifetime, DestroyingTheComponentReleasesAWaitingNotifier) {
  core::SimLoop loop(0);
  NiceMock<ras_test::MockRasApi> api;
  auto dialUp = std::make_unique<TDialUp>(loop, api);
  ras::RasDialFunc notifier = nullptr;
  ON_CALL(api, RasGetEntryDialParamsA).WillByDefault(Return(0));
  ON_CALL(api, RasHangUpA).WillByDefault(Return(ras::ERROR_INVALID_HANDLE));
  ON_CALL(api, RasDialA).WillByDefault([&](auto&, ras::RasDialFunc n, ras::HRasConn*) {
    notifier = n;
    return 0u;
  });
  dialUp->Dial();
  std::atomic<int> returned{0};
  std::thread platform([&] {
    for (int i = 0; i < 3; ++i) {  // the second one waits: nobody empties the slot
      notifier(ras::WM_RASDIALEVENT, ras::RASCS_OpenPort, 0);
      ++returned;
    }
  });
  while (returned < 1) std::this_thread::yield();
  dialUp.reset();
  platform.join();  // would hang if the notifier stayed blocked
  EXPECT_EQ(returned, 3);
  loop.ProcessMessages();  // the posted delivery finds no component and does nothing
}

}  // namespace
