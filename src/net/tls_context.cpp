#include "net/tls_context.h"

#include <openssl/err.h>
#include <openssl/ssl.h>

#include "net/network_error.h"

namespace net {

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
