#include "net/tls_stream.h"

#include <arpa/inet.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <sys/socket.h>

#include <cerrno>
#include <climits>
#include <cstdint>

#include "net/network_error.h"
#include "net/socket_wait.h"

namespace net {
namespace {

// OpenSSL's own socket BIO writes without MSG_NOSIGNAL: a peer that has gone would kill the
// program with SIGPIPE. This one sends like the plain TCP client does.
int SocketOf(BIO* bio) {
  return static_cast<int>(reinterpret_cast<std::intptr_t>(BIO_get_data(bio)));
}

int BioWrite(BIO* bio, const char* data, int size) {
  BIO_clear_retry_flags(bio);
  const ssize_t n = ::send(SocketOf(bio), data, static_cast<std::size_t>(size), MSG_NOSIGNAL);
  if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
    BIO_set_retry_write(bio);
  }
  return static_cast<int>(n);
}

int BioRead(BIO* bio, char* data, int size) {
  BIO_clear_retry_flags(bio);
  const ssize_t n = ::recv(SocketOf(bio), data, static_cast<std::size_t>(size), 0);
  if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
    BIO_set_retry_read(bio);
  }
  return static_cast<int>(n);
}

long BioControl(BIO*, int command, long, void*) {
  return command == BIO_CTRL_FLUSH ? 1 : 0;
}

int BioCreate(BIO* bio) {
  BIO_set_init(bio, 1);
  return 1;
}

const BIO_METHOD* SocketMethod() {
  static BIO_METHOD* method = [] {
    BIO_METHOD* m = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "stayline socket");
    BIO_meth_set_write(m, BioWrite);
    BIO_meth_set_read(m, BioRead);
    BIO_meth_set_ctrl(m, BioControl);
    BIO_meth_set_create(m, BioCreate);
    return m;
  }();
  return method;
}

bool IsAddress(const std::string& name) {
  in6_addr addr{};
  return ::inet_pton(AF_INET, name.c_str(), &addr) == 1 ||
         ::inet_pton(AF_INET6, name.c_str(), &addr) == 1;
}

}  // namespace

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
  const long verify = ssl_ != nullptr ? SSL_get_verify_result(ssl_) : X509_V_OK;
  std::string reason = TakeTlsErrorText();
  if (verify != X509_V_OK) {
    reason = std::string("certificate verify failed: ") + X509_verify_cert_error_string(verify);
  }
  RecordNetworkErrorText("TLS: " + (reason.empty() ? std::string("protocol error") : reason));
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
  ERR_clear_error();
  ssl_ = SSL_new(context_->Get());
  BIO* bio = ssl_ != nullptr ? BIO_new(SocketMethod()) : nullptr;
  if (bio == nullptr) return FailTls();
  BIO_set_data(bio, reinterpret_cast<void*>(static_cast<std::intptr_t>(fd_.Get())));
  SSL_set_bio(ssl_, bio, bio);
  // The certificate must name the host connected to; SNI only carries names, not addresses.
  const std::string& name = options.serverName;
  if (name.empty()) {
    RecordNetworkErrorText("TLS: no server name to verify");
    broken_ = true;
    return false;
  }
  const bool named = IsAddress(name)
                         ? X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl_), name.c_str()) == 1
                         : SSL_set1_host(ssl_, name.c_str()) == 1 &&
                               SSL_set_tlsext_host_name(ssl_, name.c_str()) == 1;
  if (!named) return FailTls();
  if (options.session && SSL_set_session(ssl_, options.session.get()) != 1) return FailTls();
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
  if (ssl_ == nullptr) return nullptr;
  // A copy: OpenSSL marks the connection's own session unusable when the connection ends
  // without a clean goodbye, and the copy must stay resumable after that.
  SSL_SESSION* current = SSL_get0_session(ssl_);
  SSL_SESSION* copy = current != nullptr ? SSL_SESSION_dup(current) : nullptr;
  if (copy == nullptr) return nullptr;
  return TlsSession(copy, SSL_SESSION_free);
}

bool TlsStream::SessionReused() const {
  return ssl_ != nullptr && SSL_session_reused(ssl_) == 1;
}

}  // namespace net
