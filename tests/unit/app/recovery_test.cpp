// The broken-connection recovery on simulated time: what it logs and shows, the markers it leaves
// for the next start, that it ends the process with a restart held back in real time while
// restarts come in a row, and that a quit or a signal during it ends the program without one.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "app/auto_ftp.h"
#include "app/connection_recovery.h"
#include "app/life_cycle.h"
#include "app/tray_model.h"
#include "unit/app/support/stayline_fixture.h"

namespace {

using app_test::StaylineTest;

class RecoveryTest : public StaylineTest {
 protected:
  std::vector<std::string> captions;
  std::vector<std::string> panels;
  forms::Subscription watch;

  void Watch() {
    watch =
        Form().Observe([this](const forms::Form& f, const forms::Control* c, std::string_view p) {
          if (!c && p == "Caption") captions.push_back(f.Caption());
          if (c == &Form().StatusBar1) panels.push_back(Form().StatusBar1.Panel(1));
        });
  }
};

TEST_F(RecoveryTest, ABrokenLineIsLoggedHungUpWaitedForAndRestarted) {
  StartAutoDial({{"FTPLogFile", "1"}});
  ASSERT_TRUE(RunUntilOnline("10.64.0.10"));
  main->Regs().OnlineDelay = "1";  // a dial delay is configured
  Watch();
  std::ofstream(main->LocalPagePath()) << "<html>old address</html>";
  app::AutoFtp::Session& publishing = main->Publisher().State();
  publishing.AutoFtpArmed = false;
  publishing.TickCount = 7;
  publishing.UploadIssued = true;
  Sim().Break("");
  const std::int64_t broken = loop.NowMs();
  ASSERT_TRUE(RunUntil([&] { return !exited.empty(); }, 30'000));
  // two waits of five seconds
  EXPECT_GE(loop.NowMs() - broken, 10'000);
  EXPECT_LE(loop.NowMs() - broken, 13'000);
  EXPECT_EQ(restarts, 1);
  EXPECT_EQ(exited, std::vector<int>{1});
  EXPECT_EQ(terminated, std::vector<int>{1});
  EXPECT_TRUE(State().RestartInProgress);

  const auto lines = TimeLogLines();
  std::size_t corrupt = 0;
  while (corrupt < lines.size() && lines[corrupt].rfind("Corrupt....", 0) != 0) ++corrupt;
  ASSERT_LT(corrupt, lines.size()) << TimeLog();
  ASSERT_GE(corrupt, 1u);
  EXPECT_EQ(lines[corrupt - 1], "");
  EXPECT_EQ(lines[corrupt + 1], "");
  EXPECT_NE(lines[corrupt].find("| DisConnect: ReStart Connection in 10s | ServerIP"),
            std::string::npos)
      << lines[corrupt];
  const std::string ftpLog = ReadFile(paths.dataDir + "/FTP.Log");
  EXPECT_EQ(ftpLog.rfind("FTPError: Corrupt DisConnect - ReStart Connection in 10s - ", 0), 0u)
      << ftpLog;

  const std::vector<std::string> expectedCaptions = {
      " Stayline 1.0.0.0 - Corrupt Disconnect - Clear Memory in:  4s",
      " Stayline 1.0.0.0 - Corrupt Disconnect - Clear Memory in:  3s",
      " Stayline 1.0.0.0 - Corrupt Disconnect - Clear Memory in:  2s",
      " Stayline 1.0.0.0 - Corrupt Disconnect - Clear Memory in:  1s",
      " Stayline 1.0.0.0 - Corrupt Disconnect - Restart in:  4s",
      " Stayline 1.0.0.0 - Corrupt Disconnect - Restart in:  3s",
      " Stayline 1.0.0.0 - Corrupt Disconnect - Restart in:  2s",
      " Stayline 1.0.0.0 - Corrupt Disconnect - Restart in:  1s",
  };
  EXPECT_EQ(captions, expectedCaptions);
  ASSERT_FALSE(panels.empty());
  EXPECT_EQ(panels.front(), "Corrupt Disconnect");
  EXPECT_NE(std::find(panels.begin(), panels.end(), "Corrupt Disconnect - Clear Memory in:  5s"),
            panels.end());
  EXPECT_NE(std::find(panels.begin(), panels.end(), "Corrupt Disconnect - Restart in:  5s"),
            panels.end());
  EXPECT_EQ(Form().StatusBar1.Panel(1), "Restart");

  // the FTP state and the page of the old address are gone
  // (the close handler purges the cache once more)
  // (the last stop of all activity leaves the publishing passive until the new instance)
  EXPECT_TRUE(publishing.ManualSession);
  EXPECT_EQ(publishing.TickCount, 0);
  EXPECT_FALSE(publishing.UploadIssued);
  EXPECT_FALSE(std::filesystem::exists(main->LocalPagePath()));
  // markers for the next start: the dial delay is skipped once
  EXPECT_EQ(Stored("TempDelay"), "1");
  EXPECT_EQ(Stored("ErrorDelay"), "1");
  // the line was hung up, every timer is off
  std::vector<ras::RASCONNA> conns(4);
  conns[0].dwSize = ras::kSizeRasConn;
  std::uint32_t bytes = 4 * ras::kSizeRasConn;
  std::uint32_t count = 9;
  ASSERT_EQ(line->RasEnumConnectionsA(conns.data(), &bytes, &count), 0u);
  EXPECT_EQ(count, 0u);
  for (const char* t : {"TimerX", "TimerCaption", "TimerTNA", "PingTimer", "PingImageTimer",
                        "FTPRefreshTimer", "DelayTimer", "TimeOutTimer", "WaitTimer1"}) {
    EXPECT_FALSE(Form().Get<forms::TimerControl>(t).Enabled()) << t;
  }
}

TEST_F(RecoveryTest, ASecondRequestDuringTheRecoveryEndsTheProcessAtOnce) {
  StartAutoDial();
  ASSERT_TRUE(RunUntilOnline("10.64.0.10"));
  bool secondAsked = false;
  loop.CallAfter(2000, [&] {
    secondAsked = true;
    main->Tray().PopupHangUpClick();
    EXPECT_EQ(exited, std::vector<int>{1});
    EXPECT_EQ(restarts, 0);
  });
  main->Tray().PopupHangUpClick();
  EXPECT_TRUE(secondAsked);
  // the process has ended (here only recorded): the first recovery does not go on to a restart
  EXPECT_EQ(restarts, 0);
  EXPECT_EQ(exited, std::vector<int>{1});
}

TEST_F(RecoveryTest, TheTrayHangUpRunsTheRecoveryWithoutLoggingWhenTheLogIsOff) {
  StartAutoDial({{"SaveOnlineTimer", "0"}});
  ASSERT_TRUE(RunUntilOnline("10.64.0.10"));
  Form().PopupHangUp.UserClick();
  EXPECT_EQ(restarts, 1);
  EXPECT_EQ(TimeLog().find("Corrupt"), std::string::npos);
  EXPECT_EQ(Stored("TempDelay"), "0");  // no dial delay was on
}

// The restart's backoff, with the real clock standing still (a program on simulated time) or
// running with the loop's (a program on real time, whose recovery waits count).
struct BackoffCase {
  int restartsInARow;
  bool realClockFollowsLoop;
  std::int64_t minWaitMs;  // the real-time wait before the restart; 0 for none
  std::int64_t maxWaitMs;
};

class RecoveryBackoffTest : public RecoveryTest,
                            public ::testing::WithParamInterface<BackoffCase> {};

TEST_P(RecoveryBackoffTest, TheRestartWaitsTheBackoffInRealTime) {
  const BackoffCase& c = GetParam();
  restartsInARow = c.restartsInARow;
  StartAutoDial();
  if (!c.realClockFollowsLoop) main->Recovery().Backoff().RealNowMs = [] { return 5'000; };
  ASSERT_TRUE(RunUntilOnline("10.64.0.10"));
  Watch();
  main->Tray().PopupHangUpClick();
  EXPECT_EQ(restarts, 1);
  EXPECT_EQ(main->Recovery().Backoff().NextCount(), c.restartsInARow + 1);
  const auto lines = TimeLogLines();
  auto backoffLine = std::find_if(lines.begin(), lines.end(), [](const std::string& l) {
    return l.rfind("Backoff....", 0) == 0;
  });
  if (c.maxWaitMs == 0) {
    EXPECT_TRUE(realWaits.empty());
    EXPECT_EQ(backoffLine, lines.end()) << TimeLog();
    EXPECT_EQ(captions.back(), " Stayline 1.0.0.0 - Corrupt Disconnect - Restart in:  1s");
    return;
  }
  ASSERT_EQ(realWaits.size(), 1u);
  EXPECT_GE(realWaits[0], c.minWaitMs);
  EXPECT_LE(realWaits[0], c.maxWaitMs);
  const std::string seconds = std::to_string((realWaits[0] + 999) / 1000);
  // after the two waits of the recovery, the backoff counts down in the caption and the panel
  const auto first = std::find(captions.begin(), captions.end(),
                               " Stayline 1.0.0.0 - Corrupt Disconnect - Restart in:  1s");
  ASSERT_NE(first, captions.end());
  ASSERT_NE(first + 1, captions.end());
  EXPECT_EQ(*(first + 1),
            " Stayline 1.0.0.0 - Corrupt Disconnect - Backoff, Restart in:  " + seconds + "s");
  EXPECT_EQ(captions.back(), " Stayline 1.0.0.0 - Corrupt Disconnect - Backoff, Restart in:  1s");
  EXPECT_NE(std::find(panels.begin(), panels.end(),
                      "Corrupt Disconnect - Backoff, Restart in:  " + seconds + "s"),
            panels.end());
  ASSERT_NE(backoffLine, lines.end()) << TimeLog();
  EXPECT_NE(backoffLine->find("| ReStart Connection in " + seconds + "s (restart " +
                              std::to_string(c.restartsInARow + 1) + " in a row, real time) |"),
            std::string::npos)
      << *backoffLine;
}

INSTANTIATE_TEST_SUITE_P(
    Restarts, RecoveryBackoffTest,
    ::testing::Values(
        // on simulated time the recovery's waits cost no real time: the backoff is all of it
        BackoffCase{0, false, 10'000, 10'000}, BackoffCase{1, false, 20'000, 20'000},
        BackoffCase{3, false, 80'000, 80'000}, BackoffCase{6, false, 600'000, 600'000},
        BackoffCase{1000, false, 600'000, 600'000},
        // on real time the first restart comes as before; a second in a row waits the rest
        BackoffCase{0, true, 0, 0}, BackoffCase{1, true, 9'000, 10'000}),
    [](const auto& info) {
      return "InARow" + std::to_string(info.param.restartsInARow) +
             (info.param.realClockFollowsLoop ? "RealTime" : "SimulatedTime");
    });

TEST_F(RecoveryTest, AConnectionThatStaysUpAMinuteSetsTheBackoffBack) {
  restartsInARow = 3;
  std::int64_t real = 0;
  StartAutoDial();
  main->Recovery().Backoff().RealNowMs = [&] { return real; };
  ASSERT_TRUE(RunUntilOnline("10.64.0.10"));
  RunFor(2000);
  real += 30'000;
  RunFor(2000);
  Sim().Drop("");  // down before the minute is over: the next connection counts afresh
  ASSERT_TRUE(RunUntilOnline("10.64.0.11", 5000));
  real += 31'000;
  RunFor(2000);
  EXPECT_EQ(main->Recovery().Backoff().RestartsInARow(), 3);
  real += 30'000;
  RunFor(2000);
  EXPECT_EQ(main->Recovery().Backoff().RestartsInARow(), 0);
  main->Tray().PopupHangUpClick();
  EXPECT_EQ(realWaits, std::vector<std::int64_t>{10'000});
  EXPECT_EQ(main->Recovery().Backoff().NextCount(), 1);
}

// A quit request (answered with the confirmation) or a signal while the recovery runs: the
// program ends as asked, the line is down, and nothing restarts.
struct EndCase {
  const char* name;
  bool duringBackoff;  // else during the first of the two waits
  bool signal;         // else the quit request
};

class RecoveryEndTest : public RecoveryTest, public ::testing::WithParamInterface<EndCase> {
 protected:
  void End(bool signal) {
    if (signal) {  // as the program answers SIGINT
      main->Life().Close();
      loop.Quit(0);
    } else {  // as the program answers "quit"
      dialogs.QueueAnswerFirst("Yes");
      main->Life().Beenden1Click();
    }
  }
};

TEST_P(RecoveryEndTest, EndsTheProgramAndCancelsTheRestart) {
  const EndCase& c = GetParam();
  restartsInARow = 2;
  StartAutoDial();
  main->Regs().OnlineDelay = "1";  // the recovery would leave TempDelay "1" for the restart
  ASSERT_TRUE(RunUntilOnline("10.64.0.10"));
  bool ended = false;
  if (c.duringBackoff) {
    main->Recovery().WaitRealTime = [&](std::int64_t, const std::function<void(int)>& onSecond,
                                        const std::function<bool()>& stop) {
      onSecond(40);
      End(c.signal);
      ended = true;
      return !stop();
    };
  } else {
    loop.CallAfter(2000, [&] {
      End(c.signal);
      ended = true;
    });
  }
  main->Tray().PopupHangUpClick();
  ASSERT_TRUE(ended);
  EXPECT_EQ(restarts, 0);
  EXPECT_TRUE(exited.empty());
  EXPECT_EQ(terminated, c.signal ? std::vector<int>{} : std::vector<int>{0});
  EXPECT_EQ(State().CloseCount, 1) << "the close handler ran once, for the end asked for";
  EXPECT_EQ(Stored("TempDelay"), "0");
  EXPECT_NE(TimeLog().find("PgmEnd....:"), std::string::npos);
  std::vector<ras::RASCONNA> conns(4);
  conns[0].dwSize = ras::kSizeRasConn;
  std::uint32_t bytes = 4 * ras::kSizeRasConn;
  std::uint32_t count = 9;
  ASSERT_EQ(line->RasEnumConnectionsA(conns.data(), &bytes, &count), 0u);
  EXPECT_EQ(count, 0u);
  EXPECT_FALSE(Form().WaitTimer1.Enabled());
}

INSTANTIATE_TEST_SUITE_P(QuitOrSignal, RecoveryEndTest,
                         ::testing::Values(EndCase{"QuitDuringWait", false, false},
                                           EndCase{"SignalDuringWait", false, true},
                                           EndCase{"QuitDuringBackoff", true, false},
                                           EndCase{"SignalDuringBackoff", true, true}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
