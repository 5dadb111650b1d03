// The pure HTTP code: which addresses may be requested (nothing that could write a header line of
// its own), the request byte for byte, and the response reader over every body form, fed whole
// and a byte at a time, with the malformed and oversized answers it must refuse.
#include "net/http_message.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using State = net::HttpResponseParser::State;

TEST(HttpMessageTest, ParsesAddressesAndRefusesUnsafeOnes) {
  struct Case {
    const char* url;
    bool ok;
    const char* host;
    int port;
    const char* target;
    bool tls = false;
  } cases[] = {
      {"http://127.0.0.1", true, "127.0.0.1", 80, "/"},
      {"HTTP://LocalHost:8080/a/b.html?x=1&y=2", true, "LocalHost", 8080, "/a/b.html?x=1&y=2"},
      {"127.0.0.5/index.htm", true, "127.0.0.5", 80, "/index.htm"},
      {"http://127.0.0.1:65535?q", true, "127.0.0.1", 65535, "/?q"},
      {"http://127.0.0.1/page#part", true, "127.0.0.1", 80, "/page"},
      {"https://127.0.0.1/", true, "127.0.0.1", 443, "/", true},
      {"HTTPS://members.example:8443/nic/update?x", true, "members.example", 8443, "/nic/update?x",
       true},
      {"httpx://127.0.0.1/", false, "", 0, ""},
      {"https://user:pw@127.0.0.1/", false, "", 0, ""},
      {"ftp://127.0.0.1/", false, "", 0, ""},
      {"http://", false, "", 0, ""},
      {"http://:80/", false, "", 0, ""},
      {"http://127.0.0.1:0/", false, "", 0, ""},
      {"http://127.0.0.1:65536/", false, "", 0, ""},
      {"http://127.0.0.1:8x/", false, "", 0, ""},
      {"http://127.0.0.1:/", false, "", 0, ""},
      {"http://user:pw@127.0.0.1/", false, "", 0, ""},
      {"http://127.0.0.1/a\r\nX-Injected: 1", false, "", 0, ""},
      {"http://127.0.0.1/a b", false, "", 0, ""},
      {"http://127.0.0.1\n/", false, "", 0, ""},
      {"http://[::1]/", false, "", 0, ""},
  };
  for (const Case& c : cases) {
    const auto url = net::ParseHttpUrl(c.url);
    ASSERT_EQ(url.has_value(), c.ok) << c.url;
    if (!url) continue;
    EXPECT_EQ(url->host, c.host) << c.url;
    EXPECT_EQ(url->port, c.port) << c.url;
    EXPECT_EQ(url->target, c.target) << c.url;
    EXPECT_EQ(url->tls, c.tls) << c.url;
  }
}

TEST(HttpMessageTest, RequestsByteForByte) {
  net::HttpRequest get;
  get.url = *net::ParseHttpUrl("http://127.0.0.7");
  EXPECT_EQ(net::BuildHttpRequest(get),
            "GET / HTTP/1.1\r\n"
            "Host: 127.0.0.7\r\n"
            "Accept: text/html, */*\r\n"
            "User-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n"
            "Connection: close\r\n"
            "\r\n");
  net::HttpRequest put;
  put.method = "PUT";
  put.url = *net::ParseHttpUrl("http://127.0.0.1:9222/json/new?about%3Ablank");
  EXPECT_EQ(net::BuildHttpRequest(put),
            "PUT /json/new?about%3Ablank HTTP/1.1\r\n"
            "Host: 127.0.0.1:9222\r\n"
            "Accept: text/html, */*\r\n"
            "User-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n"
            "Connection: close\r\n"
            "Content-Length: 0\r\n"
            "\r\n");
}

TEST(HttpMessageTest, HostHeaderLeavesOutTheSchemesDefaultPort) {
  const struct {
    const char* url;
    const char* host;
  } cases[] = {
      {"https://localhost/nic/update", "Host: localhost\r\n"},
      {"https://localhost:8443/", "Host: localhost:8443\r\n"},
      {"https://localhost:80/", "Host: localhost:80\r\n"},
      {"http://localhost:443/", "Host: localhost:443\r\n"},
  };
  for (const auto& c : cases) {
    net::HttpRequest request;
    request.url = *net::ParseHttpUrl(c.url);
    EXPECT_NE(net::BuildHttpRequest(request).find(c.host), std::string::npos) << c.url;
  }
}

struct ReadCase {
  const char* what;
  std::string wire;
  bool closeAfter;  // the peer closes after the bytes
  State state;
  int code;
  std::string body;
};

void CheckRead(const ReadCase& c, std::size_t step, net::HttpLimits limits = {}) {
  net::HttpResponseParser parser(limits);
  State s = State::Incomplete;
  for (std::size_t i = 0; i < c.wire.size() && s == State::Incomplete; i += step) {
    s = parser.Feed(std::string_view(c.wire).substr(i, step));
  }
  if (s == State::Incomplete && c.closeAfter) s = parser.FinishStream();
  EXPECT_EQ(s, c.state) << c.what << " (step " << step << ")";
  if (s != State::Complete || c.state != State::Complete) return;
  EXPECT_EQ(parser.Response().statusCode, c.code) << c.what;
  EXPECT_EQ(parser.Response().body, c.body) << c.what;
}

TEST(HttpMessageTest, ReadsEveryBodyFormWholeAndByteByByte) {
  const ReadCase cases[] = {
      {"content length", "HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\nhello", false,
       State::Complete, 200, "hello"},
      {"bare LF lines", "HTTP/1.1 200 OK\nContent-length:  3 \n\nabc", false, State::Complete, 200,
       "abc"},
      {"chunked with extension and trailer",
       "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5;x=y\r\nHello\r\nA\r\n, chunked!"
       "\r\n0\r\nX-Trailer: 1\r\n\r\n",
       false, State::Complete, 200, "Hello, chunked!"},
      {"until close", "HTTP/1.0 404 File not found\r\nContent-Type: text/html\r\n\r\n<p>gone</p>",
       true, State::Complete, 404, "<p>gone</p>"},
      {"interim 100 first",
       "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 201 Created\r\nContent-Length: 2\r\n\r\nok", false,
       State::Complete, 201, "ok"},
      {"no content", "HTTP/1.1 204 No Content\r\n\r\n", false, State::Complete, 204, ""},
      {"status line without reason", "HTTP/1.1 200\r\nContent-Length: 0\r\n\r\n", false,
       State::Complete, 200, ""},
      {"cut short in the body", "HTTP/1.0 200 OK\r\nContent-Length: 10\r\n\r\nshort", true,
       State::Malformed, 0, ""},
      {"cut short in the head", "HTTP/1.0 200 OK\r\nContent-Le", true, State::Malformed, 0, ""},
      {"cut short in a chunk", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nHel",
       true, State::Malformed, 0, ""},
      {"not HTTP", "SSH-2.0-OpenSSH_9.2\r\n\r\n", false, State::Malformed, 0, ""},
      {"status not three digits", "HTTP/1.1 20 OK\r\n\r\n", false, State::Malformed, 0, ""},
      {"status glued to reason", "HTTP/1.1 200OK\r\n\r\n", false, State::Malformed, 0, ""},
      {"header without colon", "HTTP/1.1 200 OK\r\nBroken\r\n\r\n", false, State::Malformed, 0, ""},
      {"folded header", "HTTP/1.1 200 OK\r\nA: b\r\n c\r\n\r\n", false, State::Malformed, 0, ""},
      {"negative length", "HTTP/1.1 200 OK\r\nContent-Length: -1\r\n\r\n", false, State::Malformed,
       0, ""},
      {"two lengths that differ",
       "HTTP/1.1 200 OK\r\nContent-Length: 1\r\nContent-Length: 2\r\n\r\nab", false,
       State::Malformed, 0, ""},
      {"chunk size not hex", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n", false,
       State::Malformed, 0, ""},
      {"chunk without its line end",
       "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n1\r\nab\r\n0\r\n\r\n", false,
       State::Malformed, 0, ""},
  };
  for (const ReadCase& c : cases) {
    CheckRead(c, c.wire.size());
    CheckRead(c, 1);
  }
}

TEST(HttpMessageTest, AHostileAnswerCannotGrowWithoutBound) {
  const net::HttpLimits limits{.maxHead = 256, .maxBody = 1000};
  const ReadCase cases[] = {
      {"announced body too big", "HTTP/1.1 200 OK\r\nContent-Length: 1001\r\n\r\n", false,
       State::TooLarge, 0, ""},
      {"length beyond 64 bits",
       "HTTP/1.1 200 OK\r\nContent-Length: 99999999999999999999999\r\n\r\n", false, State::TooLarge,
       0, ""},
      {"endless body", "HTTP/1.0 200 OK\r\n\r\n" + std::string(1001, 'x'), false, State::TooLarge,
       0, ""},
      {"chunks add up",
       "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n200\r\n" + std::string(512, 'x') +
           "\r\n200\r\n",
       false, State::TooLarge, 0, ""},
      {"chunk size overflows",
       "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
       "fffffffffffffffffffff\r\n",
       false, State::TooLarge, 0, ""},
      {"endless header line", "HTTP/1.1 200 OK\r\nX: " + std::string(300, 'h'), false,
       State::TooLarge, 0, ""},
      {"endless headers",
       "HTTP/1.1 200 OK\r\n" +
           [] {
             std::string h;
             for (int i = 0; i < 40; ++i) h += "X: y\r\n";
             return h;
           }(),
       false, State::TooLarge, 0, ""},
      {"just fits", "HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n" + std::string(1000, 'k'),
       false, State::Complete, 200, std::string(1000, 'k')},
  };
  for (const ReadCase& c : cases) {
    CheckRead(c, c.wire.size(), limits);
    CheckRead(c, 1, limits);
  }
}

TEST(HttpMessageTest, ASwitchingAnswerEndsAtItsHeadAndKeepsWhatFollows) {
  net::HttpResponseParser parser;
  EXPECT_EQ(parser.Feed("HTTP/1.1 101 Switching Protocols\r\nUpgrade: websocket\r\n\r\n\x81\x02hi"),
            State::Complete);
  EXPECT_EQ(parser.Response().statusLine, "HTTP/1.1 101 Switching Protocols");
  EXPECT_EQ(parser.Response().Header("UPGRADE"), "websocket");
  EXPECT_EQ(parser.TakeRest(), "\x81\x02hi");
}

}  // namespace
