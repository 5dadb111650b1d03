#include "net/tcp_client.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "net/network_error.h"
#include "net/socket_wait.h"
#include "net/tls_stream.h"

namespace net {

TcpClient::TcpClient(core::EventLoop& loop) : loop_(loop) {}

TcpClient::~TcpClient() = default;

bool TcpClient::Fail(int code) {
  RecordNetworkError(code);
  Close();
  return false;
}

void TcpClient::Close() {
  if (tls_) tls_->Shutdown();
  tls_.reset();
  fd_.Reset();
  buffer_.clear();
  peerClosed_ = false;
}

bool TcpClient::Connect(const std::string& host, int port) {
  Close();
  const std::string address = ResolveBlocking(loop_, host, timeoutMs_);
  if (address.empty()) return Fail(EHOSTUNREACH);
  sockaddr_in sin{};
  sin.sin_family = AF_INET;
  sin.sin_port = htons(static_cast<std::uint16_t>(port));
  if (port <= 0 || port > 65535 || ::inet_pton(AF_INET, address.c_str(), &sin.sin_addr) != 1) {
    return Fail(EADDRNOTAVAIL);
  }
  core::UniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
  if (!fd) return Fail(errno);
  if (::connect(fd.Get(), reinterpret_cast<const sockaddr*>(&sin), sizeof sin) != 0) {
    if (errno != EINPROGRESS) return Fail(errno);
    const WaitResult waited = WaitForSocket(loop_, fd.Get(), core::kIoWrite, timeoutMs_);
    if (waited != WaitResult::Ready) return Fail(ETIMEDOUT);
    int error = 0;
    socklen_t len = sizeof error;
    if (::getsockopt(fd.Get(), SOL_SOCKET, SO_ERROR, &error, &len) != 0) error = errno;
    if (error != 0) return Fail(error);
  }
  fd_ = std::move(fd);
  return true;
}

bool TcpClient::StartTls(const TlsOptions& options) {
  if (!fd_ || tls_) return Fail(ENOTCONN);
  if (!buffer_.empty()) {
    RecordNetworkErrorText("TLS: the server sent data before the TLS handshake");
    Close();
    return false;
  }
  auto tls = std::make_unique<TlsStream>(loop_, fd_);
  if (!tls->Handshake(options, timeoutMs_)) {
    Close();  // recorded
    return false;
  }
  tls_ = std::move(tls);
  return true;
}

TlsSession TcpClient::Session() const {
  return tls_ ? tls_->Session() : nullptr;
}

bool TcpClient::SessionReused() const {
  return tls_ && tls_->SessionReused();
}

bool TcpClient::Send(std::string_view data) {
  if (!fd_) return Fail(ENOTCONN);
  if (tls_) {
    if (tls_->Send(data, timeoutMs_)) return true;
    Close();  // recorded
    return false;
  }
  while (!data.empty()) {
    const ssize_t n = ::send(fd_.Get(), data.data(), data.size(), MSG_NOSIGNAL);
    if (n > 0) {
      data.remove_prefix(static_cast<std::size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return Fail(errno);
    if (WaitForSocket(loop_, fd_.Get(), core::kIoWrite, timeoutMs_) != WaitResult::Ready) {
      return Fail(ETIMEDOUT);
    }
    if (!fd_) return Fail(ENOTCONN);  // closed by a handler that ran meanwhile
  }
  return true;
}

// Reads the next chunk into the buffer. False at the end of the stream (connection closed, no
// error recorded), on time-out or error (recorded).
bool TcpClient::Fill() {
  if (!fd_) return Fail(ENOTCONN);
  char chunk[16384];
  if (tls_) {
    const long n = tls_->Read(chunk, sizeof chunk, timeoutMs_);
    if (n > 0) {
      buffer_.append(chunk, static_cast<std::size_t>(n));
      return true;
    }
    Close();  // recorded when it failed
    peerClosed_ = n == 0;
    return false;
  }
  for (;;) {
    const ssize_t n = ::recv(fd_.Get(), chunk, sizeof chunk, 0);
    if (n > 0) {
      buffer_.append(chunk, static_cast<std::size_t>(n));
      return true;
    }
    if (n == 0) {
      fd_.Reset();
      peerClosed_ = true;
      return false;
    }
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) return Fail(errno);
    if (WaitForSocket(loop_, fd_.Get(), core::kIoRead, timeoutMs_) != WaitResult::Ready) {
      return Fail(ETIMEDOUT);
    }
    if (!fd_) return Fail(ENOTCONN);
  }
}

bool TcpClient::ReadLine(std::string& line) {
  for (;;) {
    const std::size_t end = buffer_.find('\n');
    if (end != std::string::npos) {
      line.assign(buffer_, 0, end);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      buffer_.erase(0, end + 1);
      return true;
    }
    if (buffer_.size() > kMaxLine) return Fail(EMSGSIZE);
    if (!Fill()) return false;
  }
}

bool TcpClient::ReadSome(std::string& out, std::size_t max) {
  if (buffer_.empty() && !Fill()) return false;
  const std::size_t n = std::min(max, buffer_.size());
  out.append(buffer_, 0, n);
  buffer_.erase(0, n);
  return true;
}

std::string TcpClient::LocalAddress() const {
  if (!fd_) return "";
  sockaddr_in sin{};
  socklen_t len = sizeof sin;
  if (::getsockname(fd_.Get(), reinterpret_cast<sockaddr*>(&sin), &len) != 0) return "";
  char text[INET_ADDRSTRLEN] = {};
  ::inet_ntop(AF_INET, &sin.sin_addr, text, sizeof text);
  return text;
}

}  // namespace net
