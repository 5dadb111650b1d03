#pragma once
// FtpDataChannel: the data connection of one transfer. In passive mode it connects to the
// address the engine gives it; in active mode it listens on the control connection's local
// address and takes the server's connection. Either connection can be secured with TLS before
// any data moves (client role in both modes). The handshake waits for the server's preliminary
// reply to the transfer command (TransferAccepted): servers that connect at PORT, or accept at
// PASV, drop a data connection that speaks before its command has arrived. Data is streamed
// through a fixed buffer: a sink takes what arrives, a source fills what is sent, so memory does
// not grow with the file.
//
// Threading: loop thread only. Handlers may close the channel.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ftp/tm_socket.h"

namespace ftp {

class FtpDataChannel {
 public:
  // Takes received bytes; false stops the transfer (the sink reports its own failure).
  using Sink = std::function<bool(const char* data, std::size_t size)>;
  // Fills `buffer` with up to `size` bytes to send; 0 at the end, negative on a failure.
  using Source = std::function<long(char* buffer, std::size_t size)>;

  static constexpr std::size_t kBufferBytes = 256 * 1024;

  FtpDataChannel(core::EventLoop& loop, net::Resolver& resolver);
  FtpDataChannel(const FtpDataChannel&) = delete;
  FtpDataChannel& operator=(const FtpDataChannel&) = delete;

  // TLS for the connections opened from now on (a null context: none). The handshake runs
  // before OnConnected, within `timeoutMs`; an upload ends with close_notify before the close.
  void SecureWith(std::shared_ptr<const net::TlsContext> context, net::TlsOptions options,
                  std::int64_t timeoutMs);

  // The server answered the transfer command with 125 or 150: a protected connection starts its
  // handshake now, or as soon as it is established.
  void TransferAccepted();

  // Passive mode: connects to `address`:`port`.
  void OpenPassive(const std::string& address, std::uint16_t port, std::int64_t timeoutMs);
  // Active mode: listens on `localAddress`; gives the PORT argument.
  [[nodiscard]] bool OpenActive(const std::string& localAddress, std::string& portArgument,
                                FtpFailure& failure);
  // Where received data goes (downloads, listings). Reading starts once connected.
  void ReceiveInto(Sink sink);
  // Starts sending from `source` (uploads) as soon as the connection is up.
  void SendFrom(Source source);
  void Close();

  [[nodiscard]] bool IsOpen() const { return connect_.IsOpen() || listen_.IsOpen(); }
  [[nodiscard]] std::uint64_t Bytes() const { return bytes_; }
  // Sending: the source has given its last byte.
  [[nodiscard]] bool SourceDone() const { return sourceDone_; }

  std::function<void()> OnConnected;
  // Receiving: the server ended the stream. Sending: the source ended and the stream is closed.
  std::function<void()> OnFinished;
  // The connection failed; the channel is closed.
  std::function<void(const FtpFailure&)> OnError;
  // Bytes moved by the last batch (for the engine's progress and activity clock).
  std::function<void(std::size_t bytes)> OnProgress;

 private:
  TMSocket& Active() { return listen_.IsOpen() ? listen_ : connect_; }
  void Bind(TMSocket& socket);
  void Established(TMSocket& socket);
  void Connected();
  void HeldReadable(TMSocket& socket);
  void Readable();
  void Writable();
  void Finish();
  void Failed(const FtpFailure& failure);

  TMSocket connect_;
  TMSocket listen_;
  Sink sink_;
  Source source_;
  bool connected_ = false;
  std::vector<char> buffer_;
  std::size_t sendPos_ = 0;
  std::size_t sendLen_ = 0;
  bool sourceDone_ = false;
  std::uint64_t bytes_ = 0;
  std::uint64_t generation_ = 0;
  std::shared_ptr<const net::TlsContext> tlsContext_;
  net::TlsOptions tlsOptions_;
  std::int64_t tlsTimeoutMs_ = 0;
  bool accepted_ = false;     // TransferAccepted since the last open
  TMSocket* held_ = nullptr;  // established, its handshake waiting for TransferAccepted
};

}  // namespace ftp
