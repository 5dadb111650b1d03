// The "Ping" group on simulated time, with a scripted echo client: one ping, the auto-ping, the
// reply list, the guard that dials first, and the check boxes.

#include "app/auto_ping.h"

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "app/t_stayline.h"
#include "unit/app/support/stayline_fixture.h"

namespace {

using app_test::StaylineTest;

net::TReplyStatus Reply(std::uint32_t ms, std::uint16_t seq = 3) {
  net::TReplyStatus r;
  r.ByteCount = 72;
  r.SourceAddress = "127.0.0.1";
  r.Sequence = seq;
  r.RoundTrip = ms;
  r.Ttl = 64;
  r.Status = net::TReplyStatusTypes::Echo;
  return r;
}

// Answers each ping with the next scripted step (a 0 ms reply when the script has run out).
class ScriptedEcho final : public net::IcmpEcho {
 public:
  struct Step {
    net::TReplyStatus reply;
    const char* raise = nullptr;
  };
  void Ping() override {
    sent.push_back(Host);
    timeouts.push_back(ReceiveTimeout);
    Step step{Reply(0, static_cast<std::uint16_t>(sent.size()))};
    if (!script.empty()) {
      step = script.front();
      script.pop_front();
    }
    if (step.raise) throw net::IcmpDecodeError(step.raise);
    if (OnReply) OnReply(*this, step.reply);
  }
  std::deque<Step> script;
  std::vector<std::string> sent;  // the host of every request
  std::vector<int> timeouts;
};

class AutoPingTest : public StaylineTest {
 protected:
  explicit AutoPingTest(const std::string& phonebook = "") : StaylineTest(phonebook) {}

  // A machine online by other means: no phonebook entries, English texts.
  void StartPing(std::map<std::string, std::string> settings = {}) {
    settings.emplace("Language", "0");
    Start(settings);
    auto client = std::make_unique<ScriptedEcho>();
    echo = client.get();
    main->Pinger().SetEchoClient(std::move(client));
    loop.SetErrorDisplay([this](const std::string& e) { errors.push_back(e); });
    RunFor(10);
  }
  app::AutoPing& Ping() { return main->Pinger(); }
  // A user's click as the program receives it: through the loop, whose error display shows
  // what a handler raises.
  void Click(forms::Control& control) {
    loop.Post([&control] { control.UserClick(); });
    RunFor(10);
  }
  std::vector<std::string> Lines() { return Form().lstReplies.Items(); }
  bool Running() {
    return Form().StopAutoPing.Enabled() && Form().PingTimer.Enabled() &&
           Form().PingImageTimer.Enabled() && !Form().StartAutoPing.Enabled() &&
           !Form().btnPing.Enabled();
  }

  ScriptedEcho* echo = nullptr;
  std::vector<std::string> errors;
};

TEST_F(AutoPingTest, ReplyLinesAndTheNoAnswerLineInBothLanguages) {
  StartPing();
  struct Case {
    const char* language;
    net::TReplyStatus reply;
    std::string line;
    int beeps;
  } cases[] = {
      {"0", Reply(0), "72 bytes from 127.0.0.1: icmp_seq=3 ttl=64 time<1 ms", 0},
      {"0", Reply(31), "72 bytes from 127.0.0.1: icmp_seq=3 ttl=64 time=31 ms", 0},
      {"1", Reply(1000, 65535), "72 bytes from 127.0.0.1: icmp_seq=65535 ttl=64 time=1000 ms", 0},
      {"0", net::TimedOutReply(4), "Error : LocalHost ,no answer!", 1},
      {"1", net::TimedOutReply(4), "Fehler : LocalHost antwortet nicht oder ist geschützt!", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    main->Regs().Language = c.language;
    Form().lstReplies.ClearItems();
    const int beeps = dialogs.BeepCount();
    Ping().ICMPReply(c.reply);
    EXPECT_EQ(Lines(), std::vector<std::string>{c.line});
    EXPECT_EQ(dialogs.BeepCount() - beeps, c.beeps);
  }
}

TEST_F(AutoPingTest, NewestFirstAndTheFiftySecondLineClearsTheList) {
  StartPing();
  for (std::uint32_t ms = 1; ms <= 3; ++ms) Ping().ICMPReply(Reply(ms));
  EXPECT_EQ(Lines(), (std::vector<std::string>{
                         "72 bytes from 127.0.0.1: icmp_seq=3 ttl=64 time=3 ms",
                         "72 bytes from 127.0.0.1: icmp_seq=3 ttl=64 time=2 ms",
                         "72 bytes from 127.0.0.1: icmp_seq=3 ttl=64 time=1 ms",
                     }));
  for (std::uint32_t ms = 4; ms <= 51; ++ms) Ping().ICMPReply(Reply(ms));
  ASSERT_EQ(Form().lstReplies.Count(), 51);
  EXPECT_EQ(Lines().front(), "72 bytes from 127.0.0.1: icmp_seq=3 ttl=64 time=51 ms");
  EXPECT_EQ(Lines().back(), "72 bytes from 127.0.0.1: icmp_seq=3 ttl=64 time=1 ms");
  Ping().ICMPReply(Reply(52));
  EXPECT_EQ(Lines(),
            std::vector<std::string>{"72 bytes from 127.0.0.1: icmp_seq=3 ttl=64 time=52 ms"});
}

TEST_F(AutoPingTest, OnePing) {
  StartPing();
  // an empty host only beeps
  Form().edtHost.SetText("   ");
  Click(Form().btnPing);
  EXPECT_EQ(dialogs.BeepCount(), 1);
  EXPECT_TRUE(echo->sent.empty());
  EXPECT_EQ(Form().edtHost.Text(), "");
  // the host is trimmed, stored and pinged once with a one-second wait
  Form().edtHost.SetText("  LocalHost ");
  echo->script.push_back({Reply(0)});
  Click(Form().btnPing);
  EXPECT_EQ(echo->sent, std::vector<std::string>{"LocalHost"});
  EXPECT_EQ(echo->timeouts, std::vector<int>{1000});
  EXPECT_EQ(Stored("PingHost"), "LocalHost");
  EXPECT_EQ(Lines(),
            std::vector<std::string>{"72 bytes from 127.0.0.1: icmp_seq=3 ttl=64 time<1 ms"});
  EXPECT_TRUE(Form().btnPing.Enabled());
  EXPECT_EQ(dialogs.BeepCount(), 1);
}

TEST_F(AutoPingTest, ADecodeErrorReachesTheErrorDisplayAndLeavesTheButtonsUsable) {
  StartPing();
  State().ManualHangUp = true;
  echo->script.push_back({{}, "Non-echo type response received"});
  Click(Form().btnPing);
  EXPECT_EQ(errors, std::vector<std::string>{"Non-echo type response received"});
  EXPECT_TRUE(Form().btnPing.Enabled());
  EXPECT_TRUE(State().ManualHangUp);
  // the same at the start of an auto-ping: it does not start, the manual ping stays usable
  echo->script.push_back({{}, "Not enough bytes received"});
  Click(Form().StartAutoPing);
  EXPECT_EQ(errors.back(), "Not enough bytes received");
  EXPECT_FALSE(Form().StopAutoPing.Enabled());
  EXPECT_TRUE(Form().btnPing.Enabled());
  EXPECT_TRUE(State().ManualHangUp);
  EXPECT_TRUE(Lines().empty());
}

TEST_F(AutoPingTest, IntervalValidation) {
  StartPing();
  struct Case {
    const char* text;
    bool seconds;
    std::uint32_t period;  // 0: invalid, nothing starts
  } cases[] = {
      {"0", false, 0},
      {"05", false, 0},
      {"5a", false, 0},
      {"", false, 0},
      {"-5", false, 0},
      {"5", false, 300000},
      {"5", true, 5000},
      {" 7 ", true, 7000},
      {"35791", false, 2147460000},
      {"2147483", true, 2147483000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    if (c.seconds) {
      Form().SekundenIntervall.SetChecked(true);
    } else {
      Form().MinutenIntervall.SetChecked(true);
    }
    Form().Interval.SetText(c.text);
    const std::size_t pings = echo->sent.size();
    const int beeps = dialogs.BeepCount();
    Click(Form().StartAutoPing);
    EXPECT_EQ(dialogs.BeepCount(), beeps);
    EXPECT_TRUE(errors.empty());
    if (c.period == 0) {
      EXPECT_FALSE(Form().StopAutoPing.Enabled());
      EXPECT_FALSE(Form().PingTimer.Enabled());
      EXPECT_EQ(echo->sent.size(), pings);
      continue;
    }
    EXPECT_TRUE(Running());
    EXPECT_EQ(Form().PingTimer.Interval(), c.period);
    EXPECT_EQ(echo->sent.size(), pings + 1);
    EXPECT_EQ(Stored("PingInterval"), core::Trim(c.text));
    Click(Form().StopAutoPing);
  }
  // a period beyond 32 bits is an error; the hang-up flag is put back
  State().ManualHangUp = true;
  Form().MinutenIntervall.SetChecked(true);
  Form().Interval.SetText("35792");
  Click(Form().StartAutoPing);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_NE(errors[0].find("35792"), std::string::npos);
  EXPECT_FALSE(Form().StopAutoPing.Enabled());
  EXPECT_TRUE(State().ManualHangUp);
}

TEST_F(AutoPingTest, TheAutoPingRunsEveryPeriodAndStopsWithALastPing) {
  StartPing({{"PingBlink", "1"}});
  Form().Show();  // the tick keeps the tray item and the host edit up to date while shown
  Form().SekundenIntervall.SetChecked(true);
  Form().Interval.SetText("5");
  Click(Form().StartAutoPing);
  ASSERT_TRUE(Running());
  EXPECT_EQ(echo->sent.size(), 1u);
  RunFor(1000);
  EXPECT_TRUE(Form().PopupStopAutoPing.Visible());
  EXPECT_FALSE(Form().edtHost.Enabled());
  // the tray blinks between the offline pair (no line here)
  std::vector<std::string> icons;
  for (int i = 0; i < 3; ++i) {
    RunFor(1000);
    icons.push_back(Form().TrayIcon.Icon());
  }
  EXPECT_TRUE((icons == std::vector<std::string>{"DrivePingX1", "DrivePingX2", "DrivePingX1"} ||
               icons == std::vector<std::string>{"DrivePingX2", "DrivePingX1", "DrivePingX2"}))
      << icons[0] << " " << icons[1] << " " << icons[2];
  RunFor(1000);
  EXPECT_EQ(echo->sent.size(), 2u);  // one per 5 s
  // an edit of the interval takes effect at the next period; an invalid one keeps the last
  Form().Interval.SetText("2");
  RunFor(5000);
  EXPECT_EQ(Form().PingTimer.Interval(), 2000u);
  const std::size_t before = echo->sent.size();
  RunFor(4000);
  EXPECT_EQ(echo->sent.size(), before + 2);
  Form().Interval.SetText("x");
  RunFor(6000);
  EXPECT_EQ(Form().PingTimer.Interval(), 2000u);
  EXPECT_EQ(Stored("PingInterval"), "5");  // the timer keeps it in the record only
  EXPECT_EQ(main->Regs().PingInterval, "2");
  // stopping from the tray menu: idle, one last ping, "Start AutoPing" unchecked and stored
  Form().StartAutoPingBox.SetChecked(true);
  const std::size_t sent = echo->sent.size();
  Click(Form().PopupStopAutoPing);
  EXPECT_EQ(echo->sent.size(), sent + 1);
  EXPECT_FALSE(Form().StopAutoPing.Enabled());
  EXPECT_TRUE(Form().StartAutoPing.Enabled());
  EXPECT_TRUE(Form().btnPing.Enabled());
  EXPECT_FALSE(Form().PingTimer.Enabled());
  EXPECT_FALSE(Form().PingImageTimer.Enabled());
  EXPECT_EQ(Form().PingTimer.Interval(), 1000u);
  EXPECT_FALSE(Form().StartAutoPingBox.Checked());
  EXPECT_EQ(Stored("PingAutoRun"), "0");
  RunFor(1000);
  EXPECT_FALSE(Form().PopupStopAutoPing.Visible());
  EXPECT_TRUE(Form().edtHost.Enabled());
  EXPECT_EQ(echo->sent.size(), sent + 1);  // and it stays stopped
}

TEST_F(AutoPingTest, StartAutoPingKeepsItRunningFromTheFirstTick) {
  StartPing({{"PingAutoRun", "1"}, {"PingInterval", "3"}, {"PingInterValMS", "s"}});
  EXPECT_TRUE(Form().StartAutoPingBox.Checked());
  RunFor(1000);
  EXPECT_TRUE(Running());
  EXPECT_EQ(Form().PingTimer.Interval(), 3000u);
  // another part stops both timers: the buttons keep the running state and nothing restarts
  Form().PingTimer.SetEnabled(false);
  Form().PingImageTimer.SetEnabled(false);
  const std::size_t sent = echo->sent.size();
  RunFor(10000);
  EXPECT_EQ(echo->sent.size(), sent);
  // the check box's clicks store the flag; blinking is written at once
  Form().StartAutoPingBox.UserClick();
  EXPECT_EQ(Stored("PingAutoRun"), "0");
  Form().StartAutoPingBox.UserClick();
  EXPECT_EQ(Stored("PingAutoRun"), "1");
  Form().PingBlinkOnOff.UserClick();
  EXPECT_EQ(Stored("PingBlink"), "1");
  Form().PingBlinkOnOff.UserClick();
  EXPECT_EQ(Stored("PingBlink"), "0");
}

TEST_F(AutoPingTest, AnErrorStartingFromTheTickIsShownAndTheTickGoesOn) {
  StartPing({{"PingAutoRun", "1"}, {"PingInterval", "99999999"}});
  Form().TrayIcon.Modify("DrivePing2", "Stayline");
  RunFor(1000);
  ASSERT_FALSE(errors.empty());
  EXPECT_NE(errors[0].find("99999999"), std::string::npos);
  EXPECT_FALSE(Form().StopAutoPing.Enabled());
  EXPECT_EQ(Form().TrayIcon.Icon(), "ImageNotConnect");  // the tick's later duties ran
}

TEST_F(AutoPingTest, EnterInTheHostEdit) {
  StartPing();
  Ping().edtHostKeyDown(65);
  EXPECT_TRUE(echo->sent.empty());
  Form().edtHost.SetProperty("KeyDown", "13", forms::Origin::User);  // as a user presses Enter
  EXPECT_EQ(echo->sent.size(), 1u);
  EXPECT_TRUE(Form().btnPing.Enabled());
  Form().SekundenIntervall.SetChecked(true);
  Click(Form().StartAutoPing);
  Ping().edtHostKeyDown(app::AutoPing::kEnterKey);
  EXPECT_EQ(echo->sent.size(), 3u);
  EXPECT_FALSE(Form().btnPing.Enabled());  // the auto-ping still runs
}

TEST_F(AutoPingTest, NothingButTheTimerWhileTheDialDelayRuns) {
  StartPing();
  Form().SekundenIntervall.SetChecked(true);
  Click(Form().StartAutoPing);
  ASSERT_TRUE(Running());
  State().DialDelayActive = true;
  const std::size_t sent = echo->sent.size();
  Form().StopAutoPing.SetEnabled(true);
  Form().btnPing.SetEnabled(true);
  Form().btnPing.UserClick();
  Click(Form().StopAutoPing);
  EXPECT_EQ(echo->sent.size(), sent);
  EXPECT_TRUE(Form().PingTimer.Enabled());
  RunFor(5000);
  EXPECT_EQ(echo->sent.size(), sent + 1);  // the period still pings
}

// With phonebook entries the guard dials a line that is down before a ping may go out.
class AutoPingDialTest : public AutoPingTest {
 protected:
  AutoPingDialTest() : AutoPingTest(app_test::kPhonebook) {}
};

TEST_F(AutoPingDialTest, APingWhileOfflineDialsAndBeepsThenPingsOnceOnline) {
  StartPing({{"StaylineConnection", "Office DSL"}});
  ASSERT_TRUE(State().HasPhonebookEntries);
  ASSERT_EQ(State().ActiveConnectionCount, 0);
  const int beeps = dialogs.BeepCount();
  Click(Form().btnPing);
  EXPECT_TRUE(echo->sent.empty());
  EXPECT_EQ(dialogs.BeepCount(), beeps + 1);
  ASSERT_TRUE(RunUntilOnline("10.64.0.10"));
  // the own address on the line into the host edit
  RunFor(1000);
  ASSERT_TRUE(Form().IPHandle.Visible());
  Form().IPHandle.UserClick();
  EXPECT_EQ(Form().edtHost.Text(), "10.64.0.10");
  Click(Form().btnPing);
  EXPECT_EQ(echo->sent, std::vector<std::string>{"10.64.0.10"});
  // a hidden label copies nothing
  Form().IPHandle.SetVisible(false);
  Form().edtHost.SetText("LocalHost");
  Ping().IPHandleClick();
  EXPECT_EQ(Form().edtHost.Text(), "LocalHost");
}

TEST_F(AutoPingDialTest, AManualHangUpStillLetsTheManualPingDial) {
  StartPing({{"StaylineConnection", "Office DSL"}});
  State().ManualHangUp = true;
  Click(Form().btnPing);
  EXPECT_TRUE(State().ManualHangUp);
  EXPECT_TRUE(RunUntilOnline("10.64.0.10"));
}

}  // namespace
