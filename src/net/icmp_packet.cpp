#include "net/icmp_packet.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cstring>

namespace net {
namespace {

template <typename T>
void PutNative(std::uint8_t* at, T value) {
  std::memcpy(at, &value, sizeof value);
}

template <typename T>
T GetNative(const std::uint8_t* at) {
  T value;
  std::memcpy(&value, at, sizeof value);
  return value;
}

std::string Dotted(const std::uint8_t* at) {
  return std::to_string(at[0]) + "." + std::to_string(at[1]) + "." + std::to_string(at[2]) + "." +
         std::to_string(at[3]);
}

}  // namespace

std::uint16_t InternetChecksum(std::span<const std::uint8_t> bytes) {
  std::uint32_t sum = 0;
  std::size_t i = 0;
  for (; i + 1 < bytes.size(); i += 2) sum += GetNative<std::uint16_t>(bytes.data() + i);
  if (i < bytes.size()) {
    const std::uint8_t last[2] = {bytes[i], 0};
    sum += GetNative<std::uint16_t>(last);
  }
  while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
  return static_cast<std::uint16_t>(~sum);
}

EchoRequest BuildEchoRequest(std::uint16_t identifier, std::uint16_t sequence,
                             std::uint32_t originateTick) {
  EchoRequest p{};
  p[0] = kIcmpEchoRequest;
  p[1] = 0;
  PutNative(p.data() + 4, identifier);
  PutNative(p.data() + 6, sequence);
  PutNative(p.data() + 8, originateTick);
  std::fill(p.begin() + 20, p.end(), static_cast<std::uint8_t>('E'));
  PutNative(p.data() + 2, InternetChecksum(p));
  return p;
}

TReplyStatus TimedOutReply(std::uint16_t nextSequence) {
  TReplyStatus r;
  r.Sequence = nextSequence;
  return r;
}

TReplyStatus DecodeEchoReply(std::span<const std::uint8_t> received, std::int32_t byteCount,
                             std::uint32_t nowTick, std::uint16_t nextSequence) {
  if (byteCount == 0) return TimedOutReply(nextSequence);
  // The decoder reads fixed offsets; a cleared buffer of full size makes every one of them valid.
  std::array<std::uint8_t, kIcmpReceiveBufferSize> buffer{};
  std::copy_n(received.begin(), std::min(received.size(), buffer.size()), buffer.begin());
  const std::int32_t headerLength = 4 * (buffer[0] & 0x0F);
  if (byteCount < headerLength + 8) throw IcmpDecodeError("Not enough bytes received");
  const std::uint8_t* icmp = buffer.data() + headerLength;
  TReplyStatus r;
  switch (icmp[0]) {
    case kIcmpEchoReply:
    case kIcmpEchoRequest:
      r.Status = TReplyStatusTypes::Echo;
      break;
    case kIcmpUnreachable:
      r.Status = TReplyStatusTypes::Unreachable;
      break;
    case kIcmpTtlExceeded:
      r.Status = TReplyStatusTypes::TtlExceeded;
      break;
    default:
      throw IcmpDecodeError("Non-echo type response received");
  }
  r.ByteCount = byteCount;
  r.SourceAddress = Dotted(buffer.data() + 12);
  r.IcmpType = icmp[0];
  r.Sequence = GetNative<std::uint16_t>(icmp + 6);
  r.RoundTrip = nowTick - GetNative<std::uint32_t>(icmp + 8);
  r.Ttl = buffer[8];
  return r;
}

std::vector<std::uint8_t> WithIpHeader(std::span<const std::uint8_t> icmp,
                                       const std::string& source, std::uint8_t ttl) {
  std::vector<std::uint8_t> packet(20 + icmp.size(), 0);
  packet[0] = 0x45;  // version 4, five 32-bit words
  const auto total = static_cast<std::uint16_t>(std::min<std::size_t>(packet.size(), 0xFFFF));
  PutNative(packet.data() + 2, htons(total));
  packet[8] = ttl;
  packet[9] = 1;  // ICMP
  in_addr addr{};
  if (::inet_pton(AF_INET, source.c_str(), &addr) == 1) std::memcpy(packet.data() + 12, &addr, 4);
  std::copy(icmp.begin(), icmp.end(), packet.begin() + 20);
  return packet;
}

}  // namespace net
