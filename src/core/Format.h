#pragma once
// Number and date-time texts as the user sees them. Date-times are the 32-bit
// DOS packed local date-times the catalogue stores (0 = none): low 16 bits
// seconds/2 (0-4), minutes (5-10), hours (11-15); high 16 bits day (0-4),
// month (5-8), years since 1980 (9-15).

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace plomix {

struct DateTimeParts {
  int year = 0;
  int month = 0;
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;
};

// Packs a calendar date-time; 0 when the year is outside 1980..2107 or a field
// is out of range. Seconds are stored in two-second steps (rounded down).
int32_t PackDosDateTime(const DateTimeParts& parts);
// Unpacks; false (parts untouched) for 0 or a value that is not a valid date.
bool UnpackDosDateTime(int32_t packed, DateTimeParts& parts);

// Local date-time of a Unix time as a DOS date-time (0 when out of range).
int32_t DosDateTimeFromUnix(int64_t unixSeconds);
// Inverse, for a valid value; -1 for 0 or an invalid value.
int64_t UnixFromDosDateTime(int32_t packed);

// The current local date-time as a DOS date-time. Tests may replace the clock.
int32_t DosNow();
void SetClockForTesting(std::function<int64_t()> unixNow);  // empty: real clock

// "#,##0": comma every three digits, rounded to an integer (half away from zero).
// Every finite double works, beyond the range of int64 too; NaN and infinities
// give the empty text.
std::string FormatNumber(double value);
// "0": plain integer text, rounded as above.
std::string FormatPlain(double value);

// Formats a DOS date-time with a format string given as CP932 bytes; returns
// CP932 bytes. Letters: yyyy four-digit year, mm two-digit month (minutes when
// it follows hh), dd day, aaa short weekday name (日 月 火 水 木 金 土), hh hour,
// nn minute, ss second, g the first character of the Japanese era name, gg the
// whole era name, ee the two-digit year of the era (01 for the first year).
// "mm" means minutes when the nearest letter before it ends an "hh" token
// (separators such as ":" or "時" may stand between). Letters are lower case. Everything
// else is copied; a two-byte character is copied whole, so its trail byte is
// never read as a letter. The empty text for 0 or an invalid value.
std::string FormatDateTime(std::string_view formatCp932, int32_t packed);

// A value as one field of comma-separated text: in double quotes, each quote
// inside doubled, so a name holding `"`, a comma or a line break stays one
// field for every CSV reader. Safe on CP932 bytes: 0x22 is never a trail byte.
std::string CsvQuoted(std::string_view value);

}  // namespace plomix
