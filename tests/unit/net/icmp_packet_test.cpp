#include "net/icmp_packet.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

// Two bytes of a native 16-bit field, as they lie in memory.
Bytes Native16(std::uint16_t v) {
  if constexpr (std::endian::native == std::endian::little) {
    return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8)};
  } else {
    return {static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)};
  }
}

Bytes Native32(std::uint32_t v) {
  Bytes lo = Native16(static_cast<std::uint16_t>(v));
  Bytes hi = Native16(static_cast<std::uint16_t>(v >> 16));
  if constexpr (std::endian::native == std::endian::little) {
    lo.insert(lo.end(), hi.begin(), hi.end());
    return lo;
  } else {
    hi.insert(hi.end(), lo.begin(), lo.end());
    return hi;
  }
}

// How a receiver checks the checksum: big-endian words summed with end-around carry.
std::uint16_t WireSum(const Bytes& b) {
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < b.size(); i += 2) {
    sum += (static_cast<std::uint32_t>(b[i]) << 8) | (i + 1 < b.size() ? b[i + 1] : 0);
  }
  while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
  return static_cast<std::uint16_t>(sum);
}

TEST(IcmpPacket, ChecksumMatchesTheRfcExampleInMemoryOrder) {
  // RFC 1071's example sums to 0xddf2; the checksum on the wire is 22 0d whatever the byte order.
  const Bytes data = {0x00, 0x01, 0xf2, 0x03, 0xf4, 0xf5, 0xf6, 0xf7};
  const std::uint16_t sum = net::InternetChecksum(data);
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(&sum);
  EXPECT_EQ(bytes[0], 0x22);
  EXPECT_EQ(bytes[1], 0x0d);
  // an odd length pads the last byte with zero
  const Bytes odd = {0x01};
  EXPECT_EQ(WireSum({0x01, 0x00}) + WireSum(Native16(net::InternetChecksum(odd))), 0xFFFF);
}

TEST(IcmpPacket, EchoRequestByteForByte) {
  const net::EchoRequest p = net::BuildEchoRequest(0x1234, 0x0102, 0xA1B2C3D4);
  Bytes expected = {8, 0, 0, 0};
  for (const Bytes& part : {Native16(0x1234), Native16(0x0102), Native32(0xA1B2C3D4)}) {
    expected.insert(expected.end(), part.begin(), part.end());
  }
  expected.resize(20, 0);
  expected.resize(52, 'E');
  const Bytes got(p.begin(), p.end());
  ASSERT_EQ(got.size(), 52u);
  // everything but the checksum as laid out
  Bytes withoutSum = got;
  withoutSum[2] = withoutSum[3] = 0;
  EXPECT_EQ(withoutSum, expected);
  // the checksum makes the packet sum to all ones as a receiver adds it up
  EXPECT_EQ(WireSum(got), 0xFFFF);
  EXPECT_NE(got[2] | got[3], 0);
}

// An IPv4 packet as a raw socket reads it: `options` extra header bytes, then the ICMP part.
Bytes Packet(std::uint8_t icmpType, std::uint8_t ttl, std::uint16_t sequence,
             std::uint32_t originate, std::size_t options = 0) {
  Bytes p(20 + options, 0);
  p[0] = static_cast<std::uint8_t>(0x40 | ((20 + options) / 4));
  p[8] = ttl;
  p[9] = 1;
  p[12] = 192;
  p[13] = 168;
  p[14] = 7;
  p[15] = 254;
  const net::EchoRequest icmp = net::BuildEchoRequest(77, sequence, originate);
  p.insert(p.end(), icmp.begin(), icmp.end());
  p[20 + options] = icmpType;
  return p;
}

TEST(IcmpPacket, DecodingTheAnswers) {
  using S = net::TReplyStatusTypes;
  struct Case {
    const char* what;
    Bytes packet;
    std::int32_t count;  // -2: the packet's size
    S status;
    std::uint8_t type;
    std::uint8_t ttl;
    std::uint16_t sequence;
    std::uint32_t roundTrip;
    const char* error;  // "" when it decodes
  } cases[] = {
      {"echo reply", Packet(0, 64, 3, 1000), -2, S::Echo, 0, 64, 3, 31, ""},
      {"echo request", Packet(8, 128, 9, 1031), -2, S::Echo, 8, 128, 9, 0, ""},
      {"unreachable", Packet(3, 250, 4, 1000), -2, S::Unreachable, 3, 250, 4, 31, ""},
      {"ttl exceeded", Packet(11, 1, 5, 1000), -2, S::TtlExceeded, 11, 1, 5, 31, ""},
      {"options in the IP header", Packet(0, 55, 6, 1020, 8), -2, S::Echo, 0, 55, 6, 11, ""},
      {"header and 8 ICMP bytes", Packet(0, 64, 7, 1031), 28, S::Echo, 0, 64, 7, 1031, ""},
      {"one byte short", Packet(0, 64, 1, 0), 27, S::Echo, 0, 0, 0, 0, "Not enough bytes received"},
      {"short with options", Packet(0, 64, 1, 0, 40), 67, S::Echo, 0, 0, 0, 0,
       "Not enough bytes received"},
      {"failed read", Bytes{}, -1, S::Echo, 0, 0, 0, 0, "Not enough bytes received"},
      {"router advertisement", Packet(9, 64, 1, 0), -2, S::Echo, 0, 0, 0, 0,
       "Non-echo type response received"},
      {"timestamp reply", Packet(14, 64, 1, 0), -2, S::Echo, 0, 0, 0, 0,
       "Non-echo type response received"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::int32_t count = c.count == -2 ? static_cast<std::int32_t>(c.packet.size()) : c.count;
    // A short read leaves the rest of the buffer cleared.
    Bytes read = c.packet;
    if (count >= 0 && static_cast<std::size_t>(count) < read.size()) read.resize(count);
    if (*c.error) {
      try {
        (void)net::DecodeEchoReply(read, count, 1031, 42);
        ADD_FAILURE() << "no error raised";
      } catch (const net::IcmpDecodeError& e) {
        EXPECT_EQ(std::string(e.what()), c.error);
      }
      continue;
    }
    const net::TReplyStatus r = net::DecodeEchoReply(read, count, 1031, 42);
    EXPECT_EQ(r.Status, c.status);
    EXPECT_EQ(r.ByteCount, count);
    EXPECT_EQ(r.SourceAddress, "192.168.7.254");
    EXPECT_EQ(r.IcmpType, c.type);
    EXPECT_EQ(r.Ttl, c.ttl);
    EXPECT_EQ(r.Sequence, c.sequence);
    EXPECT_EQ(r.RoundTrip, c.roundTrip);
  }
}

TEST(IcmpPacket, NothingReadIsATimeOutWithTheNextSequence) {
  const net::TReplyStatus r = net::DecodeEchoReply({}, 0, 5000, 17);
  EXPECT_EQ(r.Status, net::TReplyStatusTypes::TimedOut);
  EXPECT_EQ(r.ByteCount, 0);
  EXPECT_EQ(r.SourceAddress, "0.0.0.0");
  EXPECT_EQ(r.IcmpType, 0);
  EXPECT_EQ(r.Sequence, 17);
  EXPECT_EQ(r.RoundTrip, 0u);
  EXPECT_EQ(r.Ttl, 0);
}

TEST(IcmpPacket, RoundTripAcrossTheTickCountWrap) {
  const Bytes p = Packet(0, 64, 1, 0xFFFFFFF0u);
  EXPECT_EQ(net::DecodeEchoReply(p, static_cast<std::int32_t>(p.size()), 0x10, 0).RoundTrip, 0x20u);
}

TEST(IcmpPacket, ADatagramAnswerGetsAHeaderThatDecodesLikeARawOne) {
  const net::EchoRequest icmp = net::BuildEchoRequest(1, 12, 500);
  Bytes reply(icmp.begin(), icmp.end());
  reply[0] = 0;
  const Bytes packet = net::WithIpHeader(reply, "127.0.0.1", 64);
  ASSERT_EQ(packet.size(), 72u);
  const net::TReplyStatus r =
      net::DecodeEchoReply(packet, static_cast<std::int32_t>(packet.size()), 531, 13);
  EXPECT_EQ(r.Status, net::TReplyStatusTypes::Echo);
  EXPECT_EQ(r.ByteCount, 72);
  EXPECT_EQ(r.SourceAddress, "127.0.0.1");
  EXPECT_EQ(r.Ttl, 64);
  EXPECT_EQ(r.Sequence, 12);
  EXPECT_EQ(r.RoundTrip, 31u);
  // an empty datagram is too short, not a time-out
  const Bytes empty = net::WithIpHeader({}, "127.0.0.1", 64);
  EXPECT_THROW((void)net::DecodeEchoReply(empty, 20, 0, 0), net::IcmpDecodeError);
}

}  // namespace
