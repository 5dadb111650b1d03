#include "net/icmp_client.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

#include "net/network_error.h"
#include "net/socket_wait.h"

namespace net {
namespace {

bool NotPermitted(int error) {
  return error == EPERM || error == EACCES || error == EPROTONOSUPPORT;
}

// On loopback a raw socket also reads the request we sent; that is no answer.
bool IsOwnRequest(const std::vector<std::uint8_t>& packet, const EchoRequest& request) {
  if (packet.empty()) return false;
  const std::size_t header = 4 * (packet[0] & 0x0F);
  return packet.size() == header + request.size() &&
         std::equal(request.begin(), request.end(), packet.begin() + header);
}

}  // namespace

TIdIcmpClient::TIdIcmpClient(core::EventLoop& loop) : loop_(loop) {}

core::UniqueFd TIdIcmpClient::OpenSocket() {
  constexpr int kFlags = SOCK_NONBLOCK | SOCK_CLOEXEC;
  core::UniqueFd fd(::socket(AF_INET, SOCK_RAW | kFlags, IPPROTO_ICMP));
  kind_ = SocketKind::Raw;
  if (!fd && NotPermitted(errno)) {
    fd.Reset(::socket(AF_INET, SOCK_DGRAM | kFlags, IPPROTO_ICMP));
    kind_ = SocketKind::Datagram;
  }
  if (!fd) {
    const int error = errno;
    kind_ = SocketKind::None;
    RecordNetworkError(error);
    if (NotPermitted(error) && !toldNoSocket_) {
      toldNoSocket_ = true;
      loop_.ReportError(kNoSocketText);
    }
    return fd;
  }
  const int ttl = kTtl;
  ::setsockopt(fd.Get(), IPPROTO_IP, IP_TTL, &ttl, sizeof ttl);
  if (kind_ == SocketKind::Datagram) {
    const int on = 1;
    ::setsockopt(fd.Get(), IPPROTO_IP, IP_RECVTTL, &on, sizeof on);
  }
  return fd;
}

void TIdIcmpClient::Ping() {
  const auto identifier = static_cast<std::uint16_t>(::getpid() & 0xFFFF);
  const EchoRequest request = BuildEchoRequest(identifier, sequence_, loop_.GetTickCount());
  ++sequence_;
  std::vector<std::uint8_t> packet;
  const std::int32_t count = Exchange(request, packet);
  const TReplyStatus status = DecodeEchoReply(packet, count, loop_.GetTickCount(), sequence_);
  if (OnReply) OnReply(*this, status);
  reply_ = status;
}

std::int32_t TIdIcmpClient::Exchange(const EchoRequest& request,
                                     std::vector<std::uint8_t>& packet) {
  const std::string address = ResolveBlocking(loop_, Host, kResolveTimeoutMs);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(static_cast<std::uint16_t>(Port));
  if (address.empty() || ::inet_pton(AF_INET, address.c_str(), &to.sin_addr) != 1) {
    RecordNetworkError(EHOSTUNREACH);
    return 0;
  }
  const core::UniqueFd fd = OpenSocket();
  if (!fd) return 0;
  if (::sendto(fd.Get(), request.data(), request.size(), 0, reinterpret_cast<const sockaddr*>(&to),
               sizeof to) < 0) {
    // Nothing went out, so whatever arrives now cannot be an answer.
    RecordNetworkError(errno);
    return 0;
  }
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(ReceiveTimeout);
  for (;;) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return 0;
    if (WaitForSocket(loop_, fd.Get(), core::kIoRead, left) != WaitResult::Ready) return 0;
    const std::int32_t count = Receive(fd.Get(), packet);
    if (count == 0) continue;  // nothing after all (spurious wake-up)
    if (count > 0 && kind_ == SocketKind::Raw && IsOwnRequest(packet, request)) continue;
    return count;
  }
}

std::int32_t TIdIcmpClient::Receive(int fd, std::vector<std::uint8_t>& packet) {
  std::uint8_t buffer[kIcmpReceiveBufferSize] = {};
  sockaddr_in from{};
  iovec iov{buffer, sizeof buffer};
  alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int)) * 2] = {};
  msghdr msg{};
  msg.msg_name = &from;
  msg.msg_namelen = sizeof from;
  msg.msg_iov = &iov;
  msg.msg_iovlen = 1;
  msg.msg_control = control;
  msg.msg_controllen = sizeof control;
  const ssize_t n = ::recvmsg(fd, &msg, 0);
  if (n < 0) {
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return 0;
    RecordNetworkError(errno);
    packet.clear();
    return -1;
  }
  const auto length = static_cast<std::size_t>(n);
  if (kind_ == SocketKind::Raw) {
    packet.assign(buffer, buffer + length);
    return static_cast<std::int32_t>(length);
  }
  int ttl = 0;
  for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c != nullptr; c = CMSG_NXTHDR(&msg, c)) {
    if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_TTL) {
      std::copy_n(CMSG_DATA(c), sizeof ttl, reinterpret_cast<unsigned char*>(&ttl));
    }
  }
  char source[INET_ADDRSTRLEN] = "0.0.0.0";
  ::inet_ntop(AF_INET, &from.sin_addr, source, sizeof source);
  // An empty datagram would read as a time-out; with the header it is merely too short.
  packet = WithIpHeader({buffer, length}, source, static_cast<std::uint8_t>(ttl));
  return static_cast<std::int32_t>(std::min(packet.size(), kIcmpReceiveBufferSize));
}

}  // namespace net
