// The core loop inside Qt's: timers, posts from other threads, descriptor watches, nested waits.
#include "gui/qt_event_loop.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QTimer>
#include <thread>
#include <vector>

#include "core/unique_fd.h"

namespace {

TEST(QtEventLoop, TimersFireInDueOrderAndQuitEndsRunWithItsCode) {
  gui::QtEventLoop loop;
  std::vector<int> order;
  for (int ms : {30, 10, 20, 0}) loop.CallAfter(ms, [&order, ms] { order.push_back(ms); });
  const auto cancelled = loop.CallAfter(15, [&order] { order.push_back(-1); });
  loop.Cancel(cancelled);
  loop.CallAfter(40, [&loop] { loop.Quit(3); });
  EXPECT_EQ(loop.Run(), 3);
  EXPECT_EQ(order, (std::vector<int>{0, 10, 20, 30}));
}

TEST(QtEventLoop, TasksPostedFromAnotherThreadArrive) {
  gui::QtEventLoop loop;
  std::vector<int> got;
  std::thread worker([&loop, &got] {
    for (int i = 0; i < 3; ++i) loop.PostFromAnyThread([&got, i] { got.push_back(i); });
    loop.PostFromAnyThread([&loop] { loop.Quit(5); });
  });
  const auto guard = loop.CallAfter(5000, [&loop] { loop.Quit(-1); });
  EXPECT_EQ(loop.Run(), 5);
  loop.Cancel(guard);
  worker.join();
  EXPECT_EQ(got, (std::vector<int>{0, 1, 2}));
}

TEST(QtEventLoop, ReadableDescriptorRunsItsWatchUntilUnwatched) {
  gui::QtEventLoop loop;
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  core::UniqueFd readEnd(fds[0]), writeEnd(fds[1]);
  std::string got;
  core::EventLoop::WatchId id = 0;
  id = loop.WatchFd(readEnd.Get(), core::kIoRead, [&](unsigned events) {
    EXPECT_TRUE(events & core::kIoRead);
    char buf[16];
    const auto n = ::read(readEnd.Get(), buf, sizeof buf);
    if (n > 0) got.append(buf, static_cast<std::size_t>(n));
    if (got == "ab") {
      loop.Unwatch(id);
      loop.Quit(0);
    }
  });
  loop.CallAfter(5, [&] { ASSERT_EQ(::write(writeEnd.Get(), "a", 1), 1); });
  loop.CallAfter(15, [&] { ASSERT_EQ(::write(writeEnd.Get(), "b", 1), 1); });
  const auto guard = loop.CallAfter(5000, [&loop] { loop.Quit(-1); });
  EXPECT_EQ(loop.Run(), 0);
  loop.Cancel(guard);
  EXPECT_EQ(got, "ab");
}

TEST(QtEventLoop, AWaitInsideAHandlerRunsQtEventsAndCoreWork) {
  gui::QtEventLoop loop;
  bool qtRan = false, coreRan = false, timerRan = false, waited = false;
  loop.CallAfter(0, [&] {
    QTimer::singleShot(0, [&] { qtRan = true; });
    loop.Post([&] { coreRan = true; });
    loop.CallAfter(10, [&] { timerRan = true; });
    waited = loop.RunUntil([&] { return qtRan && coreRan && timerRan; }, 5000);
    loop.Quit(0);
  });
  EXPECT_EQ(loop.Run(), 0);
  EXPECT_TRUE(waited);
}

TEST(QtEventLoop, QuitBeforeRunEndsItAtOnceAndALaterRunStartsAfresh) {
  gui::QtEventLoop loop;
  loop.Quit(9);
  EXPECT_EQ(loop.Run(), 9);
  bool ran = false;
  loop.CallAfter(1, [&] {
    ran = true;
    loop.Quit(1);
  });
  EXPECT_EQ(loop.Run(), 1);
  EXPECT_TRUE(ran);
}

}  // namespace
