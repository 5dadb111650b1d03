#pragma once
// The online time of the run: milliseconds of earlier connections plus the running one, from the
// 32-bit tick count, as a day-based value and the texts shown and logged.

#include <cstdint>
#include <string>

namespace app {

class TStayline;

class OnlineTime {
 public:
  explicit OnlineTime(TStayline& main) : main_(main) {}

  // Unless `formatOnly`, recomputes OnlineDays from the tick count first; returns the caption
  // text " Online-Time (d:h:m:s,ms): " / " Online-Zeit (d:h:m:s,ms): " + ShortText.
  std::string GetOnlineTime(bool formatOnly);
  // "%d : hh:mm:ss,zzz" of OnlineDays.
  [[nodiscard]] std::string ShortText() const;
  // Elapsed milliseconds since `since` on the 32-bit tick count; unsigned arithmetic keeps this
  // right across the wrap of the counter.
  static std::uint32_t Elapsed(std::uint32_t now, std::uint32_t since) { return now - since; }
  static std::string FormatDays(double days);

 private:
  TStayline& main_;
};

}  // namespace app
