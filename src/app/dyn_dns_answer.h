#pragma once
// What a dyndns2 update server's answer means for the next update. The server answers one line
// per host name; the first word of each line counts. "good" and "nochg" are success; the answers
// that say the account or a host name is wrong stop further updates until the user changes the
// settings (asking again would only get the account blocked); "911", anything unknown and an
// empty answer are failures that are retried later.
//
// Threading: pure functions.

#include <string>
#include <string_view>

namespace app {

struct DynDnsAnswer {
  enum class Kind { Success, Stop, Retry };
  Kind kind = Kind::Retry;
  // The first word that decided (for Success the first line's), "" for an empty answer.
  std::string code;
};

// `body` is the response body; `status` the HTTP status (a 401 without a known word is
// "badauth").
[[nodiscard]] DynDnsAnswer ClassifyDynDnsAnswer(std::string_view body, int status = 200);

}  // namespace app
