#pragma once
// Date texts of parsed listing entries. Unix listings give "Mon DD HH:MM" (this year) or
// "Mon DD YYYY"; both become "M/D/YYYY h:mm AM" with a 12-hour clock, a year alone giving
// "12:00 AM". EPLF gives seconds since 1970 (UTC), shown the same way; an EPLF entry without a
// time shows "1/1/80 12:00". Other formats keep the server's own date words.
//
// DateSortKey reads these texts and the usual server forms back into a number that sorts by
// time, for the file list's date column.
//
// Threading: pure functions, safe from any thread.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ftp {

inline constexpr std::string_view kEplfDefaultDate = "1/1/80 12:00";

// 1..12 for "Jan".."Dec" (the first three letters count, any letter case), 0 otherwise.
[[nodiscard]] int MonthFromName(std::string_view word);

// The date text for the three date words of a Unix line. Words that do not form a date are
// kept as they are, joined by blanks.
[[nodiscard]] std::string UnixDateText(std::string_view month, std::string_view day,
                                       std::string_view timeOrYear, int currentYear);

// "M/D/YYYY h:mm AM" for a moment in seconds since 1970 (UTC); nothing outside years 1..9999.
[[nodiscard]] std::optional<std::string> DateTextFromUnixTime(std::int64_t seconds);

// The text for a calendar date and a 24-hour time.
[[nodiscard]] std::string FormatDateText(int year, int month, int day, int hour, int minute);

// yyyymmddhhmm for the date texts above, DOS ("01-16-02 11:14AM"), VMS ("29-JAN-1996
// 03:33:12") and ISO ("1994-05-13 13:37:05") forms; nothing for other texts.
[[nodiscard]] std::optional<std::int64_t> DateSortKey(std::string_view text);

}  // namespace ftp
