#pragma once
// Host-name resolution off the user-interface thread. Each request runs getaddrinfo (IPv4) on a
// worker thread and hands its answer back to the loop with PostFromAnyThread, so the handler
// always runs on the loop's thread. While a request runs, the simulated-time loop is told that
// outside work is pending, so it does not jump its clock past a connect time-out meanwhile.
//
// Threading: create, use and destroy on the loop's thread. Destroying the resolver (or
// cancelling a request) guarantees the handler never runs; a worker that is still blocked in
// getaddrinfo finishes on its own and drops its answer.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "core/event_loop.h"

namespace net {

class Resolver {
 public:
  using RequestId = std::uint64_t;
  // error 0: `address` is the dotted IPv4 address; otherwise a getaddrinfo EAI_* code and
  // `address` holds its text.
  using Handler = std::function<void(int error, const std::string& address)>;

  explicit Resolver(core::EventLoop& loop);
  ~Resolver();
  Resolver(const Resolver&) = delete;
  Resolver& operator=(const Resolver&) = delete;

  RequestId Resolve(const std::string& host, Handler handler);
  void Cancel(RequestId id);

  // True for a literal dotted IPv4 address ("10.0.0.1"), which needs no resolution.
  [[nodiscard]] static bool IsDottedAddress(const std::string& host);

 private:
  struct Shared;
  std::shared_ptr<Shared> shared_;
  RequestId nextId_ = 1;
};

}  // namespace net
