#pragma once
// The ICMP echo exchange as bytes: the 52-byte echo request the client sends and the decoding of
// what it reads back into a TReplyStatus. No I/O here, so both sides are testable byte for byte.
//
// Multi-byte fields of the request (identifier, sequence, originate time) are in the sending
// machine's native byte order; the peer echoes them back untouched, so the decoder reads them the
// same way. The checksum is computed over native 16-bit words, which RFC 1071 shows yields the
// right bytes on the wire in either byte order.
//
// Threading: pure functions.

#include <array>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace net {

enum class TReplyStatusTypes { Echo, Error, TimedOut, Unreachable, TtlExceeded };

// One echo attempt as the client reports it.
struct TReplyStatus {
  std::int32_t ByteCount = 0;  // bytes read, IP header included; 0 on time-out
  std::string SourceAddress = "0.0.0.0";
  std::uint8_t IcmpType = 0;
  std::uint16_t Sequence = 0;
  std::uint32_t RoundTrip = 0;  // milliseconds
  std::uint8_t Ttl = 0;
  TReplyStatusTypes Status = TReplyStatusTypes::TimedOut;
};

// Raised by the decoder for a packet it cannot take as a reply.
class IcmpDecodeError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

inline constexpr std::size_t kEchoRequestSize = 52;
inline constexpr std::size_t kIcmpReceiveBufferSize = 1024;
inline constexpr std::uint8_t kIcmpEchoReply = 0;
inline constexpr std::uint8_t kIcmpUnreachable = 3;
inline constexpr std::uint8_t kIcmpEchoRequest = 8;
inline constexpr std::uint8_t kIcmpTtlExceeded = 11;

using EchoRequest = std::array<std::uint8_t, kEchoRequestSize>;

// RFC 1071 Internet checksum over `bytes` (an odd last byte is padded with zero), summed as
// native 16-bit words; store it natively.
[[nodiscard]] std::uint16_t InternetChecksum(std::span<const std::uint8_t> bytes);

// Type 8, code 0, checksum, identifier, sequence, originate time, 8 zero bytes, 32 x "E".
[[nodiscard]] EchoRequest BuildEchoRequest(std::uint16_t identifier, std::uint16_t sequence,
                                           std::uint32_t originateTick);

// The record of an attempt that got nothing: `nextSequence` is the client's counter.
[[nodiscard]] TReplyStatus TimedOutReply(std::uint16_t nextSequence);

// Decodes `byteCount` bytes read from a raw socket (IP header first) into a reply record; at most
// kIcmpReceiveBufferSize bytes are looked at and bytes beyond what was read count as zero, as in
// a cleared receive buffer. A byte count of 0 is a time-out; a negative one (a failed read) is
// too short. Throws IcmpDecodeError "Not enough bytes received" or
// "Non-echo type response received".
[[nodiscard]] TReplyStatus DecodeEchoReply(std::span<const std::uint8_t> received,
                                           std::int32_t byteCount, std::uint32_t nowTick,
                                           std::uint16_t nextSequence);

// What a datagram ICMP socket delivers (no IP header) with a 20-byte IPv4 header put in front,
// carrying `source` (dotted) and `ttl`, so that DecodeEchoReply reads it like a raw packet.
[[nodiscard]] std::vector<std::uint8_t> WithIpHeader(std::span<const std::uint8_t> icmp,
                                                     const std::string& source, std::uint8_t ttl);

}  // namespace net
