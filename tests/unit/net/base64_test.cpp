// Base64 both ways: the standard vectors, bytes above 127, and text that must be refused.
#include "net/base64.h"

#include <gtest/gtest.h>

namespace {

TEST(Base64Test, EncodesAndDecodesTheStandardVectors) {
  const std::pair<std::string, std::string> cases[] = {
      {"", ""},
      {"f", "Zg=="},
      {"fo", "Zm8="},
      {"foo", "Zm9v"},
      {"foob", "Zm9vYg=="},
      {"fooba", "Zm9vYmE="},
      {"foobar", "Zm9vYmFy"},
      {std::string("\xff\xfe\x00\x80", 4), "//4AgA=="},
      {"m\xc3\xbcller@example.com", "bcO8bGxlckBleGFtcGxlLmNvbQ=="},
  };
  for (const auto& [plain, coded] : cases) {
    EXPECT_EQ(net::Base64Encode(plain), coded) << coded;
    EXPECT_EQ(net::Base64Decode(coded), plain) << coded;
  }
}

TEST(Base64Test, DecodingSkipsLineBreaksAndRefusesMalformedText) {
  EXPECT_EQ(net::Base64Decode("Zm9v\r\nYmFy"), "foobar");
  EXPECT_EQ(net::Base64Decode(" Zm8= "), "fo");
  for (const char* bad : {"Zm9", "Z===", "Zm=v", "Zm9v!A==", "Zg==Zg==", "=Zg=", "Zg==="}) {
    EXPECT_EQ(net::Base64Decode(bad), std::nullopt) << bad;
  }
}

}  // namespace
