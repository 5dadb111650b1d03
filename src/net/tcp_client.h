#pragma once
// A blocking TCP client for the line-oriented protocols of the network layer (SMTP, HTTP). Every
// call waits at most the client's time-out in real time while the loop keeps running (see
// socket_wait.h). Socket errors are not thrown: they are recorded in the process-wide network
// error record (network_error.h) and the call returns false; the connection is then closed.
// After StartTls the same calls go through TLS (tls_stream.h).
//
// Threading: loop thread only.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "core/event_loop.h"
#include "core/unique_fd.h"
#include "net/tls_context.h"

namespace net {

class TlsStream;

class TcpClient {
 public:
  static constexpr std::int64_t kDefaultTimeoutMs = 30000;
  // The longest line ReadLine accepts; a peer that sends more without a line end is cut off.
  static constexpr std::size_t kMaxLine = 64 * 1024;

  explicit TcpClient(core::EventLoop& loop);
  ~TcpClient();
  TcpClient(const TcpClient&) = delete;
  TcpClient& operator=(const TcpClient&) = delete;

  // The time-out of each call (connect, one send, one read), in real milliseconds.
  void SetTimeout(std::int64_t ms) { timeoutMs_ = ms; }
  [[nodiscard]] std::int64_t Timeout() const { return timeoutMs_; }

  // Resolves `host` and connects; false (error recorded) when that fails or times out.
  bool Connect(const std::string& host, int port);
  [[nodiscard]] bool Connected() const { return static_cast<bool>(fd_); }
  void Close();

  // Turns the open connection into TLS (the handshake, the certificate verified for
  // `options.serverName`); from then on Send, ReadLine and ReadSome go through it. False (error
  // recorded, connection closed) when the handshake fails, and when bytes the peer sent before
  // the handshake are still unread: they would otherwise pass as if they had come through TLS.
  bool StartTls(const TlsOptions& options);
  [[nodiscard]] bool Secure() const { return static_cast<bool>(tls_); }
  // The TLS session, to resume on another connection (empty without TLS).
  [[nodiscard]] TlsSession Session() const;
  // True when StartTls resumed the session it offered.
  [[nodiscard]] bool SessionReused() const;

  // Sends all of `data`; false (error recorded, connection closed) when it cannot.
  bool Send(std::string_view data);
  // Reads one line; the line end (LF, with a CR before it) is not part of `line`. False at the
  // end of the stream without a complete line, on time-out and on error (recorded).
  bool ReadLine(std::string& line);
  // Reads whatever arrives next (at most `max` bytes) into `out`, appending. False at the end of
  // the stream, on time-out and on error.
  bool ReadSome(std::string& out, std::size_t max = 16384);
  // True once a read has met the end of the stream (the peer closed; nothing recorded).
  [[nodiscard]] bool PeerClosed() const { return peerClosed_; }
  // The address of this end of the connection ("" when not connected).
  [[nodiscard]] std::string LocalAddress() const;

 private:
  bool Fail(int code);
  bool Fill();

  core::EventLoop& loop_;
  core::UniqueFd fd_;
  std::unique_ptr<TlsStream> tls_;  // after fd_: goes first, as it uses the socket
  std::string buffer_;              // received, not yet handed out
  std::int64_t timeoutMs_ = kDefaultTimeoutMs;
  bool peerClosed_ = false;
};

}  // namespace net
