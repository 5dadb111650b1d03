#pragma once
// TLS over a connected non-blocking socket the caller owns (client side). Every call waits at
// most the given real-time span per wait while the loop keeps running (socket_wait.h), and checks
// afterwards that the owner has not closed the socket meanwhile. Failures are recorded in the
// network error record: a timed-out wait as ETIMEDOUT, a socket error with its errno, a TLS
// failure as "TLS: " and its reason ("TLS: certificate verify failed: self-signed certificate").
// After a failure the stream is unusable and the owner closes the socket.
//
// Threading: loop thread only.

#include <cstdint>
#include <memory>
#include <string_view>

#include "core/event_loop.h"
#include "core/unique_fd.h"
#include "net/tls_context.h"

namespace net {

class TlsStream {
 public:
  // `fd` stays the owner's and must outlive the stream.
  TlsStream(core::EventLoop& loop, const core::UniqueFd& fd) : loop_(loop), fd_(fd) {}
  ~TlsStream();
  TlsStream(const TlsStream&) = delete;
  TlsStream& operator=(const TlsStream&) = delete;

  // The handshake, verifying the certificate for `options.serverName`. False when it fails
  // (recorded); never falls back to plain text.
  bool Handshake(const TlsOptions& options, std::int64_t timeoutMs);
  // Sends all of `data`; false on failure (recorded).
  bool Send(std::string_view data, std::int64_t timeoutMs);
  // Reads what arrives next into `buffer`: the byte count, 0 at the end of the stream (nothing
  // recorded), -1 on failure (recorded).
  long Read(char* buffer, std::size_t size, std::int64_t timeoutMs);
  // Says goodbye (close_notify) without waiting for the peer's; the owner closes the socket.
  void Shutdown();

  // The session to offer on another connection to the same server (empty before the handshake).
  [[nodiscard]] TlsSession Session() const;
  // True when the handshake resumed the offered session.
  [[nodiscard]] bool SessionReused() const;

 private:
  enum class Step { Done, Again, Failed };
  Step Continue(int result, std::int64_t timeoutMs);
  bool Fail(int code);
  bool FailTls();

  core::EventLoop& loop_;
  const core::UniqueFd& fd_;
  std::unique_ptr<TlsContext> context_;
  SSL* ssl_ = nullptr;
  bool broken_ = false;
};

}  // namespace net
