#include <gtest/gtest.h>

#include <unistd.h>
#include <atomic>
#include <stdexcept>
#include <thread>

#include "core/poll_loop.h"
#include "core/sim_loop.h"
#include "core/timer.h"

namespace {

TEST(SimLoop, TimersRunInVirtualTimeWithClassicSemantics) {
  core::SimLoop loop(0);
  core::Timer timer(loop, "T", 1000, false);
  std::vector<std::int64_t> fired;
  timer.OnTimer = [&] { fired.push_back(loop.NowMs()); };
  loop.RunFor(5000);
  EXPECT_TRUE(fired.empty()) << "a disabled timer never fires";

  timer.SetEnabled(true);  // fresh interval from now (5000)
  loop.RunFor(3500);
  EXPECT_EQ(fired, (std::vector<std::int64_t>{6000, 7000, 8000}));

  // A new interval while enabled restarts the interval from now.
  timer.SetInterval(300);
  fired.clear();
  loop.RunFor(1000);
  EXPECT_EQ(fired, (std::vector<std::int64_t>{8800, 9100, 9400}));

  // A handler that switches its own timer off stops it for good.
  fired.clear();
  timer.OnTimer = [&] {
    fired.push_back(loop.NowMs());
    timer.SetEnabled(false);
  };
  loop.RunFor(5000);
  EXPECT_EQ(fired.size(), 1u);
}

TEST(SimLoop, TwentyMinutesOfTicksTakeNoRealTime) {
  core::SimLoop loop;
  core::Timer tick(loop, "TimerCaption", 1000, true);
  int count = 0;
  tick.OnTimer = [&] { ++count; };
  const auto start = std::chrono::steady_clock::now();
  loop.RunFor(20 * 60 * 1000);
  EXPECT_EQ(count, 1200);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

TEST(EventLoop, ProcessMessagesIsReentrant) {
  core::SimLoop loop(0);
  core::Timer outer(loop, "outer", 100, true);
  core::Timer inner(loop, "inner", 10, true);
  int innerCount = 0;
  int outerCount = 0;
  inner.OnTimer = [&] { ++innerCount; };
  outer.OnTimer = [&] {
    ++outerCount;
    outer.SetEnabled(false);  // as long waits do: switch off what could re-enter
    // a long wait inside a handler pumps the loop, so other timers keep running
    const auto until = loop.NowMs() + 50;
    while (loop.NowMs() < until) {
      if (!loop.ProcessMessages()) loop.AdvanceMs(1);
    }
  };
  loop.RunFor(200);
  EXPECT_EQ(outerCount, 1);
  EXPECT_GE(innerCount, 15);
}

TEST(EventLoop, PostFromAnyThreadRunsOnTheLoopInOrder) {
  core::PollLoop loop;
  std::vector<int> seen;
  const auto loopThread = std::this_thread::get_id();
  bool allOnLoopThread = true;
  std::thread worker([&] {
    for (int i = 0; i < 100; ++i) {
      loop.PostFromAnyThread([&, i] {
        seen.push_back(i);
        allOnLoopThread = allOnLoopThread && std::this_thread::get_id() == loopThread;
      });
    }
  });
  EXPECT_TRUE(loop.RunUntil([&] { return seen.size() == 100; }, 5000));
  worker.join();
  EXPECT_TRUE(allOnLoopThread);
  for (int i = 0; i < 100; ++i) EXPECT_EQ(seen[i], i);
}

TEST(SimLoop, DoesNotJumpTheClockWhileAnotherThreadWorksForIt) {
  core::SimLoop loop(0);
  core::Timer timeout(loop, "timeout", 1000, true);
  bool timedOut = false;
  bool answered = false;
  timeout.OnTimer = [&] { timedOut = true; };
  auto work = std::make_shared<core::EventLoop::ExternalWork>(loop);
  std::thread worker([&, work]() mutable {
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    loop.PostFromAnyThread([&] { answered = true; });
    work.reset();
  });
  work.reset();
  loop.RunUntil([&] { return answered; }, 10000);
  worker.join();
  EXPECT_TRUE(answered);
  EXPECT_FALSE(timedOut);
}

TEST(EventLoop, AnExceptionInAHandlerIsReportedAndTheLoopGoesOn) {
  core::SimLoop loop(0);
  std::vector<std::string> errors;
  loop.SetErrorDisplay([&](const std::string& e) { errors.push_back(e); });
  core::Timer bad(loop, "bad", 100, true);
  int ticks = 0;
  bad.OnTimer = [&] {
    ++ticks;
    throw std::runtime_error("boom");
  };
  loop.RunFor(350);
  EXPECT_EQ(ticks, 3) << "the timer keeps running after its handler threw";
  ASSERT_EQ(errors.size(), 3u);
  EXPECT_EQ(errors[0], "boom");
}

TEST(EventLoop, RunEndsWithTheQuitCodeAlsoWhenQuitCameFirst) {
  core::SimLoop loop(0);
  loop.Quit(3);  // e.g. asked for by the start-up, before the loop runs
  EXPECT_EQ(loop.Run(), 3);
  int ran = 0;
  loop.CallAfter(1000, [&] {
    ++ran;
    loop.Quit(4);
  });
  EXPECT_EQ(loop.Run(), 4) << "a later run starts afresh";
  EXPECT_EQ(ran, 1);
}

TEST(EventLoop, TickCountIs32BitAndWraps) {
  core::SimLoop loop((std::int64_t{1} << 32) - 500);
  const std::uint32_t before = loop.GetTickCount();
  loop.RunFor(1000);
  const std::uint32_t after = loop.GetTickCount();
  EXPECT_GT(before, after);
  EXPECT_EQ(static_cast<std::uint32_t>(after - before), 1000u);
}

TEST(PollLoop, WatchesDescriptors) {
  core::PollLoop loop;
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  std::string got;
  auto id = loop.WatchFd(fds[0], core::kIoRead, [&](unsigned ev) {
    char buf[16];
    if (ev & core::kIoRead) {
      auto n = ::read(fds[0], buf, sizeof buf);
      if (n > 0) got.append(buf, n);
    }
  });
  loop.CallAfter(10, [&] { ASSERT_EQ(::write(fds[1], "hi", 2), 2); });
  EXPECT_TRUE(loop.RunUntil([&] { return got == "hi"; }, 2000));
  loop.Unwatch(id);
  ::close(fds[0]);
  ::close(fds[1]);
}

}  // namespace
