#include "net/tls_context.h"

#include <arpa/inet.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstdint>

#include "net/network_error.h"

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

void TlsContext::Free::operator()(SSL_CTX* ctx) const {
  SSL_CTX_free(ctx);
}

std::string TakeTlsErrorText() {
  const unsigned long code = ERR_peek_last_error();
  ERR_clear_error();
  if (code == 0) return "";
  if (const char* reason = ERR_reason_error_string(code)) return reason;
  char text[256];
  ERR_error_string_n(code, text, sizeof text);
  return text;
}

std::string TlsFailureText(const SSL* ssl) {
  const long verify = ssl != nullptr ? SSL_get_verify_result(ssl) : X509_V_OK;
  std::string reason = TakeTlsErrorText();
  if (verify != X509_V_OK) {
    reason = std::string("certificate verify failed: ") + X509_verify_cert_error_string(verify);
  }
  return "TLS: " + (reason.empty() ? std::string("protocol error") : reason);
}

TlsSession SessionOf(const SSL* ssl) {
  if (ssl == nullptr) return nullptr;
  // A copy: OpenSSL marks the connection's own session unusable when the connection ends
  // without a clean goodbye, and the copy must stay resumable after that.
  SSL_SESSION* current = SSL_get0_session(ssl);
  SSL_SESSION* copy = current != nullptr ? SSL_SESSION_dup(current) : nullptr;
  if (copy == nullptr) return nullptr;
  return TlsSession(copy, SSL_SESSION_free);
}

SSL* TlsContext::NewConnection(int fd, const TlsOptions& options) const {
  // The certificate must name the host connected to; SNI only carries names, not addresses.
  const std::string& name = options.serverName;
  if (name.empty()) {
    RecordNetworkErrorText("TLS: no server name to verify");
    return nullptr;
  }
  ERR_clear_error();
  SSL* ssl = SSL_new(ctx_.get());
  BIO* bio = ssl != nullptr ? BIO_new(SocketMethod()) : nullptr;
  if (bio == nullptr) {
    RecordNetworkErrorText(TlsFailureText(ssl));
    SSL_free(ssl);
    return nullptr;
  }
  BIO_set_data(bio, reinterpret_cast<void*>(static_cast<std::intptr_t>(fd)));
  SSL_set_bio(ssl, bio, bio);
  const bool named = IsAddress(name)
                         ? X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl), name.c_str()) == 1
                         : SSL_set1_host(ssl, name.c_str()) == 1 &&
                               SSL_set_tlsext_host_name(ssl, name.c_str()) == 1;
  if (!named || (options.session && SSL_set_session(ssl, options.session.get()) != 1)) {
    RecordNetworkErrorText(TlsFailureText(ssl));
    SSL_free(ssl);
    return nullptr;
  }
  return ssl;
}

std::unique_ptr<TlsContext> TlsContext::Create(const std::string& caFile) {
  ERR_clear_error();
  SSL_CTX* raw = SSL_CTX_new(TLS_client_method());
  if (raw == nullptr) {
    RecordNetworkErrorText("TLS: " + TakeTlsErrorText());
    return nullptr;
  }
  std::unique_ptr<TlsContext> context(new TlsContext(raw));
  SSL_CTX_set_min_proto_version(raw, TLS1_2_VERSION);
  SSL_CTX_set_verify(raw, SSL_VERIFY_PEER, nullptr);
  // Many servers close without a close_notify; the protocols on top know where their data ends.
  SSL_CTX_set_options(raw, SSL_OP_IGNORE_UNEXPECTED_EOF);
  // Sessions are handed out to resume data connections; the client cache keeps them resumable.
  SSL_CTX_set_session_cache_mode(raw, SSL_SESS_CACHE_CLIENT);
  if (SSL_CTX_set_default_verify_paths(raw) != 1) ERR_clear_error();  // a system without a store
  if (!caFile.empty() && SSL_CTX_load_verify_locations(raw, caFile.c_str(), nullptr) != 1) {
    const std::string reason = TakeTlsErrorText();
    RecordNetworkErrorText("TLS: the CA file " + caFile + " cannot be used" +
                           (reason.empty() ? "" : ": " + reason));
    return nullptr;
  }
  return context;
}

}  // namespace net
