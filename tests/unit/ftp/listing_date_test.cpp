#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ftp/listing_date.h"

namespace {

TEST(ListingDate, UnixDateTexts) {
  struct Case {
    const char* month;
    const char* day;
    const char* timeOrYear;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"Jan", "29", "03:26", "1/29/2024 3:26 AM"},
      {"dec", "31", "00:05", "12/31/2024 12:05 AM"},
      {"JUL", "4", "12:00", "7/4/2024 12:00 PM"},
      {"Sep", "09", "13:07", "9/9/2024 1:07 PM"},
      {"September", "1", "23:59:58", "9/1/2024 11:59 PM"},  // seconds are dropped
      {"Apr", "8", "1994", "4/8/1994 12:00 AM"},
      {"Foo", "8", "1994", "Foo 8 1994"},  // not a month: words kept
      {"Apr", "32", "1994", "Apr 32 1994"},
      {"Apr", "8", "24:00", "Apr 8 24:00"},
      {"Apr", "8", "", "Apr 8"},
      {"Ap", "8", "1994", "Ap 8 1994"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ftp::UnixDateText(c.month, c.day, c.timeOrYear, 2024), c.expected)
        << c.month << ' ' << c.day << ' ' << c.timeOrYear;
}

TEST(ListingDate, UnixTimeTexts) {
  EXPECT_EQ(ftp::DateTextFromUnixTime(0), "1/1/1970 12:00 AM");
  EXPECT_EQ(ftp::DateTextFromUnixTime(-1), "12/31/1969 11:59 PM");
  EXPECT_EQ(ftp::DateTextFromUnixTime(951782400), "2/29/2000 12:00 AM");  // leap day
  EXPECT_EQ(ftp::DateTextFromUnixTime(253402300799), "12/31/9999 11:59 PM");
  EXPECT_EQ(ftp::DateTextFromUnixTime(253402300800), std::nullopt);
  EXPECT_EQ(ftp::DateTextFromUnixTime(INT64_MIN), std::nullopt);
}

TEST(ListingDate, SortKeysOrderTheServerForms) {
  // Each text with the key it must give; the keys sort by time across the forms.
  const std::vector<std::pair<std::string, std::int64_t>> cases = {
      {"1/1/80 12:00", 198001011200},         {"4/8/1994 12:00 AM", 199404080000},
      {"4/8/1994 12:30 PM", 199404081230},    {"1994-05-13 13:37:05", 199405131337},
      {"29-JAN-1996 03:33:12", 199601290333}, {"01-16-02  11:14PM", 200201162314},
      {"12/31/2024 11:59 PM", 202412312359},
  };
  for (const auto& [text, key] : cases) EXPECT_EQ(ftp::DateSortKey(text), key) << text;
  for (const char* text : {"", "Foo 8 1994", "13/1/2020 1:00 AM", "1/1", "x1/2/3"})
    EXPECT_EQ(ftp::DateSortKey(text), std::nullopt) << text;
}

}  // namespace
