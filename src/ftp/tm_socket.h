#pragma once
// TMSocket: one non-blocking IPv4 stream socket driven by the event loop. It connects (resolving
// a host name off the loop's thread first), or listens on a local address with a port the system
// picks and then becomes the first connection that arrives. Readiness comes from fd watches and
// is handed on as events; a time-out timer covers resolution and connect together.
//
// Threading: loop thread only. Event handlers may close the socket or start a new connect on it;
// they must not destroy it.

#include <netinet/in.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "core/event_loop.h"
#include "core/one_shot_timer.h"
#include "core/unique_fd.h"
#include "ftp/ftp_socket_errors.h"
#include "net/resolver.h"
#include "net/tls_channel.h"

namespace ftp {

class TMSocket {
 public:
  static constexpr long kWouldBlock = -1;
  static constexpr long kFailed = -2;

  TMSocket(core::EventLoop& loop, net::Resolver& resolver);
  ~TMSocket();
  TMSocket(const TMSocket&) = delete;
  TMSocket& operator=(const TMSocket&) = delete;

  std::function<void(const std::string& host)> OnResolving;
  std::function<void(const std::string& address)> OnResolved;
  // The outgoing connect completed, or a listening socket accepted its peer.
  std::function<void()> OnConnected;
  std::function<void()> OnReadable;
  // Fires while SetWantWrite(true) and the socket accepts data.
  std::function<void()> OnWritable;
  // The TLS handshake StartTls began is complete.
  std::function<void()> OnSecured;
  // Resolution, connect or the TLS handshake failed or timed out; the socket is closed already.
  std::function<void(const FtpFailure&)> OnError;

  // Connects to `host` (name or dotted address). `timeoutMs` bounds resolution and connect.
  void Connect(const std::string& host, std::uint16_t port, std::int64_t timeoutMs);
  // Listens on `localAddress` (dotted) with port 0; false and `failure` set when that fails.
  [[nodiscard]] bool Listen(const std::string& localAddress, FtpFailure& failure);
  void Close();
  // Secures the connected socket: OnSecured when the certificate is verified, else OnError
  // (a TLS failure as kProtocolError with "TLS: " and the reason; kConnectTimeOut when the
  // handshake is not done within `timeoutMs`). Nothing is received or sent meanwhile.
  void StartTls(std::shared_ptr<const net::TlsContext> context, const net::TlsOptions& options,
                std::int64_t timeoutMs);
  // Sends TLS's close_notify before the connection is closed: 0 when sent (or not secured),
  // kWouldBlock (call again when writable) or kFailed.
  long SendCloseNotify();
  [[nodiscard]] bool Secure() const { return tls_ != nullptr; }
  // The session to offer on a data connection (empty when not secured).
  [[nodiscard]] net::TlsSession TlsSession() const;
  [[nodiscard]] bool TlsSessionReused() const { return tls_ && tls_->SessionReused(); }

  [[nodiscard]] bool IsOpen() const { return fd_.Valid(); }
  [[nodiscard]] bool IsConnected() const { return state_ == State::kConnected; }
  [[nodiscard]] bool IsListening() const { return state_ == State::kListening; }

  // >0 bytes read, 0 end of stream, kWouldBlock, or kFailed (see LastFailure).
  long Receive(char* buffer, std::size_t size);
  // Bytes written (maybe fewer than asked), kWouldBlock, or kFailed. `urgent` sends as TCP
  // urgent data.
  long Send(const char* data, std::size_t size, bool urgent = false);
  // Half-closes the sending side: the peer sees the end of the stream.
  void ShutdownSend();
  void SetWantWrite(bool on);
  [[nodiscard]] const FtpFailure& LastFailure() const { return lastFailure_; }

  // Dotted addresses and ports of both ends ("" / 0 when not known).
  [[nodiscard]] std::string LocalAddress() const;
  [[nodiscard]] std::uint16_t LocalPort() const;
  [[nodiscard]] std::string PeerAddress() const;

 private:
  enum class State { kClosed, kResolving, kConnecting, kListening, kHandshaking, kConnected };

  void StartConnect(const std::string& address);
  void OnIo(unsigned events);
  void FinishConnect();
  void AcceptPeer();
  void Fail(const FtpFailure& failure);
  void UpdateWatch();
  void ContinueHandshake();
  [[nodiscard]] FtpFailure TlsFailure() const;
  long TlsDone(long n, bool& waiting, net::TlsChannel::Want other);
  void PostPendingRead();
  void DrainBeforeClose();

  core::EventLoop& loop_;
  net::Resolver& resolver_;
  State state_ = State::kClosed;
  core::UniqueFd fd_;
  core::EventLoop::WatchId watch_ = 0;
  core::OneShotTimer timer_;  // bounds resolution and connect
  net::Resolver::RequestId resolveId_ = 0;
  std::uint16_t port_ = 0;
  bool wantWrite_ = false;
  std::uint64_t generation_ = 0;  // grows with every Close
  FtpFailure lastFailure_;
  std::unique_ptr<net::TlsChannel> tls_;
  // A TLS read that needs the socket writable, or a write that needs it readable.
  bool readWantsWrite_ = false;
  bool writeWantsRead_ = false;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace ftp
