#include "ftp/tm_socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "net/network_error.h"

namespace ftp {

namespace {

std::string AddressText(const sockaddr_in& addr) {
  char text[INET_ADDRSTRLEN] = {};
  ::inet_ntop(AF_INET, &addr.sin_addr, text, sizeof text);
  return text;
}

// Commands are single short writes, and a bulk write that is not a whole number of segments
// must not leave its last piece waiting for the peer's acknowledgement (Nagle's algorithm).
void NoDelay(int fd) {
  const int on = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

}  // namespace

static_assert(TMSocket::kWouldBlock == net::TlsChannel::kWouldBlock &&
              TMSocket::kFailed == net::TlsChannel::kFailed);

TMSocket::TMSocket(core::EventLoop& loop, net::Resolver& resolver)
    : loop_(loop), resolver_(resolver), timer_(loop) {}

TMSocket::~TMSocket() {
  *alive_ = false;
  Close();
}

void TMSocket::Connect(const std::string& host, std::uint16_t port, std::int64_t timeoutMs) {
  Close();
  port_ = port;
  lastFailure_ = {};
  timer_.Start(timeoutMs, [this] {
    Fail({FtpError::kConnectTimeOut, std::string(kTextTimedOut)});
  });
  if (net::Resolver::IsDottedAddress(host)) {
    StartConnect(host);
    return;
  }
  state_ = State::kResolving;
  if (OnResolving) OnResolving(host);
  if (state_ != State::kResolving) return;  // the handler gave up on this connect
  resolveId_ = resolver_.Resolve(host, [this](int error, const std::string& address) {
    resolveId_ = 0;
    if (error != 0) {
      Fail(ResolveFailure(error));
      return;
    }
    if (OnResolved) OnResolved(address);
    if (state_ == State::kResolving) StartConnect(address);
  });
}

void TMSocket::StartConnect(const std::string& address) {
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(port_);
  if (::inet_pton(AF_INET, address.c_str(), &addr.sin_addr) != 1) {
    Fail(SocketFailure(EINVAL));
    return;
  }
  fd_.Reset(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
  if (!fd_) {
    Fail(SocketFailure(errno));
    return;
  }
  state_ = State::kConnecting;
  if (::connect(fd_.Get(), reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) {
    // Loopback connects can complete at once; report it from the loop like any other.
    watch_ = loop_.WatchFd(fd_.Get(), core::kIoWrite, [this](unsigned ev) { OnIo(ev); });
    return;
  }
  if (errno != EINPROGRESS) {
    Fail(SocketFailure(errno));
    return;
  }
  watch_ = loop_.WatchFd(fd_.Get(), core::kIoWrite, [this](unsigned ev) { OnIo(ev); });
}

bool TMSocket::Listen(const std::string& localAddress, FtpFailure& failure) {
  Close();
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = 0;
  if (::inet_pton(AF_INET, localAddress.c_str(), &addr.sin_addr) != 1) {
    failure = SocketFailure(EINVAL);
    return false;
  }
  fd_.Reset(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
  if (!fd_ || ::bind(fd_.Get(), reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      ::listen(fd_.Get(), 1) != 0) {
    failure = SocketFailure(errno);
    Close();
    return false;
  }
  state_ = State::kListening;
  watch_ = loop_.WatchFd(fd_.Get(), core::kIoRead, [this](unsigned ev) { OnIo(ev); });
  return true;
}

void TMSocket::Close() {
  DrainBeforeClose();
  tls_.reset();
  readWantsWrite_ = writeWantsRead_ = false;
  timer_.Cancel();
  if (resolveId_) resolver_.Cancel(resolveId_);
  resolveId_ = 0;
  if (watch_) loop_.Unwatch(watch_);
  watch_ = 0;
  fd_.Reset();
  state_ = State::kClosed;
  wantWrite_ = false;
  ++generation_;
}

void TMSocket::Fail(const FtpFailure& failure) {
  Close();
  lastFailure_ = failure;
  if (OnError) OnError(failure);
}

void TMSocket::OnIo(unsigned events) {
  switch (state_) {
    case State::kConnecting:
      FinishConnect();
      return;
    case State::kListening:
      AcceptPeer();
      return;
    case State::kHandshaking:
      ContinueHandshake();
      return;
    case State::kConnected: {
      const std::uint64_t generation = generation_;
      const bool readable = (events & (core::kIoRead | core::kIoError)) != 0;
      const bool writable = (events & (core::kIoWrite | core::kIoError)) != 0;
      if ((readable || (readWantsWrite_ && writable)) && OnReadable) OnReadable();
      // The read handler may have closed or replaced the socket.
      if (generation_ == generation && state_ == State::kConnected && wantWrite_ &&
          (writable || (writeWantsRead_ && readable)) && OnWritable) {
        OnWritable();
      }
      if (generation_ == generation && state_ == State::kConnected && tls_ && tls_->Pending()) {
        PostPendingRead();
      }
      return;
    }
    default:
      return;
  }
}

void TMSocket::FinishConnect() {
  int error = 0;
  socklen_t len = sizeof error;
  if (::getsockopt(fd_.Get(), SOL_SOCKET, SO_ERROR, &error, &len) != 0) error = errno;
  if (error != 0) {
    Fail(SocketFailure(error));
    return;
  }
  timer_.Cancel();
  NoDelay(fd_.Get());
  state_ = State::kConnected;
  UpdateWatch();
  if (OnConnected) OnConnected();
}

void TMSocket::AcceptPeer() {
  const int peer = ::accept4(fd_.Get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
  if (peer < 0) {
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return;
    Fail(SocketFailure(errno));
    return;
  }
  // The listener has served its one purpose; the socket now is the connection.
  loop_.Unwatch(watch_);
  fd_.Reset(peer);
  NoDelay(fd_.Get());
  state_ = State::kConnected;
  watch_ = loop_.WatchFd(fd_.Get(), core::kIoRead, [this](unsigned ev) { OnIo(ev); });
  UpdateWatch();
  if (OnConnected) OnConnected();
}

void TMSocket::UpdateWatch() {
  if (!watch_) return;
  unsigned events = 0;
  if (state_ == State::kConnected) {
    // A write that waits for TLS to read is woken by readability, not by the free socket.
    const bool write = (wantWrite_ && !writeWantsRead_) || readWantsWrite_;
    events = core::kIoRead | (write ? unsigned{core::kIoWrite} : 0u);
  } else if (state_ == State::kHandshaking) {
    events = tls_->Wanted() == net::TlsChannel::Want::kWrite ? core::kIoWrite : core::kIoRead;
  }
  loop_.ModifyWatch(watch_, events);
}

void TMSocket::StartTls(std::shared_ptr<const net::TlsContext> context,
                        const net::TlsOptions& options, std::int64_t timeoutMs) {
  if (state_ != State::kConnected || tls_) {
    Fail(SocketFailure(ENOTCONN));
    return;
  }
  tls_ = net::TlsChannel::Create(std::move(context), fd_.Get(), options);
  if (!tls_) {
    const std::string reason = net::NetworkErrorText();
    net::ClearNetworkError();
    Fail({FtpError::kProtocolError, reason.empty() ? "TLS: protocol error" : reason});
    return;
  }
  state_ = State::kHandshaking;
  timer_.Start(timeoutMs, [this] {
    Fail({FtpError::kConnectTimeOut, "TLS: handshake timed out"});
  });
  ContinueHandshake();
}

void TMSocket::ContinueHandshake() {
  switch (tls_->Handshake()) {
    case net::TlsChannel::Status::kAgain:
      UpdateWatch();
      return;
    case net::TlsChannel::Status::kFailed:
      Fail(TlsFailure());
      return;
    case net::TlsChannel::Status::kDone:
      break;
  }
  timer_.Cancel();
  state_ = State::kConnected;
  UpdateWatch();
  const std::uint64_t generation = generation_;
  if (OnSecured) OnSecured();
  // Application data that came with the handshake's last flight raises no event of its own.
  if (generation == generation_ && state_ == State::kConnected && tls_->Pending()) {
    PostPendingRead();
  }
}

// A TLS failure is a protocol error; a socket failure keeps its code, and during the handshake
// says that it was the handshake that failed.
FtpFailure TMSocket::TlsFailure() const {
  if (tls_->FailureErrno() == 0) return {FtpError::kProtocolError, tls_->FailureText()};
  FtpFailure failure = SocketFailure(tls_->FailureErrno());
  if (state_ == State::kHandshaking) failure.Text = tls_->FailureText();
  return failure;
}

void TMSocket::PostPendingRead() {
  std::weak_ptr<bool> alive = alive_;
  const std::uint64_t generation = generation_;
  loop_.Post([this, alive, generation] {
    if (alive.lock() && generation == generation_ && state_ == State::kConnected) {
      OnIo(core::kIoRead);
    }
  });
}

// Closing with unread bytes makes the kernel reset the connection, which may cost the peer data
// it has not read yet; TLS peers send session tickets that nobody asked to read.
void TMSocket::DrainBeforeClose() {
  if (!tls_ || state_ != State::kConnected || !fd_) return;
  char scratch[16 * 1024];
  for (int i = 0; i < 4; ++i) {
    if (::recv(fd_.Get(), scratch, sizeof scratch, MSG_DONTWAIT) <= 0) return;
  }
}

long TMSocket::SendCloseNotify() {
  if (!tls_ || state_ != State::kConnected) return 0;
  switch (tls_->Shutdown()) {
    case net::TlsChannel::Status::kDone:
      return 0;
    case net::TlsChannel::Status::kAgain:
      return kWouldBlock;
    case net::TlsChannel::Status::kFailed:
      lastFailure_ = TlsFailure();
      return kFailed;
  }
  return kFailed;
}

net::TlsSession TMSocket::TlsSession() const {
  return tls_ ? tls_->Session() : nullptr;
}

void TMSocket::SetWantWrite(bool on) {
  if (wantWrite_ == on) return;
  wantWrite_ = on;
  UpdateWatch();
}

// After a TLS read or write that returned `n`: notes whether it waits for the other direction of
// the socket (`waiting`) and the failure.
long TMSocket::TlsDone(long n, bool& waiting, net::TlsChannel::Want other) {
  const bool was = waiting;
  waiting = n == net::TlsChannel::kWouldBlock && tls_->Wanted() == other;
  if (waiting != was) UpdateWatch();
  if (n == net::TlsChannel::kFailed) lastFailure_ = TlsFailure();
  return n;
}

long TMSocket::Receive(char* buffer, std::size_t size) {
  if (!fd_) {
    lastFailure_ = SocketFailure(ENOTCONN);
    return kFailed;
  }
  if (state_ == State::kHandshaking) return kWouldBlock;
  if (tls_)
    return TlsDone(tls_->Read(buffer, size), readWantsWrite_, net::TlsChannel::Want::kWrite);
  for (;;) {
    const ssize_t n = ::recv(fd_.Get(), buffer, size, 0);
    if (n >= 0) return static_cast<long>(n);
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) return kWouldBlock;
    lastFailure_ = SocketFailure(errno);
    return kFailed;
  }
}

long TMSocket::Send(const char* data, std::size_t size, bool urgent) {
  if (!fd_) {
    lastFailure_ = SocketFailure(ENOTCONN);
    return kFailed;
  }
  if (state_ == State::kHandshaking) return kWouldBlock;
  // Urgent data has no place inside TLS records; it goes as ordinary data.
  if (tls_) return TlsDone(tls_->Write(data, size), writeWantsRead_, net::TlsChannel::Want::kRead);
  const int flags = MSG_NOSIGNAL | (urgent ? MSG_OOB : 0);
  for (;;) {
    const ssize_t n = ::send(fd_.Get(), data, size, flags);
    if (n >= 0) return static_cast<long>(n);
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) return kWouldBlock;
    lastFailure_ = SocketFailure(errno);
    return kFailed;
  }
}

void TMSocket::ShutdownSend() {
  if (fd_) ::shutdown(fd_.Get(), SHUT_WR);
}

std::string TMSocket::LocalAddress() const {
  sockaddr_in addr{};
  socklen_t len = sizeof addr;
  if (!fd_ || ::getsockname(fd_.Get(), reinterpret_cast<sockaddr*>(&addr), &len) != 0) return {};
  return AddressText(addr);
}

std::uint16_t TMSocket::LocalPort() const {
  sockaddr_in addr{};
  socklen_t len = sizeof addr;
  if (!fd_ || ::getsockname(fd_.Get(), reinterpret_cast<sockaddr*>(&addr), &len) != 0) return 0;
  return ntohs(addr.sin_port);
}

std::string TMSocket::PeerAddress() const {
  sockaddr_in addr{};
  socklen_t len = sizeof addr;
  if (!fd_ || ::getpeername(fd_.Get(), reinterpret_cast<sockaddr*>(&addr), &len) != 0) return {};
  return AddressText(addr);
}

}  // namespace ftp
