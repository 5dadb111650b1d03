#pragma once
// TLS (client side) over a connected non-blocking socket that an event-driven owner watches.
// No call waits: a call that cannot finish says which readiness of the socket (Wanted) must come
// before it is made again. Data OpenSSL has already taken off the socket raises no readiness
// event, so after a read the owner checks Pending.
//
// Threading: loop thread only.

#include <cstddef>
#include <memory>
#include <string>

#include "net/tls_context.h"

namespace net {

class TlsChannel {
 public:
  static constexpr long kWouldBlock = -1;
  static constexpr long kFailed = -2;
  enum class Status { kDone, kAgain, kFailed };
  enum class Want { kNothing, kRead, kWrite };

  // A connection over `fd` (not owned; it must outlive the channel) for `options`. Nullptr when
  // it cannot be set up (the reason is in the network error record).
  static std::unique_ptr<TlsChannel> Create(std::shared_ptr<const TlsContext> context, int fd,
                                            const TlsOptions& options);
  ~TlsChannel();
  TlsChannel(const TlsChannel&) = delete;
  TlsChannel& operator=(const TlsChannel&) = delete;

  // The handshake, verifying the certificate; kAgain until it is complete.
  Status Handshake();
  // >0 bytes read, 0 at the end of the stream, kWouldBlock or kFailed.
  long Read(char* buffer, std::size_t size);
  // >0 bytes written (all of a record), kWouldBlock or kFailed. After kWouldBlock the same
  // bytes must be offered again.
  long Write(const char* data, std::size_t size);
  // Sends close_notify (without waiting for the peer's); kAgain when the socket is full.
  Status Shutdown();

  // What the last kAgain / kWouldBlock waits for.
  [[nodiscard]] Want Wanted() const { return want_; }
  // Decrypted bytes (or a record) OpenSSL holds that no socket event will announce.
  [[nodiscard]] bool Pending() const;
  // After kFailed: the socket's errno (0 for a TLS failure) and the text.
  [[nodiscard]] int FailureErrno() const { return failureErrno_; }
  [[nodiscard]] const std::string& FailureText() const { return failureText_; }
  [[nodiscard]] TlsSession Session() const { return SessionOf(ssl_); }
  [[nodiscard]] bool SessionReused() const;

 private:
  TlsChannel(std::shared_ptr<const TlsContext> context, SSL* ssl)
      : context_(std::move(context)), ssl_(ssl) {}
  // After an SSL call that returned `result` <= 0: kAgain with Wanted set, or kFailed.
  Status Classify(int result);

  std::shared_ptr<const TlsContext> context_;  // outlives the connection made from it
  SSL* ssl_;
  Want want_ = Want::kNothing;
  int failureErrno_ = 0;
  std::string failureText_;
};

}  // namespace net
