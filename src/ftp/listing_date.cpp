#include "ftp/listing_date.h"

#include <array>
#include <cctype>
#include <charconv>
#include <vector>

namespace ftp {
namespace {

constexpr std::array<std::string_view, 12> kMonths = {"jan", "feb", "mar", "apr", "may", "jun",
                                                      "jul", "aug", "sep", "oct", "nov", "dec"};

// The whole text as a decimal number; nothing for empty, signed or partly numeric texts.
std::optional<int> Number(std::string_view text) {
  int value = 0;
  if (text.empty() || text.size() > 9) return std::nullopt;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// "hh:mm" or "hh:mm:ss" as hour and minute.
bool ParseTime(std::string_view text, int& hour, int& minute) {
  const auto colon = text.find(':');
  if (colon == std::string_view::npos) return false;
  std::string_view rest = text.substr(colon + 1);
  const auto second = rest.find(':');
  if (second != std::string_view::npos) {
    if (!Number(rest.substr(second + 1))) return false;
    rest = rest.substr(0, second);
  }
  const auto h = Number(text.substr(0, colon));
  const auto m = Number(rest);
  if (!h || !m || *h > 23 || *m > 59) return false;
  hour = *h;
  minute = *m;
  return true;
}

std::string JoinWords(std::string_view a, std::string_view b, std::string_view c) {
  std::string out;
  for (std::string_view word : {a, b, c}) {
    if (word.empty()) continue;
    if (!out.empty()) out += ' ';
    out += word;
  }
  return out;
}

// Days since 1970-01-01 to a civil date (proleptic Gregorian).
void CivilFromDays(std::int64_t days, int& year, int& month, int& day) {
  days += 719468;
  const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const auto doe = static_cast<unsigned>(days - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(era * 400 + yoe + (month <= 2 ? 1 : 0));
}

struct Token {
  std::string_view text;
  bool digits;
};

std::vector<Token> Tokens(std::string_view text) {
  std::vector<Token> tokens;
  std::size_t i = 0;
  while (i < text.size() && tokens.size() < 8) {
    const auto c = static_cast<unsigned char>(text[i]);
    const bool digit = std::isdigit(c) != 0;
    if (!digit && !std::isalpha(c)) {
      ++i;
      continue;
    }
    const std::size_t start = i;
    while (i < text.size()) {
      const auto d = static_cast<unsigned char>(text[i]);
      if ((std::isdigit(d) != 0) != digit || (!digit && !std::isalpha(d))) break;
      ++i;
    }
    tokens.push_back({text.substr(start, i - start), digit});
  }
  return tokens;
}

int FullYear(std::string_view text, int value) {
  if (text.size() > 2) return value;
  return value < 70 ? 2000 + value : 1900 + value;
}

}  // namespace

int MonthFromName(std::string_view word) {
  if (word.size() < 3) return 0;
  for (std::size_t m = 0; m < kMonths.size(); ++m) {
    bool same = true;
    for (std::size_t i = 0; i < 3; ++i) {
      if (std::tolower(static_cast<unsigned char>(word[i])) != kMonths[m][i]) same = false;
    }
    if (same) return static_cast<int>(m) + 1;
  }
  return 0;
}

std::string FormatDateText(int year, int month, int day, int hour, int minute) {
  const int hour12 = hour % 12 == 0 ? 12 : hour % 12;
  std::string out = std::to_string(month) + '/' + std::to_string(day) + '/' + std::to_string(year) +
                    ' ' + std::to_string(hour12) + ':';
  if (minute < 10) out += '0';
  out += std::to_string(minute);
  out += hour < 12 ? " AM" : " PM";
  return out;
}

std::string UnixDateText(std::string_view month, std::string_view day, std::string_view timeOrYear,
                         int currentYear) {
  const int m = MonthFromName(month);
  const auto d = Number(day);
  if (m == 0 || !d || *d < 1 || *d > 31) return JoinWords(month, day, timeOrYear);
  int hour = 0;
  int minute = 0;
  if (ParseTime(timeOrYear, hour, minute)) return FormatDateText(currentYear, m, *d, hour, minute);
  const auto year = Number(timeOrYear);
  if (year && *year >= 1 && *year <= 9999) return FormatDateText(*year, m, *d, 0, 0);
  return JoinWords(month, day, timeOrYear);
}

std::optional<std::string> DateTextFromUnixTime(std::int64_t seconds) {
  constexpr std::int64_t kFirst = -62135596800;  // 0001-01-01
  constexpr std::int64_t kLast = 253402300799;   // 9999-12-31 23:59:59
  if (seconds < kFirst || seconds > kLast) return std::nullopt;
  std::int64_t days = seconds / 86400;
  std::int64_t rest = seconds % 86400;
  if (rest < 0) {
    rest += 86400;
    --days;
  }
  int year = 0;
  int month = 0;
  int day = 0;
  CivilFromDays(days, year, month, day);
  return FormatDateText(year, month, day, static_cast<int>(rest / 3600),
                        static_cast<int>(rest % 3600 / 60));
}

std::optional<std::int64_t> DateSortKey(std::string_view text) {
  const std::vector<Token> t = Tokens(text);
  if (t.size() < 3) return std::nullopt;
  int year = 0;
  int month = 0;
  int day = 0;
  const bool slashes = text.find('/') != std::string_view::npos;
  if (!t[0].digits) return std::nullopt;
  const int a = *Number(t[0].text.substr(0, 9));
  if (!t[1].digits) {  // 29-JAN-1996
    month = MonthFromName(t[1].text);
    day = a;
    if (!t[2].digits) return std::nullopt;
    year = FullYear(t[2].text, *Number(t[2].text.substr(0, 9)));
  } else {
    if (!t[2].digits) return std::nullopt;
    const int b = *Number(t[1].text.substr(0, 9));
    const int c = *Number(t[2].text.substr(0, 9));
    if (!slashes && t[0].text.size() == 4) {  // 1994-05-13
      year = a;
      month = b;
      day = c;
    } else {  // 1/15/2024 or 01-16-02
      month = a;
      day = b;
      year = FullYear(t[2].text, c);
    }
  }
  if (month < 1 || month > 12 || day < 1 || day > 31) return std::nullopt;
  int hour = 0;
  int minute = 0;
  if (t.size() >= 5 && t[3].digits && t[4].digits) {
    hour = *Number(t[3].text.substr(0, 9));
    minute = *Number(t[4].text.substr(0, 9));
    for (std::size_t i = 5; i < t.size(); ++i) {
      if (t[i].digits) continue;
      const char first = static_cast<char>(std::toupper(static_cast<unsigned char>(t[i].text[0])));
      if (first == 'P' && hour < 12) hour += 12;
      if (first == 'A' && hour == 12) hour = 0;
      break;
    }
  }
  if (hour > 23 || minute > 59) return std::nullopt;
  return static_cast<std::int64_t>(year) * 100000000 + month * 1000000 + day * 10000 + hour * 100 +
         minute;
}

}  // namespace ftp
