#include "net/http_client.h"

#include <cerrno>
#include <chrono>

#include "net/network_error.h"
#include "net/tcp_client.h"

namespace net {

namespace {

std::int64_t RealNowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

bool TIdHTTP::Get(const std::string& url) {
  return Request("GET", url, "");
}

bool TIdHTTP::Put(const std::string& url, const std::string& body) {
  return Request("PUT", url, body);
}

bool TIdHTTP::Fail(int code) {
  RecordNetworkError(code);
  response_ = HttpResponse();
  return false;
}

bool TIdHTTP::Request(const std::string& method, const std::string& url, const std::string& body) {
  response_ = HttpResponse();
  const std::optional<HttpUrl> parsed = ParseHttpUrl(url);
  if (!parsed) return Fail(EINVAL);
  HttpRequest request;
  request.method = method;
  request.url = *parsed;
  request.accept = accept;
  request.userAgent = userAgent;
  request.extraHeaders = headers;
  request.body = body;

  // One deadline for the whole exchange: each wait gets what is left of it.
  const std::int64_t deadline = RealNowMs() + timeoutMs_;
  TcpClient tcp(loop_);
  auto arm = [&] {
    const std::int64_t left = deadline - RealNowMs();
    tcp.SetTimeout(left > 0 ? left : 1);
    return left > 0;
  };
  arm();
  if (!tcp.Connect(request.url.host, request.url.port)) return false;  // recorded
  if (request.url.tls) {
    if (!arm()) return Fail(ETIMEDOUT);
    if (!tcp.StartTls({.serverName = request.url.host, .caFile = tlsCAFile_})) {
      response_ = HttpResponse();
      return false;  // recorded
    }
  }
  if (!arm()) return Fail(ETIMEDOUT);
  if (!tcp.Send(BuildHttpRequest(request))) return false;

  HttpResponseParser parser(limits_);
  HttpResponseParser::State state = HttpResponseParser::State::Incomplete;
  while (state == HttpResponseParser::State::Incomplete) {
    if (!arm()) return Fail(ETIMEDOUT);
    std::string chunk;
    if (tcp.ReadSome(chunk)) {
      state = parser.Feed(chunk);
    } else if (tcp.PeerClosed()) {
      state = parser.FinishStream();
    } else {
      response_ = HttpResponse();  // the client has recorded why
      return false;
    }
  }
  if (state == HttpResponseParser::State::TooLarge) return Fail(EMSGSIZE);
  if (state == HttpResponseParser::State::Malformed) return Fail(EPROTO);
  response_ = parser.Response();
  return true;
}

}  // namespace net
