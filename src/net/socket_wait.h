#pragma once
// Waiting for a socket the way a blocking network call waits on the user-interface thread: the
// loop keeps running (timers fire, posted work and other descriptors are served) until the socket
// is ready or a span of real time has passed. A simulated clock stands still meanwhile, because
// the peer answers in real time.
//
// Threading: loop thread only.

#include <cstdint>
#include <string>

#include "core/event_loop.h"

namespace net {

enum class WaitResult { Ready, TimedOut, Quit };

// Waits until `fd` is ready for `events` (core::kIoRead / kIoWrite; an error or hang-up counts as
// ready, so the caller's next call sees it), at most `timeoutMs` real milliseconds, or until the
// loop is asked to quit.
WaitResult WaitForSocket(core::EventLoop& loop, int fd, unsigned events, std::int64_t timeoutMs);

// Resolves `host` for a blocking client: "LOCALHOST" in any letter case is 127.0.0.1, a dotted
// address is used as it is, other names are looked up while the loop keeps running. Returns the
// dotted address, or "" when the name does not resolve within `timeoutMs` (nothing is recorded:
// the caller records the failure as it sees fit).
std::string ResolveBlocking(core::EventLoop& loop, const std::string& host, std::int64_t timeoutMs);

}  // namespace net
