#include "app/online_time.h"

#include <cmath>
#include <cstdio>

#include "app/t_stayline.h"

namespace app {

std::string OnlineTime::FormatDays(double days) {
  if (!(days >= 0)) days = 0;
  const double whole = std::floor(days);
  // Milliseconds of the day fraction, rounded like a date-time value is when formatted.
  long long ms = std::llround((days - whole) * 86'400'000.0);
  long long d = static_cast<long long>(whole);
  if (ms >= 86'400'000) {
    ms -= 86'400'000;
    ++d;
  }
  char buf[64];
  std::snprintf(buf, sizeof buf, "%lld : %02lld:%02lld:%02lld,%03lld", d, ms / 3'600'000,
                ms / 60'000 % 60, ms / 1000 % 60, ms % 1000);
  return buf;
}

std::string OnlineTime::ShortText() const {
  return FormatDays(main_.State().OnlineDays);
}

std::string OnlineTime::GetOnlineTime(bool formatOnly) {
  MainState& s = main_.State();
  if (!formatOnly) {
    // Offline (nothing counting) only the stored time counts: the tick count itself is the
    // machine's uptime, not time online.
    const std::uint32_t elapsed =
        s.ConnectTick == 0 ? 0 : Elapsed(main_.Loop().GetTickCount(), s.ConnectTick);
    // The sum is taken in 64 bits: a run that is online longer than 49.7 days keeps counting.
    const std::uint64_t total = std::uint64_t{s.AccumulatedOnlineMs} + elapsed;
    s.OnlineDays = static_cast<double>(total) / 86'400'000.0;
  }
  return main_.Tx(" Online-Zeit (d:h:m:s,ms): ", " Online-Time (d:h:m:s,ms): ") + ShortText();
}

}  // namespace app
