#include "net/tls_channel.h"

#include <openssl/err.h>
#include <openssl/ssl.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

namespace net {

std::unique_ptr<TlsChannel> TlsChannel::Create(std::shared_ptr<const TlsContext> context, int fd,
                                               const TlsOptions& options) {
  if (!context) return nullptr;
  SSL* ssl = context->NewConnection(fd, options);
  if (ssl == nullptr) return nullptr;
  // A write that has to wait is offered again from a buffer that may have moved and grown.
  SSL_set_mode(ssl, SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
  return std::unique_ptr<TlsChannel>(new TlsChannel(std::move(context), ssl));
}

TlsChannel::~TlsChannel() {
  SSL_free(ssl_);
}

TlsChannel::Status TlsChannel::Classify(int result) {
  const int error = SSL_get_error(ssl_, result);
  if (error == SSL_ERROR_WANT_READ) {
    want_ = Want::kRead;
    return Status::kAgain;
  }
  if (error == SSL_ERROR_WANT_WRITE) {
    want_ = Want::kWrite;
    return Status::kAgain;
  }
  want_ = Want::kNothing;
  if (error == SSL_ERROR_ZERO_RETURN) {
    failureErrno_ = ECONNRESET;  // the peer ended TLS in the middle of a call
  } else if (error == SSL_ERROR_SYSCALL && ERR_peek_error() == 0) {
    failureErrno_ = errno != 0 ? errno : ECONNRESET;
  } else {
    failureErrno_ = 0;
    failureText_ = TlsFailureText(ssl_);
    return Status::kFailed;
  }
  failureText_ = std::string("TLS: ") + std::strerror(failureErrno_);
  return Status::kFailed;
}

TlsChannel::Status TlsChannel::Handshake() {
  ERR_clear_error();
  errno = 0;
  const int result = SSL_connect(ssl_);
  if (result == 1) {
    want_ = Want::kNothing;
    return Status::kDone;
  }
  return Classify(result);
}

long TlsChannel::Read(char* buffer, std::size_t size) {
  ERR_clear_error();
  errno = 0;
  const int n = SSL_read(ssl_, buffer, static_cast<int>(std::min<std::size_t>(size, INT_MAX)));
  if (n > 0) return n;
  if (SSL_get_error(ssl_, n) == SSL_ERROR_ZERO_RETURN) return 0;
  return Classify(n) == Status::kAgain ? kWouldBlock : kFailed;
}

long TlsChannel::Write(const char* data, std::size_t size) {
  if (size == 0) return 0;
  ERR_clear_error();
  errno = 0;
  const int n = SSL_write(ssl_, data, static_cast<int>(std::min<std::size_t>(size, INT_MAX)));
  if (n > 0) return n;
  return Classify(n) == Status::kAgain ? kWouldBlock : kFailed;
}

TlsChannel::Status TlsChannel::Shutdown() {
  // Once close_notify is out, the peer's answer is not waited for.
  if ((SSL_get_shutdown(ssl_) & SSL_SENT_SHUTDOWN) != 0 && want_ != Want::kWrite) {
    return Status::kDone;
  }
  ERR_clear_error();
  errno = 0;
  const int result = SSL_shutdown(ssl_);
  if (result >= 0) {
    want_ = Want::kNothing;
    return Status::kDone;
  }
  return Classify(result);
}

bool TlsChannel::Pending() const {
  return SSL_has_pending(ssl_) == 1;
}

bool TlsChannel::SessionReused() const {
  return SSL_session_reused(ssl_) == 1;
}

}  // namespace net
