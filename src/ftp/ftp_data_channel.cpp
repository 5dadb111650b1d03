#include "ftp/ftp_data_channel.h"

#include <algorithm>
#include <cerrno>

#include "ftp/ftp_reply_text.h"

namespace ftp {

namespace {
// How much one readiness event receives before the loop serves others (control replies, timers).
constexpr std::size_t kBatchBytes = 4 * 1024 * 1024;
// How much one readiness event sends, read from the source just before: filling the socket to
// the brim each time makes the transfer come in bursts, and a piece this size is still in the
// cache when it is written. Together they keep a loopback upload as fast as curl's.
constexpr std::size_t kSendBatchBytes = 64 * 1024;
}  // namespace

FtpDataChannel::FtpDataChannel(core::EventLoop& loop, net::Resolver& resolver)
    : connect_(loop, resolver), listen_(loop, resolver) {
  Bind(connect_);
  Bind(listen_);
}

void FtpDataChannel::Bind(TMSocket& socket) {
  socket.OnConnected = [this, &socket] { Established(socket); };
  socket.OnSecured = [this] { Connected(); };
  socket.OnReadable = [this] { Readable(); };
  socket.OnWritable = [this] { Writable(); };
  socket.OnError = [this](const FtpFailure& failure) { Failed(failure); };
}

void FtpDataChannel::SecureWith(std::shared_ptr<const net::TlsContext> context,
                                net::TlsOptions options, std::int64_t timeoutMs) {
  tlsContext_ = std::move(context);
  tlsOptions_ = std::move(options);
  tlsTimeoutMs_ = timeoutMs;
}

void FtpDataChannel::OpenPassive(const std::string& address, std::uint16_t port,
                                 std::int64_t timeoutMs) {
  Close();
  connect_.Connect(address, port, timeoutMs);
}

bool FtpDataChannel::OpenActive(const std::string& localAddress, std::string& portArgument,
                                FtpFailure& failure) {
  Close();
  if (!listen_.Listen(localAddress, failure)) return false;
  portArgument = PortArgument(localAddress, listen_.LocalPort());
  return true;
}

void FtpDataChannel::ReceiveInto(Sink sink) {
  sink_ = std::move(sink);
}

void FtpDataChannel::SendFrom(Source source) {
  source_ = std::move(source);
  if (connected_) Active().SetWantWrite(true);
}

void FtpDataChannel::Close() {
  connect_.Close();
  listen_.Close();
  sink_ = nullptr;
  source_ = nullptr;
  connected_ = false;
  sendPos_ = sendLen_ = 0;
  sourceDone_ = false;
  accepted_ = false;
  held_ = nullptr;
  bytes_ = 0;
  buffer_.clear();
  buffer_.shrink_to_fit();
  ++generation_;
}

void FtpDataChannel::TransferAccepted() {
  accepted_ = true;
  if (!held_) return;
  TMSocket& socket = *held_;
  held_ = nullptr;
  socket.StartTls(tlsContext_, tlsOptions_, tlsTimeoutMs_);
}

void FtpDataChannel::Established(TMSocket& socket) {
  if (!tlsContext_) {
    Connected();
    return;
  }
  if (!accepted_) {
    held_ = &socket;
    return;
  }
  socket.StartTls(tlsContext_, tlsOptions_, tlsTimeoutMs_);
}

// A connection held before its handshake has nothing to say yet: readable means the server
// closed it, reset it or sent plain text where TLS was agreed.
void FtpDataChannel::HeldReadable(TMSocket& socket) {
  char byte = 0;
  const long n = socket.Receive(&byte, 1);
  if (n == TMSocket::kWouldBlock) return;
  if (n == TMSocket::kFailed) {
    Failed(socket.LastFailure());
  } else if (n == 0) {
    Failed(SocketFailure(ECONNRESET));
  } else {
    Failed({FtpError::kProtocolError, "TLS: plain data from the server before the handshake"});
  }
}

void FtpDataChannel::Connected() {
  connected_ = true;
  if (buffer_.size() != kBufferBytes) buffer_.resize(kBufferBytes);
  if (source_) Active().SetWantWrite(true);
  if (OnConnected) OnConnected();
}

void FtpDataChannel::Failed(const FtpFailure& failure) {
  Close();
  if (OnError) OnError(failure);
}

void FtpDataChannel::Finish() {
  // The source or sink is done with; the handler decides what follows.
  connect_.Close();
  listen_.Close();
  connected_ = false;
  if (OnFinished) OnFinished();
}

void FtpDataChannel::Readable() {
  TMSocket& socket = Active();
  if (held_) {
    HeldReadable(socket);
    return;
  }
  const std::uint64_t generation = generation_;
  std::size_t moved = 0;
  while (moved < kBatchBytes) {
    const long n = socket.Receive(buffer_.data(), buffer_.size());
    if (n == TMSocket::kWouldBlock) break;
    if (n == TMSocket::kFailed) {
      Failed(socket.LastFailure());
      return;
    }
    if (n == 0) {
      if (moved && OnProgress) OnProgress(moved);
      if (generation == generation_) Finish();
      return;
    }
    bytes_ += static_cast<std::uint64_t>(n);
    moved += static_cast<std::size_t>(n);
    // Data that arrives for an upload is not ours to keep; without a sink it is dropped.
    if (sink_ && !sink_(buffer_.data(), static_cast<std::size_t>(n))) return;
    if (generation != generation_) return;
  }
  if (moved && OnProgress) OnProgress(moved);
}

void FtpDataChannel::Writable() {
  TMSocket& socket = Active();
  const std::uint64_t generation = generation_;
  std::size_t moved = 0;
  while (moved < kSendBatchBytes) {
    if (sendPos_ == sendLen_) {
      if (sourceDone_ || !source_) break;
      const long filled = source_(buffer_.data(), std::min(buffer_.size(), kSendBatchBytes));
      if (generation != generation_) return;
      if (filled < 0) return;  // the source reported its failure and closed the channel
      if (filled == 0) {
        sourceDone_ = true;
        break;
      }
      sendPos_ = 0;
      sendLen_ = static_cast<std::size_t>(filled);
    }
    const long n =
        socket.Send(buffer_.data() + sendPos_, std::min(sendLen_ - sendPos_, kSendBatchBytes));
    if (n == TMSocket::kWouldBlock) break;
    if (n == TMSocket::kFailed) {
      Failed(socket.LastFailure());
      return;
    }
    sendPos_ += static_cast<std::size_t>(n);
    bytes_ += static_cast<std::uint64_t>(n);
    moved += static_cast<std::size_t>(n);
  }
  if (moved && OnProgress) OnProgress(moved);
  if (generation != generation_) return;
  if (!sourceDone_ || sendPos_ != sendLen_) return;
  // The server must see a clean end of the upload, not a cut-off one.
  const long notified = socket.SendCloseNotify();
  if (notified == TMSocket::kWouldBlock) return;  // still writable-watched: comes back here
  if (notified == TMSocket::kFailed) {
    Failed(socket.LastFailure());
    return;
  }
  Finish();
}

}  // namespace ftp
