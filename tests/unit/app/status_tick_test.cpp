// The status tick on simulated time: online time across connections and across the wrap of the
// 32-bit tick count, publishing of a new client address, the hidden window, automatic dialling.

#include <gtest/gtest.h>

#include <fstream>

#include "app/auto_ftp.h"
#include "app/connection_keeper.h"
#include "app/online_time.h"
#include "app/status_tick.h"
#include "core/text.h"
#include "unit/app/support/mail_peer.h"
#include "unit/app/support/stayline_fixture.h"

namespace {

using app_test::StaylineTest;

std::vector<std::string> WithLabel(const std::vector<std::string>& lines,
                                   const std::string& label) {
  std::vector<std::string> out;
  for (const auto& l : lines) {
    if (l.rfind(label, 0) == 0) out.push_back(l);
  }
  return out;
}

// The online-time text of a log line: between "|" and " | ServerIP".
std::string LoggedTime(const std::string& line) {
  const std::size_t start = line.find('|') + 1;
  return line.substr(start, line.find(" | ServerIP") - start);
}

class StatusTickTest : public StaylineTest {};

TEST_F(StatusTickTest, OnlineTimeAddsUpTheConnectionsOfTheRun) {
  StartAutoDial();
  ASSERT_TRUE(RunUntilOnline("10.64.0.10"));
  RunFor(60'000);
  Sim().Drop("");
  ASSERT_TRUE(RunUntilOnline("10.64.0.11", 5000));
  RunFor(30'000);
  const auto connects = WithLabel(TimeLogLines(), "Connect...:");
  const auto disconnects = WithLabel(TimeLogLines(), "DisConnect:");
  ASSERT_EQ(connects.size(), 2u) << TimeLog();
  ASSERT_EQ(disconnects.size(), 1u) << TimeLog();
  EXPECT_EQ(LoggedTime(connects[0]), " Online-Time (d:h:m:s,ms): 0 : 00:00:00,000");
  // The first connection counts from the tick that saw it complete to the tick that saw it
  // gone; the "DisConnect:" line carries the time of the tick before.
  const std::string first = LoggedTime(disconnects[0]);
  EXPECT_TRUE(first.ends_with(" 0 : 00:00:59,000") || first.ends_with(" 0 : 00:01:00,000"))
      << first;
  EXPECT_NEAR(State().AccumulatedOnlineMs, 60'000.0, 1000.0);
  // The second connection starts from what the first one added.
  EXPECT_EQ(LoggedTime(connects[1]),
            " Online-Time (d:h:m:s,ms): " +
                app::OnlineTime::FormatDays(State().AccumulatedOnlineMs / 86'400'000.0));
  const std::uint64_t total =
      State().AccumulatedOnlineMs + (loop.GetTickCount() - State().ConnectTick);
  EXPECT_NEAR(static_cast<double>(total), 90'000.0, 3000.0);
}

class TickWrapTest : public StaylineTest {
 protected:
  // Twenty seconds before the 32-bit millisecond count wraps.
  TickWrapTest() : StaylineTest(app_test::kPhonebook, (std::int64_t{1} << 32) - 20'000) {}
};

TEST_F(TickWrapTest, OnlineTimeKeepsCountingAcrossTheWrapOfTheTickCount) {
  StartAutoDial();
  ASSERT_TRUE(RunUntilOnline("10.64.0.10"));
  const std::uint32_t connectTick = State().ConnectTick;
  RunFor(40'000);
  ASSERT_LT(loop.GetTickCount(), connectTick) << "the count has wrapped";
  main->Form().Show();
  RunFor(1000);
  const double seconds = State().OnlineDays * 86'400.0;
  EXPECT_NEAR(seconds, 41.0, 2.0);
  Sim().Drop("");
  RunFor(3000);
  const auto disconnects = WithLabel(TimeLogLines(), "DisConnect:");
  ASSERT_EQ(disconnects.size(), 1u) << TimeLog();
  EXPECT_NE(LoggedTime(disconnects[0]).find("0 : 00:00:4"), std::string::npos) << disconnects[0];
  EXPECT_NEAR(State().AccumulatedOnlineMs, 41'000.0, 2000.0);
}

TEST_F(StatusTickTest, ANewClientAddressIsPublishedOnceAndTheSameOneNotAgain) {
  int uploads = 0;
  app_test::MailPeer peer;
  StartAutoDial({{"AutoMail", "1"},
                 {"SmtpServerName", "127.0.0.1"},
                 {"SmtpServerPort", std::to_string(peer.Port())}});
  const auto mails = [&] { return peer.Mails().size(); };
  // Each arming of the publishing counts once (auto-FTP is off, so nothing disarms it).
  const auto countArming = [&] {
    if (main->Publisher().State().AutoFtpArmed) ++uploads;
    main->Publisher().State().AutoFtpArmed = false;
  };
  ASSERT_TRUE(Form().AutoMailBox1.Checked());
  ASSERT_TRUE(RunUntilOnline("10.64.0.10"));
  RunFor(2000);
  EXPECT_EQ(mails(), 1u);
  countArming();
  EXPECT_EQ(uploads, 1);
  // the same address after a reconnect
  Sim().SetNextClientIp("Office DSL", "10.64.0.10");
  Sim().Drop("");
  RunFor(2000);
  ASSERT_TRUE(RunUntilOnline("10.64.0.10", 5000));
  RunFor(2000);
  EXPECT_EQ(mails(), 1u);
  countArming();
  EXPECT_EQ(uploads, 1);
  // a new one
  Sim().SetNextClientIp("Office DSL", "10.64.0.99");
  Sim().Drop("");
  RunFor(2000);
  ASSERT_TRUE(RunUntilOnline("10.64.0.99", 5000));
  RunFor(2000);
  EXPECT_EQ(mails(), 2u);
  countArming();
  EXPECT_EQ(uploads, 2);
  EXPECT_EQ(State().LastPublishedIP, "10.64.0.99");
}

TEST_F(StatusTickTest, AReconnectWritesOneConnectLineAlsoWhenTheLogWasOffAtAnEarlierConnect) {
  // The log is switched on only after the first connection came up, so that connection's
  // "Connect...:" line is never written; the reconnect must still give exactly one.
  StartAutoDial({{"SaveOnlineTimer", "0"}});
  ASSERT_TRUE(RunUntilOnline("10.64.0.10"));
  RunFor(2000);
  Form().WriteLogFileBox.SetChecked(true);
  Sim().Drop("");
  RunFor(2000);
  ASSERT_TRUE(RunUntilOnline("10.64.0.11", 5000));
  RunFor(3000);
  EXPECT_EQ(WithLabel(TimeLogLines(), "Connect...:").size(), 1u) << TimeLog();
  EXPECT_EQ(WithLabel(TimeLogLines(), "DisConnect:").size(), 1u) << TimeLog();
}

TEST_F(StatusTickTest, AHiddenWindowKeepsItsTextsButTheStatusAndTrayFollowTheLine) {
  StartAutoDial();
  Form().ViewOnlineTimeBox.SetCaption("design");
  Form().HangUpManual.SetEnabled(false);
  ASSERT_TRUE(RunUntilOnline("10.64.0.10"));
  RunFor(3000);
  EXPECT_FALSE(Form().Visible());
  EXPECT_EQ(Form().ViewOnlineTimeBox.Caption(), "design");
  EXPECT_FALSE(Form().HangUpManual.Enabled());
  EXPECT_EQ(Form().TrayIcon.Icon(), "ImageConnect");
  EXPECT_FALSE(Form().PopupDialing.Visible());
  EXPECT_TRUE(Form().PopupHangUp.Visible());
  EXPECT_EQ(Form().PopupHangUp.Caption(), "HangUp");

  Form().Show();
  RunFor(1000);
  EXPECT_EQ(Form().ViewOnlineTimeBox.Caption().rfind(" Online-Time (d:h:m:s,ms): 0 : 00:00:0", 0),
            0u)
      << Form().ViewOnlineTimeBox.Caption();
  EXPECT_TRUE(Form().HangUpManual.Enabled());
  EXPECT_FALSE(Form().DialManual.Enabled());
  EXPECT_EQ(Form().ActiveConnections.Caption(), "Selected Connection: Office DSL");
  EXPECT_NE(Form().Status2.Caption().find("Online-Time"), std::string::npos);
}

TEST_F(StatusTickTest, AConnectionMadeBeforeTheStartIsCountedFromTheFirstTick) {
  ras::RASDIALPARAMSA params{};
  params.dwSize = ras::kSizeRasDialParams;
  ras::SetRasField(params.szEntryName, "Office DSL");
  ras::SetRasField(params.szUserName, "alice");
  ras::SetRasField(params.szPassword, "secret");
  ras::HRasConn handle = 0;
  ASSERT_EQ(line->RasDialA(params, nullptr, &handle), 0u);  // waits until connected
  Start({{"AutoConnect", "0"}, {"StaylineConnection", "Office DSL"}, {"SaveOnlineTimer", "1"}});
  const std::int64_t started = loop.NowMs();
  ASSERT_TRUE(RunUntil([&] { return State().ConnectTick != 0; }, 5000));
  EXPECT_LE(loop.NowMs() - started, 2000);
  RunFor(1000);
  ASSERT_EQ(WithLabel(TimeLogLines(), "Connect...:").size(), 1u) << TimeLog();
}

TEST_F(StatusTickTest, EveryTickDialsAnOfflineLineUnlessHungUpByHand) {
  std::ofstream(paths.configDir + "/phonebook.ini", std::ios::trunc)
      << "[Office DSL]\nUserName=alice\nPassword=secret\nPasswordSaved=1\nConnectMs=500\n"
         "FailDials=100\nFailError=678\n";
  StartAutoDial();
  int dials = 0;
  line->SetLog([&](const std::string& l) { dials += l.find("dialling") != std::string::npos; });
  RunFor(10'000);
  EXPECT_GE(dials, 5);
  State().ManualHangUp = true;
  main->Keeper().ClearHandles();
  const int before = dials;
  RunFor(10'000);
  EXPECT_EQ(dials, before);
}

TEST_F(StatusTickTest, OnlineTimeTexts) {
  struct Case {
    double days;
    const char* language;
    std::string expected;
  } cases[] = {
      {1 + (3600'000.0 + 60'000 + 1000 + 1) / 86'400'000, "0",
       " Online-Time (d:h:m:s,ms): 1 : 01:01:01,001"},
      {(3600'000.0 + 5 * 60'000 + 9120) / 86'400'000, "1",
       " Online-Zeit (d:h:m:s,ms): 0 : 01:05:09,120"},
  };
  Start();
  for (const Case& c : cases) {
    main->Regs().Language = c.language;
    State().OnlineDays = c.days;
    EXPECT_EQ(main->Online().GetOnlineTime(true), c.expected);
  }
}

TEST_F(StatusTickTest, OfflineTheOnlineTimeIsTheStoredTimeNotTheUptime) {
  Start();
  RunFor(3'600'000);  // the tick count is an hour on
  State().ConnectTick = 0;
  State().AccumulatedOnlineMs = 65'000;
  main->Form().English.UserClick();  // a language switch recomputes the text
  EXPECT_EQ(State().OnlineTimeText, " Online-Time (d:h:m:s,ms): 0 : 00:01:05,000");
}

}  // namespace

namespace {

TEST_F(StatusTickTest, AConnectionLongerThanTheTickCountCanTellKeepsCounting) {
  StartAutoDial();
  ASSERT_TRUE(RunUntilOnline("10.64.0.10"));
  // As if the connection had been up for 30 days, then 30 more: past 49.7 days in all.
  constexpr std::uint64_t kDay = 86'400'000;
  State().ConnectTick = loop.GetTickCount() - static_cast<std::uint32_t>(30 * kDay);
  RunFor(1000);
  State().ConnectTick -= static_cast<std::uint32_t>(30 * kDay);
  RunFor(1000);
  main->Form().Show();
  RunFor(1000);
  EXPECT_NEAR(State().OnlineDays, 60.0, 0.001);
  EXPECT_EQ(main->Online().GetOnlineTime(true).rfind(" Online-Time (d:h:m:s,ms): 60 : 00:00:0", 0),
            0u)
      << main->Online().GetOnlineTime(true);
}

}  // namespace
