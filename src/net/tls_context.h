#pragma once
// The client-side TLS settings of one connection and the OpenSSL context they make. Certificates
// are always verified: against the system's trust store, the optional CA file (PEM certificates
// trusted besides the system's) and the name the connection was made to.
//
// Threading: loop thread only, like the clients that use it.

#include <openssl/types.h>

// As <openssl/ssl.h> declares it, without pulling that header into every client.
typedef struct ssl_session_st SSL_SESSION;

#include <memory>
#include <string>

namespace net {

// A TLS session of an earlier connection, offered on a new one to resume it (FTP data
// connections must resume their control connection's session). Empty: a full handshake.
using TlsSession = std::shared_ptr<SSL_SESSION>;

struct TlsOptions {
  // The host name (or dotted address) the server's certificate must carry; sent as SNI when it
  // is a name.
  std::string serverName;
  // A PEM file of certificates trusted besides the system's; "" for the system's only.
  std::string caFile;
  TlsSession session;
};

class TlsContext {
 public:
  // A client context trusting the system's store and `caFile`. Nullptr, with the reason
  // recorded in the network error record, when OpenSSL fails or the CA file cannot be read.
  static std::unique_ptr<TlsContext> Create(const std::string& caFile);

  [[nodiscard]] SSL_CTX* Get() const { return ctx_.get(); }

  // A client connection over the connected socket `fd` (not owned; sends never raise SIGPIPE)
  // that verifies the certificate for `options.serverName` and offers `options.session`.
  // Nullptr, with the reason recorded in the network error record, when that cannot be set up.
  [[nodiscard]] SSL* NewConnection(int fd, const TlsOptions& options) const;

 private:
  struct Free {
    void operator()(SSL_CTX* ctx) const;
  };
  explicit TlsContext(SSL_CTX* ctx) : ctx_(ctx) {}

  std::unique_ptr<SSL_CTX, Free> ctx_;
};

// The reason of the last OpenSSL failure on this thread ("" when none), and clears the queue.
std::string TakeTlsErrorText();

// "TLS: " and why a call on `ssl` failed: the certificate's verification failure when there is
// one ("TLS: certificate verify failed: self-signed certificate"), else OpenSSL's reason.
std::string TlsFailureText(const SSL* ssl);

// The session of `ssl` to offer on another connection to the same server (empty when none).
TlsSession SessionOf(const SSL* ssl);

}  // namespace net
