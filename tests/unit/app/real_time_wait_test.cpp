// The real-time wait of the recovery's backoff on a simulated clock: it costs real time, the
// simulated world waits with it, and a stop or a quit ends it.

#include "app/real_time_wait.h"

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "core/sim_loop.h"

namespace {

using Clock = std::chrono::steady_clock;

TEST(RealTimeWait, TakesRealTimeWhileTheSimulatedClockStandsStill) {
  core::SimLoop loop;
  const std::int64_t simStart = loop.NowMs();
  bool simTimerFired = false;
  loop.CallAfter(50, [&] { simTimerFired = true; });
  std::vector<int> seconds;
  const auto start = Clock::now();
  EXPECT_TRUE(app::RealTimeWait::Run(
      loop, 1200, [&](int left) { seconds.push_back(left); }, [] { return false; }));
  EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(1200));
  EXPECT_EQ(seconds, (std::vector<int>{2, 1}));
  EXPECT_EQ(loop.NowMs(), simStart);
  EXPECT_FALSE(simTimerFired) << "the simulated world waits with the clock";
  loop.RunFor(100);
  EXPECT_TRUE(simTimerFired);
}

TEST(RealTimeWait, EndsEarlyWhenToldToStopOrWhenTheLoopIsToQuit) {
  core::SimLoop loop;
  const auto start = Clock::now();
  EXPECT_FALSE(app::RealTimeWait::Run(
      loop, 60'000, [](int) {},
      [&] { return Clock::now() - start > std::chrono::milliseconds(100); }));
  loop.Post([&] { loop.Quit(0); });  // as a signal's handler does
  EXPECT_FALSE(app::RealTimeWait::Run(
      loop, 60'000, [](int) {}, [] { return false; }));
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
}

}  // namespace
