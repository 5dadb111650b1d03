#include "net/base64.h"

#include <array>
#include <cstdint>

namespace net {

namespace {

constexpr std::string_view kAlphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int ValueOf(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

}  // namespace

std::string Base64Encode(std::string_view data) {
  std::string out;
  out.reserve((data.size() + 2) / 3 * 4);
  std::size_t i = 0;
  for (; i + 3 <= data.size(); i += 3) {
    const std::uint32_t n = static_cast<std::uint8_t>(data[i]) << 16 |
                            static_cast<std::uint8_t>(data[i + 1]) << 8 |
                            static_cast<std::uint8_t>(data[i + 2]);
    out += kAlphabet[n >> 18 & 63];
    out += kAlphabet[n >> 12 & 63];
    out += kAlphabet[n >> 6 & 63];
    out += kAlphabet[n & 63];
  }
  const std::size_t rest = data.size() - i;
  if (rest > 0) {
    std::uint32_t n = static_cast<std::uint8_t>(data[i]) << 16;
    if (rest == 2) n |= static_cast<std::uint8_t>(data[i + 1]) << 8;
    out += kAlphabet[n >> 18 & 63];
    out += kAlphabet[n >> 12 & 63];
    out += rest == 2 ? kAlphabet[n >> 6 & 63] : '=';
    out += '=';
  }
  return out;
}

std::optional<std::string> Base64Decode(std::string_view text) {
  std::string out;
  std::uint32_t bits = 0;
  int count = 0;    // characters of the current quantum
  int padding = 0;  // "=" seen
  for (const char c : text) {
    if (c == '\r' || c == '\n' || c == ' ' || c == '\t') continue;
    if (c == '=') {
      // Padding only completes a quantum of which at least two characters are there.
      if (count < 2) return std::nullopt;
      ++padding;
      ++count;
      bits <<= 6;
    } else {
      const int v = ValueOf(c);
      if (v < 0 || padding > 0) return std::nullopt;
      bits = bits << 6 | static_cast<std::uint32_t>(v);
      ++count;
    }
    if (count == 4) {
      if (padding > 2) return std::nullopt;
      out += static_cast<char>(bits >> 16 & 0xFF);
      if (padding < 2) out += static_cast<char>(bits >> 8 & 0xFF);
      if (padding < 1) out += static_cast<char>(bits & 0xFF);
      bits = 0;
      count = 0;
      if (padding > 0) padding = -1;  // the end: nothing may follow
    } else if (padding < 0) {
      return std::nullopt;
    }
  }
  if (count != 0) return std::nullopt;
  return out;
}

}  // namespace net
