// The time log's building blocks: the text-file writer, the time stamp, the address padding and
// the two line forms.

#include "ras/time_log.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <system_error>

#include "unit/platform/support/temp_dir.h"

namespace {

using namespace std::chrono;

class TimeLogTest : public ::testing::Test {
 protected:
  // The stamps are local time; the cases are written for UTC.
  void SetUp() override {
    const char* tz = std::getenv("TZ");
    oldTz_ = tz ? std::optional<std::string>(tz) : std::nullopt;
    ::setenv("TZ", "UTC", 1);
    ::tzset();
  }
  void TearDown() override {
    if (oldTz_) {
      ::setenv("TZ", oldTz_->c_str(), 1);
    } else {
      ::unsetenv("TZ");
    }
    ::tzset();
  }
  std::optional<std::string> oldTz_;
};

system_clock::time_point At(int year, unsigned month, unsigned day, int h, int m, int s, int ms) {
  const sys_days date =
      year_month_day{std::chrono::year{year}, std::chrono::month{month}, std::chrono::day{day}};
  return date + hours{h} + minutes{m} + seconds{s} + milliseconds{ms};
}

TEST_F(TimeLogTest, TimeStampsFillEveryPartWithZeros) {
  struct Case {
    system_clock::time_point when;
    const char* expected;
  } cases[] = {
      {At(2026, 12, 7, 9, 5, 3, 42), "07.12.2026 09:05:03,042"},
      {At(2027, 1, 1, 0, 0, 0, 5), "01.01.2027 00:00:00,005"},
      {At(1999, 10, 31, 23, 59, 59, 999), "31.10.1999 23:59:59,999"},
  };
  for (const Case& c : cases) EXPECT_EQ(ras::GetTimeDate(c.when), c.expected);
}

TEST_F(TimeLogTest, AddressesArePaddedToFifteenAndZeroWhenMissing) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"", "0.0.0.0        "},
      {"   ", "0.0.0.0        "},
      {" 10.64.0.10 ", "10.64.0.10     "},
      {"255.255.255.255", "255.255.255.255"},
      {"fe80::1:2:3:4:5:6", "fe80::1:2:3:4:5:6"},  // longer ones stay as they are
  };
  for (const Case& c : cases) EXPECT_EQ(ras::PadAddress(c.in), c.out) << c.in;
}

TEST_F(TimeLogTest, LineForms) {
  EXPECT_EQ(ras::StatusLine(" Status...:", "07.12.2026 09:05:03,042", "Verbunden"),
            " Status...: 07.12.2026 09:05:03,042 | Verbunden");
  EXPECT_EQ(ras::FullLine("Connect...:", "07.12.2026 09:05:03,042", " Online", "10.64.0.1      ",
                          "10.64.0.10     ", ""),
            "Connect...: 07.12.2026 09:05:03,042 | Online | ServerIP: 10.64.0.1       "
            "ClientIP: 10.64.0.10      | ");
  EXPECT_EQ(ras::FullLine("E-Mail....:", "s", "t", "a", "b", " ActURL: http://x/"),
            "E-Mail....: s |t | ServerIP: a ClientIP: b |  ActURL: http://x/");
}

TEST_F(TimeLogTest, TheWriterAppendsOrStartsAnewAndEndsLinesWithCrLf) {
  testing_support::TempDir dir;
  const std::string file = dir / "TimeLog.txt";
  ras::WriteTextFile(file, "one", false, true);  // created when missing
  ras::WriteTextFile(file, "two", false, false);
  ras::WriteTextFile(file, "", false, true);
  EXPECT_EQ(testing_support::ReadFile(file), "one\r\ntwo\r\n");
  ras::WriteTextFile(file, "new", true, true);
  EXPECT_EQ(testing_support::ReadFile(file), "new\r\n");
  EXPECT_THROW(ras::WriteTextFile(dir / "no/such/folder/x", "t", false, true), std::system_error);
}

}  // namespace
