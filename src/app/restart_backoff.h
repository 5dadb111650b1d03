#pragma once
// How long the broken-connection recovery holds its restart back, in real time. An instance that
// lands in the recovery again right after a restart (an entry without a stored password, a line
// that breaks at once) would otherwise restart in a tight loop, and on a simulated clock the
// recovery's own waits cost no real time at all. So the restart comes no sooner than 10 s of
// real time after the recovery began, doubling with every restart in a row up to 10 minutes.
//
// The count of restarts in a row travels to the new instance in the environment variable
// STAYLINE_RESTARTS, which the restart script sets; an instance started by hand has none and
// starts at 0. A connection that has stayed up for a minute of real time sets it back to 0.
//
// Threading: loop thread only.

#include <cstdint>
#include <functional>

namespace app {

class RestartBackoff {
 public:
  static constexpr const char* kVariable = "STAYLINE_RESTARTS";
  static constexpr int kFirstSeconds = 10;
  static constexpr int kLimitSeconds = 600;
  static constexpr std::int64_t kSteadyMs = 60'000;

  // `restartsInARow`: how many restarts in a row led to this instance.
  explicit RestartBackoff(int restartsInARow);

  // The variable's value as a count: a decimal number; anything else counts as 0.
  [[nodiscard]] static int Parse(const char* text);

  [[nodiscard]] int RestartsInARow() const { return restarts_; }
  // The least real time from the start of a recovery to the restart it makes.
  [[nodiscard]] int DelaySeconds() const;
  // The count the instance that the restart starts is given.
  [[nodiscard]] int NextCount() const { return restarts_ + 1; }
  // Told on every status tick whether the connection is complete.
  void NoteConnection(bool complete);

  // Real (monotonic) milliseconds; tests replace it.
  std::function<std::int64_t()> RealNowMs;

 private:
  int restarts_;
  std::int64_t upSinceMs_ = -1;  // real time the connection was first seen complete, -1: down
};

}  // namespace app
