#pragma once
// The ICMP echo client: one echo request per Ping, the first answer within ReceiveTimeout taken
// as the reply, the record handed to OnReply (a time-out too) and kept as the last reply.
//
// The socket is a raw ICMP socket (IP TTL 128) when the process may open one (root or
// CAP_NET_RAW); otherwise the unprivileged ICMP datagram socket, which Linux offers to the groups
// in `net.ipv4.ping_group_range`: the kernel then sets the identifier itself, passes only the
// replies to our requests and drops the IP header, so the client puts back an equivalent header
// (source address, TTL from the packet's control data) and the record reads the same. When
// neither may be opened, the loop's error display says once what to grant and every ping ends as
// a time-out.
//
// Socket errors (resolving, sending, waiting, reading) are recorded in the network error record,
// not thrown: a failed send ends as a time-out, a failed read as the decoder's "Not enough bytes
// received". The decoder's two errors are thrown from Ping.
//
// Threading: loop thread only. Ping waits in real time while the loop keeps running.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/event_loop.h"
#include "core/unique_fd.h"
#include "net/icmp_packet.h"

namespace net {

// What a user of an echo client sets and calls; the window's code sees only this, so its tests
// can answer with scripted replies.
class IcmpEcho {
 public:
  using ReplyEvent = std::function<void(IcmpEcho& sender, const TReplyStatus& status)>;
  static constexpr int kDefaultReceiveTimeout = 5000;

  virtual ~IcmpEcho() = default;

  // One exchange; throws IcmpDecodeError for a packet that is no reply.
  virtual void Ping() = 0;

  std::string Host;
  int Port = 0;
  int ReceiveTimeout = kDefaultReceiveTimeout;  // milliseconds
  ReplyEvent OnReply;
};

class TIdIcmpClient final : public IcmpEcho {
 public:
  enum class SocketKind { None, Raw, Datagram };
  // A name lookup may take longer than an echo; it gets its own bound.
  static constexpr std::int64_t kResolveTimeoutMs = 5000;
  static constexpr int kTtl = 128;

  explicit TIdIcmpClient(core::EventLoop& loop);
  TIdIcmpClient(const TIdIcmpClient&) = delete;
  TIdIcmpClient& operator=(const TIdIcmpClient&) = delete;

  void Ping() override;

  // The counter the next request carries.
  [[nodiscard]] std::uint16_t SequenceNumber() const { return sequence_; }
  [[nodiscard]] const TReplyStatus& ReplyStatus() const { return reply_; }
  // The kind of socket the last exchange used (None: no socket could be opened).
  [[nodiscard]] SocketKind LastSocketKind() const { return kind_; }

  static constexpr const char* kNoSocketText =
      "Ping: no ICMP socket may be opened; every ping ends as a time-out. Grant CAP_NET_RAW "
      "(e.g. setcap cap_net_raw+ep on the program) or add the user's group to "
      "net.ipv4.ping_group_range.";

 private:
  core::UniqueFd OpenSocket();
  // Sends `request` and reads the answer into `packet` (IP header first). Returns the byte
  // count: 0 for none within the time-out, -1 for a failed read.
  std::int32_t Exchange(const EchoRequest& request, std::vector<std::uint8_t>& packet);
  std::int32_t Receive(int fd, std::vector<std::uint8_t>& packet);

  core::EventLoop& loop_;
  std::uint16_t sequence_ = 0;
  TReplyStatus reply_;
  SocketKind kind_ = SocketKind::None;
  bool toldNoSocket_ = false;
};

}  // namespace net
