// The broken-connection recovery on simulated time: what it logs and shows, the markers it leaves
// for the next start, and that it always ends the process.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "app/connection_recovery.h"
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
  std::vector<std::string> cleared;
  main->Later.PurgeFtpCache = [&] { cleared.push_back("cache"); };
  main->Later.ResetUploadState = [&] { cleared.push_back("upload state"); };
  main->Later.ArmAutoFtp = [&] { cleared.push_back("armed"); };
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

  // the FTP state and the page of the old address are gone, publishing is armed again
  // (the close handler purges the cache once more)
  ASSERT_GE(cleared.size(), 3u);
  EXPECT_EQ(std::vector<std::string>(cleared.begin(), cleared.begin() + 3),
            (std::vector<std::string>{"cache", "upload state", "armed"}));
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
  EXPECT_EQ(restarts, 1);
}

TEST_F(RecoveryTest, TheTrayHangUpRunsTheRecoveryWithoutLoggingWhenTheLogIsOff) {
  StartAutoDial({{"SaveOnlineTimer", "0"}});
  ASSERT_TRUE(RunUntilOnline("10.64.0.10"));
  Form().PopupHangUp.UserClick();
  EXPECT_EQ(restarts, 1);
  EXPECT_EQ(TimeLog().find("Corrupt"), std::string::npos);
  EXPECT_EQ(Stored("TempDelay"), "0");  // no dial delay was on
}

}  // namespace
