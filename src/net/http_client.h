#pragma once
// The HTTP client of the web-server test and of the browser control (TIdHTTP): one request per
// connection ("Connection: close"), over the blocking TCP client, so the loop keeps running while
// it waits. The whole request, from connect to the last byte of the body, takes at most the
// time-out (30 s unless set) in real time; a server that drips bytes cannot stretch it.
//
// "https://" addresses go through TLS (tcp_client.h StartTls): the certificate must verify for
// the address's host against the system's trust store and the CA file set here; one that does
// not is a failure with its reason recorded ("TLS: certificate verify failed: ..."), never a
// request in plain text.
//
// Any well-formed response is a success, whatever its status code: a "404" still shows that a web
// server answers. ResponseText() is then the status line exactly as received ("HTTP/1.0 200 OK"),
// which is what the window shows. Failures (no connection, time-out, a malformed or oversized
// response, an address this client cannot request) are recorded in the network error record and
// the call returns false; nothing is thrown.
//
// Threading: loop thread only.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/event_loop.h"
#include "net/http_message.h"

namespace net {

class TIdHTTP {
 public:
  static constexpr std::int64_t kDefaultTimeoutMs = 30000;

  explicit TIdHTTP(core::EventLoop& loop) : loop_(loop) {}

  void SetTimeout(std::int64_t ms) { timeoutMs_ = ms; }
  [[nodiscard]] std::int64_t Timeout() const { return timeoutMs_; }
  void SetLimits(HttpLimits limits) { limits_ = limits; }

  // Request headers; the defaults are the web-server test's.
  std::string accept = "text/html, */*";
  std::string userAgent = "Mozilla/3.0 (compatible; Indy Library)";
  // Further request headers ("Authorization", ...), sent after User-Agent.
  std::vector<std::pair<std::string, std::string>> headers;

  // A PEM file of certificates trusted besides the system's for https:// ("" for none).
  void SetTlsCAFile(const std::string& path) { tlsCAFile_ = path; }
  [[nodiscard]] const std::string& TlsCAFile() const { return tlsCAFile_; }

  // GET `url` ("http://host[:port]/path" or "https://..."). True with a well-formed response of any
  // status.
  bool Get(const std::string& url);
  // PUT `body` to `url`.
  bool Put(const std::string& url, const std::string& body = "");

  // The last response (empty after a failure).
  [[nodiscard]] const HttpResponse& Response() const { return response_; }
  [[nodiscard]] const std::string& ResponseText() const { return response_.statusLine; }
  [[nodiscard]] int ResponseCode() const { return response_.statusCode; }
  [[nodiscard]] const std::string& Body() const { return response_.body; }

 private:
  bool Request(const std::string& method, const std::string& url, const std::string& body);
  bool Fail(int code);

  core::EventLoop& loop_;
  std::int64_t timeoutMs_ = kDefaultTimeoutMs;
  HttpLimits limits_;
  std::string tlsCAFile_;
  HttpResponse response_;
};

}  // namespace net
