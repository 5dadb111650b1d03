#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ftp/listing_line_buffer.h"

namespace {

std::vector<std::string> Split(const std::vector<std::string>& chunks, std::size_t cap = 64) {
  ftp::ListingLineBuffer buffer(cap);
  std::vector<std::string> lines;
  const auto onLine = [&](std::string_view line) { lines.emplace_back(line); };
  for (const auto& chunk : chunks) buffer.Append(chunk, onLine);
  buffer.Finish(onLine);
  return lines;
}

TEST(ListingLineBuffer, SplitsAtLineEndsWhateverTheChunks) {
  const std::string data = "one\r\ntwo\nthree\r\n\r\nlast\r";
  const std::vector<std::string> expected = {"one", "two", "three", "", "last"};
  EXPECT_EQ(Split({data}), expected);
  std::vector<std::string> bytes;
  for (char c : data) bytes.emplace_back(1, c);
  EXPECT_EQ(Split(bytes), expected) << "a CR LF split over two reads is still one line end";
  EXPECT_EQ(Split({"a\r\nb\r\n"}), (std::vector<std::string>{"a", "b"}))
      << "no empty line after a final line end";
}

TEST(ListingLineBuffer, EndlessLineIsCapped) {
  ftp::ListingLineBuffer buffer(ftp::kMaxListingLineBytes);
  std::vector<std::string> lines;
  const auto onLine = [&](std::string_view line) { lines.emplace_back(line); };
  const std::string chunk(4096, 'x');
  for (int i = 0; i < 1024; ++i) {  // 4 MiB without a line end
    buffer.Append(chunk, onLine);
    ASSERT_LE(buffer.Pending(), ftp::kMaxListingLineBytes + 1);
  }
  EXPECT_TRUE(buffer.Overflowed());
  buffer.Append("tail\r\nnext\r\n", onLine);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], std::string(ftp::kMaxListingLineBytes, 'x'));
  EXPECT_EQ(lines[1], "next") << "the line after an overlong one is intact";
}

TEST(ListingLineBuffer, LineOfExactlyTheCapKeepsItsEnd) {
  ftp::ListingLineBuffer exact(8);
  exact.Append(std::string(8, 'a') + "\r\n", [](std::string_view) {});
  EXPECT_FALSE(exact.Overflowed());
  EXPECT_EQ(Split({std::string(8, 'a') + "\r\nb\n"}, 8),
            (std::vector<std::string>{std::string(8, 'a'), "b"}));
  EXPECT_EQ(Split({std::string(9, 'a') + "\nb\n"}, 8),
            (std::vector<std::string>{std::string(8, 'a'), "b"}));
}

}  // namespace
