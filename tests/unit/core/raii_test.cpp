#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>
#include <vector>

#include "core/one_shot_timer.h"
#include "core/sim_loop.h"
#include "core/unique_fd.h"

namespace {

bool IsOpen(int fd) {
  return ::fcntl(fd, F_GETFD) != -1 || errno != EBADF;
}

TEST(UniqueFd, ClosesExactlyOnceAndNeverANumberItNoLongerOwns) {
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  const int readEnd = fds[0];
  {
    core::UniqueFd a(fds[0]);
    core::UniqueFd b(fds[1]);
    EXPECT_EQ(b.Close(), 0);
    EXPECT_FALSE(b.Valid());
    // The number b held is handed out again; b's destructor must leave the new owner alone.
    const int reused = ::dup(readEnd);
    ASSERT_EQ(reused, fds[1]);
    core::UniqueFd moved(std::move(a));
    EXPECT_FALSE(a.Valid());
    EXPECT_EQ(moved.Get(), readEnd);
    b.Reset();  // nothing held: closes nothing
    EXPECT_TRUE(IsOpen(reused));
    ::close(reused);
  }
  EXPECT_FALSE(IsOpen(readEnd)) << "the moved-to owner closed it";

  ASSERT_EQ(::pipe(fds), 0);
  core::UniqueFd kept(fds[0]);
  const int released = kept.Release();
  kept.Reset(fds[1]);
  kept = core::UniqueFd();  // move-assign closes the write end
  EXPECT_FALSE(IsOpen(fds[1]));
  EXPECT_TRUE(IsOpen(released)) << "a released descriptor is the caller's";
  ::close(released);
}

TEST(OneShotTimer, FiresOnceReplacesAPendingShotAndCancelsOnDestruction) {
  core::SimLoop loop(0);
  std::vector<std::pair<char, std::int64_t>> fired;
  core::OneShotTimer timer(loop);
  timer.Start(1000, [&] { fired.emplace_back('a', loop.NowMs()); });
  timer.Start(300, [&] { fired.emplace_back('b', loop.NowMs()); });  // replaces 'a'
  EXPECT_TRUE(timer.Pending());
  loop.RunFor(2000);
  EXPECT_EQ(fired, (std::vector<std::pair<char, std::int64_t>>{{'b', 300}}));
  EXPECT_FALSE(timer.Pending()) << "a shot that has fired is no longer pending";

  // A shot may arm the timer again from inside its own task.
  fired.clear();
  int shots = 0;
  std::function<void()> again = [&] {
    fired.emplace_back('c', loop.NowMs());
    if (++shots < 3) timer.Start(100, again);
  };
  timer.Start(100, again);
  loop.RunFor(1000);
  EXPECT_EQ(fired.size(), 3u);

  fired.clear();
  timer.Start(100, [&] { fired.emplace_back('d', loop.NowMs()); });
  timer.Cancel();
  timer.Cancel();  // twice is harmless
  {
    core::OneShotTimer scoped(loop);
    scoped.Start(50, [&] { fired.emplace_back('e', loop.NowMs()); });
  }
  loop.RunFor(1000);
  EXPECT_TRUE(fired.empty());
}

}  // namespace
