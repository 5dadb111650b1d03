#include "net/tls_stream.h"

#include <openssl/err.h>
#include <openssl/ssl.h>

#include <algorithm>
#include <cerrno>
#include <climits>

#include "net/network_error.h"
#include "net/socket_wait.h"

namespace net {

TlsStream::~TlsStream() {
  SSL_free(ssl_);
}

bool TlsStream::Fail(int code) {
  broken_ = true;
  RecordNetworkError(code);
  return false;
}

bool TlsStream::FailTls() {
  broken_ = true;
  RecordNetworkErrorText(TlsFailureText(ssl_));
  return false;
}

// After an SSL call that returned `result`: waits when OpenSSL wants the socket and says whether
// to call again.
TlsStream::Step TlsStream::Continue(int result, std::int64_t timeoutMs) {
  const int error = SSL_get_error(ssl_, result);
  unsigned events = 0;
  if (error == SSL_ERROR_WANT_READ) events = core::kIoRead;
  if (error == SSL_ERROR_WANT_WRITE) events = core::kIoWrite;
  if (events == 0) {
    if (error == SSL_ERROR_ZERO_RETURN) {
      Fail(ECONNRESET);  // the peer ended TLS in the middle of a call
    } else if (error == SSL_ERROR_SYSCALL && ERR_peek_error() == 0) {
      Fail(errno != 0 ? errno : ECONNRESET);
    } else {
      FailTls();
    }
    return Step::Failed;
  }
  if (WaitForSocket(loop_, fd_.Get(), events, timeoutMs) != WaitResult::Ready) {
    Fail(ETIMEDOUT);
    return Step::Failed;
  }
  if (!fd_) {  // closed by a handler that ran meanwhile
    Fail(ENOTCONN);
    return Step::Failed;
  }
  return Step::Again;
}

bool TlsStream::Handshake(const TlsOptions& options, std::int64_t timeoutMs) {
  if (!fd_ || ssl_ != nullptr) return Fail(ENOTCONN);
  context_ = TlsContext::Create(options.caFile);
  if (!context_) {
    broken_ = true;
    return false;  // recorded
  }
  ssl_ = context_->NewConnection(fd_.Get(), options);
  if (ssl_ == nullptr) {
    broken_ = true;
    return false;  // recorded
  }
  for (;;) {
    ERR_clear_error();
    const int result = SSL_connect(ssl_);
    if (result == 1) return true;
    if (Continue(result, timeoutMs) != Step::Again) return false;
  }
}

bool TlsStream::Send(std::string_view data, std::int64_t timeoutMs) {
  if (ssl_ == nullptr || broken_ || !fd_) return Fail(ENOTCONN);
  while (!data.empty()) {
    const int chunk = static_cast<int>(std::min<std::size_t>(data.size(), INT_MAX));
    ERR_clear_error();
    const int n = SSL_write(ssl_, data.data(), chunk);
    if (n > 0) {
      data.remove_prefix(static_cast<std::size_t>(n));
      continue;
    }
    if (Continue(n, timeoutMs) != Step::Again) return false;
  }
  return true;
}

long TlsStream::Read(char* buffer, std::size_t size, std::int64_t timeoutMs) {
  if (ssl_ == nullptr || broken_ || !fd_) {
    Fail(ENOTCONN);
    return -1;
  }
  const int chunk = static_cast<int>(std::min<std::size_t>(size, INT_MAX));
  for (;;) {
    ERR_clear_error();
    const int n = SSL_read(ssl_, buffer, chunk);
    if (n > 0) return n;
    if (SSL_get_error(ssl_, n) == SSL_ERROR_ZERO_RETURN) return 0;
    if (Continue(n, timeoutMs) != Step::Again) return -1;
  }
}

void TlsStream::Shutdown() {
  if (ssl_ == nullptr || broken_ || !fd_) return;
  ERR_clear_error();
  SSL_shutdown(ssl_);
  ERR_clear_error();
  broken_ = true;
}

TlsSession TlsStream::Session() const {
  return SessionOf(ssl_);
}

bool TlsStream::SessionReused() const {
  return ssl_ != nullptr && SSL_session_reused(ssl_) == 1;
}

}  // namespace net
