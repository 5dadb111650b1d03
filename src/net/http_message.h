#pragma once
// The pure half of the HTTP client: the address it is given, the request it sends (byte for
// byte) and an incremental response reader bounded in size. No sockets here, so every rule can be
// tested on exact bytes.
//
// Threading: plain values; no shared state.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace net {

// "http://host[:port][/path][?query]" or "https://..." (TLS, port 443 unless given). The scheme
// may be left out (plain HTTP); a fragment is dropped.
struct HttpUrl {
  std::string host;
  int port = 80;
  std::string target = "/";  // path and query as sent in the request line
  bool tls = false;
};

// Nullopt for anything this client cannot request safely: another scheme, an empty or odd host,
// a bad port, user information, and any control character or space (a CR or LF would let the
// address write header lines of its own).
std::optional<HttpUrl> ParseHttpUrl(std::string_view url);

struct HttpRequest {
  std::string method = "GET";
  HttpUrl url;
  std::string accept = "text/html, */*";
  std::string userAgent = "Mozilla/3.0 (compatible; Indy Library)";
  std::vector<std::pair<std::string, std::string>> extraHeaders;
  std::string body;  // sent with a Content-Length when the method is not GET or it is not empty
};

// The request as it goes on the wire: request line, Host, Accept, User-Agent, the extra headers,
// Connection: close, Content-Length where there is a body or the method carries one, a blank line,
// the body.
std::string BuildHttpRequest(const HttpRequest& request);

struct HttpResponse {
  std::string statusLine;  // "HTTP/1.0 200 OK": what the user is shown as the status text
  int statusCode = 0;
  std::vector<std::pair<std::string, std::string>> headers;
  std::string body;

  // The value of the first header called `name` (letter case ignored); "" when absent.
  [[nodiscard]] std::string Header(std::string_view name) const;
};

struct HttpLimits {
  std::size_t maxHead = 64 * 1024;        // status line and headers together
  std::size_t maxBody = 8 * 1024 * 1024;  // the decoded body
};

class HttpResponseParser {
 public:
  enum class State { Incomplete, Complete, Malformed, TooLarge };

  explicit HttpResponseParser(HttpLimits limits = {}) : limits_(limits) {}

  // Takes the next bytes received and reads as far as they go.
  State Feed(std::string_view data);
  // The peer has closed the connection: completes a body that runs to the close; anything else
  // unfinished is malformed.
  State FinishStream();
  [[nodiscard]] State Current() const { return state_; }
  [[nodiscard]] const HttpResponse& Response() const { return response_; }
  // Bytes received after the end of the message (the first frames after a protocol switch).
  [[nodiscard]] std::string TakeRest() { return std::exchange(buffer_, std::string()); }

 private:
  enum class Phase { Head, FixedBody, ChunkSize, ChunkData, ChunkEnd, Trailers, UntilClose, Done };
  State Step();
  State ReadHead();
  State BeginBody();
  State ReadChunkSize();
  State ReadTrailers();
  bool TakeLine(std::string& line, std::size_t bound);
  State Fail(State s) { return state_ = s; }

  HttpLimits limits_;
  HttpResponse response_;
  State state_ = State::Incomplete;
  Phase phase_ = Phase::Head;
  std::string buffer_;
  std::size_t remaining_ = 0;  // of the fixed body or the current chunk
  std::size_t headBytes_ = 0;
};

}  // namespace net
