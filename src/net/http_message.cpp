#include "net/http_message.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace net {

namespace {

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

bool IsHostChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '_';
}

bool IsTokenChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) ||
         std::string_view("!#$%&'*+-.^_`|~").find(c) != std::string_view::npos;
}

}  // namespace

std::optional<HttpUrl> ParseHttpUrl(std::string_view url) {
  for (const char c : url) {
    if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7F) return std::nullopt;
  }
  const std::size_t scheme = url.find("://");
  if (scheme != std::string_view::npos) {
    const std::string_view name = url.substr(0, scheme);
    if (!EqualsNoCase(name, "http") && !EqualsNoCase(name, "https")) return std::nullopt;
    url.remove_prefix(scheme + 3);
  }
  if (const std::size_t hash = url.find('#'); hash != std::string_view::npos) {
    url = url.substr(0, hash);
  }
  std::size_t authorityEnd = url.find_first_of("/?");
  if (authorityEnd == std::string_view::npos) authorityEnd = url.size();
  std::string_view authority = url.substr(0, authorityEnd);
  HttpUrl out;
  if (scheme == 5) {  // "https"
    out.tls = true;
    out.port = 443;
  }
  if (authorityEnd < url.size()) {
    out.target = std::string(url.substr(authorityEnd));
    if (out.target.front() == '?') out.target.insert(0, "/");
  }
  if (const std::size_t colon = authority.find(':'); colon != std::string_view::npos) {
    const std::string_view port = authority.substr(colon + 1);
    int value = 0;
    const auto [end, ec] = std::from_chars(port.data(), port.data() + port.size(), value);
    if (port.empty() || ec != std::errc() || end != port.data() + port.size() || value < 1 ||
        value > 65535) {
      return std::nullopt;
    }
    out.port = value;
    authority = authority.substr(0, colon);
  }
  if (authority.empty() || !std::all_of(authority.begin(), authority.end(), IsHostChar)) {
    return std::nullopt;
  }
  out.host = std::string(authority);
  return out;
}

std::string BuildHttpRequest(const HttpRequest& request) {
  std::string host = request.url.host;
  if (request.url.port != (request.url.tls ? 443 : 80)) {
    host += ":" + std::to_string(request.url.port);
  }
  std::string out = request.method + " " + request.url.target + " HTTP/1.1\r\n";
  out += "Host: " + host + "\r\n";
  out += "Accept: " + request.accept + "\r\n";
  out += "User-Agent: " + request.userAgent + "\r\n";
  for (const auto& [name, value] : request.extraHeaders) out += name + ": " + value + "\r\n";
  out += "Connection: close\r\n";
  if (!request.body.empty() || request.method != "GET") {
    out += "Content-Length: " + std::to_string(request.body.size()) + "\r\n";
  }
  out += "\r\n";
  out += request.body;
  return out;
}

std::string HttpResponse::Header(std::string_view name) const {
  for (const auto& [n, v] : headers) {
    if (EqualsNoCase(n, name)) return v;
  }
  return "";
}

// One line without its LF (and a CR before it). False when no complete line is there yet.
bool HttpResponseParser::TakeLine(std::string& line, std::size_t bound) {
  const std::size_t end = buffer_.find('\n');
  if (end == std::string::npos || end >= bound) return false;
  line.assign(buffer_, 0, end);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  buffer_.erase(0, end + 1);
  return true;
}

HttpResponseParser::State HttpResponseParser::Feed(std::string_view data) {
  if (state_ != State::Incomplete) return state_;
  buffer_.append(data);
  return Step();
}

HttpResponseParser::State HttpResponseParser::FinishStream() {
  if (state_ != State::Incomplete) return state_;
  if (phase_ == Phase::UntilClose) {
    phase_ = Phase::Done;
    return state_ = State::Complete;
  }
  return Fail(State::Malformed);
}

HttpResponseParser::State HttpResponseParser::Step() {
  for (;;) {
    State s = State::Incomplete;
    const std::size_t before = buffer_.size();
    const Phase phaseBefore = phase_;
    switch (phase_) {
      case Phase::Head:
        s = ReadHead();
        break;
      case Phase::FixedBody:
      case Phase::ChunkData: {
        const std::size_t n = std::min(remaining_, buffer_.size());
        response_.body.append(buffer_, 0, n);
        buffer_.erase(0, n);
        remaining_ -= n;
        if (remaining_ == 0) phase_ = phase_ == Phase::FixedBody ? Phase::Done : Phase::ChunkEnd;
        break;
      }
      case Phase::ChunkEnd:
        // The line end after a chunk's data: CR LF, or a bare LF.
        if (buffer_.empty()) break;
        if (buffer_[0] == '\r') {
          if (buffer_.size() < 2) break;
          if (buffer_[1] != '\n') return Fail(State::Malformed);
          buffer_.erase(0, 2);
        } else if (buffer_[0] == '\n') {
          buffer_.erase(0, 1);
        } else {
          return Fail(State::Malformed);
        }
        phase_ = Phase::ChunkSize;
        break;
      case Phase::ChunkSize:
        s = ReadChunkSize();
        break;
      case Phase::Trailers:
        s = ReadTrailers();
        break;
      case Phase::UntilClose:
        if (response_.body.size() + buffer_.size() > limits_.maxBody) return Fail(State::TooLarge);
        response_.body += buffer_;
        buffer_.clear();
        return state_;
      case Phase::Done:
        return state_ = State::Complete;
    }
    if (s != State::Incomplete) return Fail(s);
    if (phase_ == Phase::Done) return state_ = State::Complete;
    if (phase_ == phaseBefore && buffer_.size() == before) return state_;  // needs more bytes
  }
}

HttpResponseParser::State HttpResponseParser::ReadHead() {
  for (;;) {
    std::string line;
    const std::size_t room = limits_.maxHead - std::min(headBytes_, limits_.maxHead);
    const std::size_t sizeBefore = buffer_.size();
    if (!TakeLine(line, room)) {
      return buffer_.size() >= room ? State::TooLarge : State::Incomplete;
    }
    headBytes_ += sizeBefore - buffer_.size();
    if (response_.statusLine.empty()) {
      // "HTTP/1.x 200 Reason": the version, one space, three digits, then a space or the end.
      if (line.size() < 12 || line.compare(0, 5, "HTTP/") != 0 || line[8] != ' ' ||
          !std::isdigit(static_cast<unsigned char>(line[5])) || line[6] != '.' ||
          !std::isdigit(static_cast<unsigned char>(line[7])) ||
          !std::all_of(line.begin() + 9, line.begin() + 12,
                       [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }) ||
          (line.size() > 12 && line[12] != ' ')) {
        return State::Malformed;
      }
      response_.statusCode = std::stoi(line.substr(9, 3));
      response_.statusLine = line;
      continue;
    }
    if (line.empty()) return BeginBody();
    const std::size_t colon = line.find(':');
    if (colon == 0 || colon == std::string::npos ||
        !std::all_of(line.begin(), line.begin() + static_cast<std::ptrdiff_t>(colon),
                     IsTokenChar)) {
      return State::Malformed;  // folded lines included: they start with a space
    }
    response_.headers.emplace_back(line.substr(0, colon),
                                   std::string(Trim(std::string_view(line).substr(colon + 1))));
  }
}

HttpResponseParser::State HttpResponseParser::BeginBody() {
  const int code = response_.statusCode;
  if (code >= 100 && code < 200 && code != 101) {
    response_ = HttpResponse();  // an interim answer: the real one follows
    return State::Incomplete;
  }
  if (code < 200 || code == 204 || code == 304) {
    phase_ = Phase::Done;
    return State::Incomplete;
  }
  std::string coding = response_.Header("Transfer-Encoding");
  if (!coding.empty()) {
    const std::size_t comma = coding.rfind(',');
    if (!EqualsNoCase(Trim(comma == std::string::npos ? std::string_view(coding)
                                                      : std::string_view(coding).substr(comma + 1)),
                      "chunked")) {
      phase_ = Phase::UntilClose;  // an unknown coding: the body ends with the connection
      return State::Incomplete;
    }
    phase_ = Phase::ChunkSize;
    return State::Incomplete;
  }
  std::string length;
  for (const auto& [name, value] : response_.headers) {
    if (!EqualsNoCase(name, "Content-Length")) continue;
    if (!length.empty() && length != value) return State::Malformed;  // two lengths disagree
    length = value;
  }
  if (length.empty()) {
    phase_ = Phase::UntilClose;
    return State::Incomplete;
  }
  std::size_t n = 0;
  const auto [end, ec] = std::from_chars(length.data(), length.data() + length.size(), n);
  if (ec == std::errc::result_out_of_range) return State::TooLarge;
  if (ec != std::errc() || end != length.data() + length.size()) return State::Malformed;
  if (n > limits_.maxBody) return State::TooLarge;
  remaining_ = n;
  phase_ = n == 0 ? Phase::Done : Phase::FixedBody;
  return State::Incomplete;
}

HttpResponseParser::State HttpResponseParser::ReadChunkSize() {
  std::string line;
  if (!TakeLine(line, 1024)) return buffer_.size() >= 1024 ? State::Malformed : State::Incomplete;
  const std::size_t semi = line.find(';');  // chunk extensions are ignored
  const std::string_view digits = Trim(std::string_view(line).substr(0, semi));
  std::size_t n = 0;
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), n, 16);
  if (ec == std::errc::result_out_of_range) return State::TooLarge;
  if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size()) {
    return State::Malformed;
  }
  if (n > limits_.maxBody - response_.body.size()) return State::TooLarge;
  remaining_ = n;
  phase_ = n == 0 ? Phase::Trailers : Phase::ChunkData;
  return State::Incomplete;
}

HttpResponseParser::State HttpResponseParser::ReadTrailers() {
  for (;;) {
    std::string line;
    const std::size_t room = limits_.maxHead - std::min(headBytes_, limits_.maxHead);
    const std::size_t sizeBefore = buffer_.size();
    if (!TakeLine(line, room)) return buffer_.size() >= room ? State::TooLarge : State::Incomplete;
    headBytes_ += sizeBefore - buffer_.size();
    if (line.empty()) {
      phase_ = Phase::Done;
      return State::Incomplete;
    }
  }
}

}  // namespace net
