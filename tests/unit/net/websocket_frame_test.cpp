// WebSocket framing byte for byte: masked frames out with each length form, and what the reader
// makes of a server's frames: whole and split messages, control frames between fragments, and
// every frame a client must refuse (masked, reserved bits, oversized or fragmented control,
// stray continuation, a message beyond the size bound).
#include "net/websocket_frame.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using State = net::WebSocketFrameReader::State;
const std::array<std::uint8_t, 4> kMask = {0x37, 0xfa, 0x21, 0x3d};

std::string Bytes(std::initializer_list<int> bytes) {
  std::string s;
  for (const int b : bytes) s += static_cast<char>(b);
  return s;
}

// A server frame (unmasked).
std::string ServerFrame(int first, const std::string& payload) {
  std::string s;
  s += static_cast<char>(first);
  if (payload.size() < 126) {
    s += static_cast<char>(payload.size());
  } else if (payload.size() <= 0xFFFF) {
    s += static_cast<char>(126);
    s += static_cast<char>(payload.size() >> 8);
    s += static_cast<char>(payload.size() & 0xFF);
  } else {
    s += static_cast<char>(127);
    for (int i = 7; i >= 0; --i) s += static_cast<char>((payload.size() >> (8 * i)) & 0xFF);
  }
  return s + payload;
}

TEST(WebSocketFrameTest, EncodesMaskedFramesByteForByte) {
  // The protocol's own example: "Hello" masked with 37 fa 21 3d.
  EXPECT_EQ(net::EncodeWebSocketFrame(net::WsOpcode::Text, "Hello", kMask),
            Bytes({0x81, 0x85, 0x37, 0xfa, 0x21, 0x3d, 0x7f, 0x9f, 0x4d, 0x51, 0x58}));
  EXPECT_EQ(net::EncodeWebSocketFrame(net::WsOpcode::Pong, "", kMask),
            Bytes({0x8A, 0x80, 0x37, 0xfa, 0x21, 0x3d}));
  const std::string mid =
      net::EncodeWebSocketFrame(net::WsOpcode::Text, std::string(126, 'a'), kMask);
  EXPECT_EQ(mid.substr(0, 4), Bytes({0x81, 0xFE, 0x00, 0x7E}));
  EXPECT_EQ(mid.size(), 4u + 4 + 126);
  const std::string big =
      net::EncodeWebSocketFrame(net::WsOpcode::Binary, std::string(65536, 'a'), kMask);
  EXPECT_EQ(big.substr(0, 10), Bytes({0x82, 0xFF, 0, 0, 0, 0, 0, 1, 0, 0}));
  EXPECT_EQ(big.size(), 10u + 4 + 65536);
  // Unmasking gives the payload back.
  EXPECT_EQ(static_cast<std::uint8_t>(big[14]) ^ kMask[0], 'a');
}

TEST(WebSocketFrameTest, ReadsMessagesWholeSplitAndFragmented) {
  const std::string stream = ServerFrame(0x81, "hello") + ServerFrame(0x01, "frag") +
                             ServerFrame(0x89, "ping!") + ServerFrame(0x00, "men") +
                             ServerFrame(0x80, "ted") + ServerFrame(0x82, std::string(300, 'z')) +
                             ServerFrame(0x81, std::string(70000, 'y'));
  const std::vector<std::pair<net::WsOpcode, std::string>> expected = {
      {net::WsOpcode::Text, "hello"},
      {net::WsOpcode::Ping, "ping!"},
      {net::WsOpcode::Text, "fragmented"},
      {net::WsOpcode::Binary, std::string(300, 'z')},
      {net::WsOpcode::Text, std::string(70000, 'y')},
  };
  // Fed whole, and fed one byte at a time: the same messages.
  for (const std::size_t step : {stream.size(), std::size_t{1}, std::size_t{7}}) {
    net::WebSocketFrameReader reader;
    std::vector<std::pair<net::WsOpcode, std::string>> got;
    for (std::size_t i = 0; i < stream.size(); i += step) {
      reader.Feed(std::string_view(stream).substr(i, step));
      net::WsMessage m;
      State s;
      while ((s = reader.Next(m)) == State::Message) got.emplace_back(m.opcode, m.payload);
      ASSERT_EQ(s, State::NeedMore);
    }
    EXPECT_EQ(got, expected) << "step " << step;
  }
}

TEST(WebSocketFrameTest, RefusesFramesAClientMustNotAccept) {
  struct Case {
    const char* what;
    std::string bytes;
    State state;
  } cases[] = {
      {"masked by the server", Bytes({0x81, 0x81, 1, 2, 3, 4, 'a'}), State::ProtocolError},
      {"reserved bit", ServerFrame(0xC1, "x"), State::ProtocolError},
      {"unknown opcode", ServerFrame(0x83, "x"), State::ProtocolError},
      {"unknown control opcode", ServerFrame(0x8B, "x"), State::ProtocolError},
      {"long control frame", ServerFrame(0x89, std::string(126, 'p')), State::ProtocolError},
      {"fragmented control frame", ServerFrame(0x09, "p"), State::ProtocolError},
      {"continuation without a start", ServerFrame(0x80, "x"), State::ProtocolError},
      {"new message inside a fragmented one", ServerFrame(0x01, "a") + ServerFrame(0x81, "b"),
       State::ProtocolError},
      {"64-bit length with the top bit", Bytes({0x82, 0x7F, 0x80, 0, 0, 0, 0, 0, 0, 1}),
       State::ProtocolError},
      {"frame beyond the bound", ServerFrame(0x82, std::string(1025, 'b')), State::TooLarge},
      {"announced beyond the bound (nothing buffered)", Bytes({0x82, 0x7F, 0, 0, 0, 1, 0, 0, 0, 0}),
       State::TooLarge},
      {"fragments beyond the bound",
       ServerFrame(0x01, std::string(600, 'a')) + ServerFrame(0x00, std::string(600, 'a')),
       State::TooLarge},
  };
  for (const Case& c : cases) {
    net::WebSocketFrameReader reader(1024);
    reader.Feed(c.bytes);
    net::WsMessage m;
    State s;
    while ((s = reader.Next(m)) == State::Message) {
    }
    EXPECT_EQ(s, c.state) << c.what;
    // A failed reader stays failed, whatever comes after.
    reader.Feed(ServerFrame(0x81, "ok"));
    EXPECT_EQ(reader.Next(m), c.state) << c.what;
  }
}

}  // namespace
