#include "core/Format.h"

#include <unicode/calendar.h>
#include <unicode/dtfmtsym.h>
#include <unicode/timezone.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <vector>

#include "core/Text.h"

namespace plomix {
namespace {

constexpr int kFirstYear = 1980;
constexpr int kLastYear = 2107;

bool IsLeapYear(int year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
  static constexpr std::array<int, 12> kDays = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[static_cast<std::size_t>(month - 1)];
}

bool IsValid(const DateTimeParts& parts) {
  return parts.year >= kFirstYear && parts.year <= kLastYear && parts.month >= 1 &&
         parts.month <= 12 && parts.day >= 1 && parts.day <= DaysInMonth(parts.year, parts.month) &&
         parts.hour >= 0 && parts.hour < 24 && parts.minute >= 0 && parts.minute < 60 &&
         parts.second >= 0 && parts.second < 60;
}

std::mutex clockMutex;
std::function<int64_t()> clockForTesting;

int64_t RealNow() {
  return std::chrono::duration_cast<std::chrono::seconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

// The integer digits of a rounded value, "-" in front when negative; empty for
// NaN and infinities. printf gives every digit exactly, so values beyond the
// range of int64 still work.
std::string RoundedDigits(double value) {
  if (!std::isfinite(value)) return {};
  const double rounded = std::round(value);
  if (rounded == 0) return "0";  // no "-0" for small negative values
  // Whole numbers that fit an int64 (every size a catalogue holds) are
  // written directly; lists format hundreds of thousands of them.
  if (std::fabs(rounded) < 9.0e18) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, static_cast<int64_t>(rounded));
    return std::string(digits, end.ptr);
  }
  char buffer[400];
  std::snprintf(buffer, sizeof buffer, "%.0f", rounded);
  return buffer;
}

std::chrono::sys_days DaysOf(const DateTimeParts& parts) {
  return std::chrono::sys_days{std::chrono::year{parts.year} /
                               std::chrono::month{static_cast<unsigned>(parts.month)} /
                               std::chrono::day{static_cast<unsigned>(parts.day)}};
}

const std::string& WeekdayName(unsigned weekday) {
  static const std::array<std::string, 7> kNames = {
      text::Utf8ToCp932("日"), text::Utf8ToCp932("月"), text::Utf8ToCp932("火"),
      text::Utf8ToCp932("水"), text::Utf8ToCp932("木"), text::Utf8ToCp932("金"),
      text::Utf8ToCp932("土")};
  return kNames[weekday % 7];
}

const icu::Locale& JapaneseCalendarLocale() {
  static const icu::Locale locale("ja_JP@calendar=japanese");
  return locale;
}

// Era names come from ICU's calendar data, so an era proclaimed after this was
// written appears as soon as ICU knows it.
const std::vector<std::string>& EraNames() {
  static const std::vector<std::string> names = [] {
    UErrorCode status = U_ZERO_ERROR;
    icu::DateFormatSymbols symbols(JapaneseCalendarLocale(), "japanese", status);
    if (U_FAILURE(status)) {
      throw std::runtime_error(std::string("cannot read the Japanese era names: ") +
                               u_errorName(status));
    }
    int32_t count = 0;
    const icu::UnicodeString* eras = symbols.getEraNames(count);
    std::vector<std::string> result;
    for (int32_t i = 0; i < count; ++i) {
      std::string utf8;
      eras[i].toUTF8String(utf8);
      result.push_back(text::Utf8ToCp932(utf8));
    }
    return result;
  }();
  return names;
}

// A calendar is not thread-safe; each thread keeps a clone of one prototype
// that counts in UTC, so a calendar date is taken as it stands.
icu::Calendar& ThreadJapaneseCalendar() {
  static const std::unique_ptr<icu::Calendar> prototype = [] {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Calendar> calendar(icu::Calendar::createInstance(
        icu::TimeZone::getGMT()->clone(), JapaneseCalendarLocale(), status));
    if (U_FAILURE(status) || !calendar) {
      throw std::runtime_error(std::string("cannot create the Japanese calendar: ") +
                               u_errorName(status));
    }
    return calendar;
  }();
  thread_local std::unique_ptr<icu::Calendar> calendar(prototype->clone());
  if (!calendar) throw std::runtime_error("cannot clone the Japanese calendar");
  return *calendar;
}

struct EraYear {
  std::string name;  // CP932
  int year = 0;
};

EraYear EraOf(const DateTimeParts& parts) {
  icu::Calendar& calendar = ThreadJapaneseCalendar();
  UErrorCode status = U_ZERO_ERROR;
  const double days = static_cast<double>(DaysOf(parts).time_since_epoch().count());
  calendar.setTime(days * U_MILLIS_PER_DAY, status);
  const int32_t era = calendar.get(UCAL_ERA, status);
  const int32_t year = calendar.get(UCAL_YEAR, status);
  if (U_FAILURE(status)) {
    throw std::runtime_error(std::string("Japanese calendar failed: ") + u_errorName(status));
  }
  const std::vector<std::string>& names = EraNames();
  EraYear result;
  result.year = year;
  if (era >= 0 && static_cast<std::size_t>(era) < names.size()) {
    result.name = names[static_cast<std::size_t>(era)];
  }
  return result;
}

enum class Field {
  Year,
  MonthOrMinute,
  Day,
  Weekday,
  Hour,
  Minute,
  Second,
  EraName,
  EraInitial,
  EraYear
};

struct Token {
  std::string_view letters;
  Field field;
};

// Longer tokens first where one starts another ("gg" before "g").
constexpr std::array<Token, 10> kTokens = {{{"yyyy", Field::Year},
                                            {"mm", Field::MonthOrMinute},
                                            {"dd", Field::Day},
                                            {"aaa", Field::Weekday},
                                            {"hh", Field::Hour},
                                            {"nn", Field::Minute},
                                            {"ss", Field::Second},
                                            {"gg", Field::EraName},
                                            {"g", Field::EraInitial},
                                            {"ee", Field::EraYear}}};

// Zero-padded to the width; the fields are never negative.
void AppendNumber(std::string& out, int value, int width) {
  char digits[12];
  int count = 0;
  do {
    digits[count++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value > 0 && count < 12);
  for (int i = count; i < width; ++i) out += '0';
  while (count > 0) out += digits[--count];
}

bool IsAsciiLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

}  // namespace

int32_t PackDosDateTime(const DateTimeParts& parts) {
  if (!IsValid(parts)) return 0;
  const auto date =
      static_cast<uint32_t>((parts.year - kFirstYear) << 9 | parts.month << 5 | parts.day);
  const auto time = static_cast<uint32_t>(parts.hour << 11 | parts.minute << 5 | parts.second / 2);
  return static_cast<int32_t>(date << 16 | time);
}

bool UnpackDosDateTime(int32_t packed, DateTimeParts& parts) {
  const auto bits = static_cast<uint32_t>(packed);
  DateTimeParts result;
  result.year = kFirstYear + static_cast<int>(bits >> 25);
  result.month = static_cast<int>(bits >> 21 & 0x0F);
  result.day = static_cast<int>(bits >> 16 & 0x1F);
  result.hour = static_cast<int>(bits >> 11 & 0x1F);
  result.minute = static_cast<int>(bits >> 5 & 0x3F);
  result.second = static_cast<int>(bits & 0x1F) * 2;
  if (packed == 0 || !IsValid(result)) return false;
  parts = result;
  return true;
}

int32_t DosDateTimeFromUnix(int64_t unixSeconds) {
  const auto time = static_cast<std::time_t>(unixSeconds);
  if (static_cast<int64_t>(time) != unixSeconds) return 0;
  std::tm local{};
  if (localtime_r(&time, &local) == nullptr) return 0;
  DateTimeParts parts;
  parts.year = local.tm_year + 1900;
  parts.month = local.tm_mon + 1;
  parts.day = local.tm_mday;
  parts.hour = local.tm_hour;
  parts.minute = local.tm_min;
  parts.second = std::min(local.tm_sec, 59);  // a leap second stays in its minute
  return PackDosDateTime(parts);
}

int64_t UnixFromDosDateTime(int32_t packed) {
  DateTimeParts parts;
  if (!UnpackDosDateTime(packed, parts)) return -1;
  std::tm local{};
  local.tm_year = parts.year - 1900;
  local.tm_mon = parts.month - 1;
  local.tm_mday = parts.day;
  local.tm_hour = parts.hour;
  local.tm_min = parts.minute;
  local.tm_sec = parts.second;
  local.tm_isdst = -1;  // let the zone rules decide whether summer time applies
  return static_cast<int64_t>(std::mktime(&local));
}

int32_t DosNow() {
  std::function<int64_t()> clock;
  {
    std::lock_guard lock(clockMutex);
    clock = clockForTesting;
  }
  return DosDateTimeFromUnix(clock ? clock() : RealNow());
}

void SetClockForTesting(std::function<int64_t()> unixNow) {
  std::lock_guard lock(clockMutex);
  clockForTesting = std::move(unixNow);
}

std::string FormatNumber(double value) {
  const std::string digits = RoundedDigits(value);
  if (digits.empty()) return digits;
  const std::size_t first = digits[0] == '-' ? 1 : 0;
  std::string out(digits, 0, first);
  const std::size_t count = digits.size() - first;
  for (std::size_t i = 0; i < count; ++i) {
    if (i > 0 && (count - i) % 3 == 0) out += ',';
    out += digits[first + i];
  }
  return out;
}

std::string FormatPlain(double value) {
  return RoundedDigits(value);
}

std::string CsvQuoted(std::string_view value) {
  std::string out;
  out.reserve(value.size() + 2);
  out += '"';
  for (const char c : value) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
  return out;
}

std::string FormatDateTime(std::string_view formatCp932, int32_t packed) {
  DateTimeParts parts;
  if (!UnpackDosDateTime(packed, parts)) return {};
  std::string out;
  out.reserve(formatCp932.size() + 16);
  std::optional<EraYear> era;
  auto eraOf = [&]() -> const EraYear& {
    if (!era) era = EraOf(parts);
    return *era;
  };
  // "mm" means minutes after an "hh" token; separators in between (":", "時")
  // keep that, any other letter ends it.
  bool afterHour = false;
  for (std::size_t pos = 0; pos < formatCp932.size();) {
    const std::string_view rest = formatCp932.substr(pos);
    if (text::IsLeadByte(static_cast<uint8_t>(rest[0]))) {
      // A two-byte character is copied whole: its trail byte may look like a
      // format letter (電 ends in "d", 土 in "y").
      const std::size_t length = std::min<std::size_t>(2, rest.size());
      out.append(rest.substr(0, length));
      pos += length;
      continue;
    }
    const Token* token = nullptr;
    for (const Token& candidate : kTokens) {
      if (rest.starts_with(candidate.letters)) {
        token = &candidate;
        break;
      }
    }
    if (token == nullptr) {
      if (IsAsciiLetter(rest[0])) afterHour = false;
      out += rest[0];
      ++pos;
      continue;
    }
    pos += token->letters.size();
    switch (token->field) {
      case Field::Year:
        AppendNumber(out, parts.year, 4);
        break;
      case Field::MonthOrMinute:
        AppendNumber(out, afterHour ? parts.minute : parts.month, 2);
        break;
      case Field::Day:
        AppendNumber(out, parts.day, 2);
        break;
      case Field::Weekday:
        out += WeekdayName(std::chrono::weekday{DaysOf(parts)}.c_encoding());
        break;
      case Field::Hour:
        AppendNumber(out, parts.hour, 2);
        break;
      case Field::Minute:
        AppendNumber(out, parts.minute, 2);
        break;
      case Field::Second:
        AppendNumber(out, parts.second, 2);
        break;
      case Field::EraName:
        out += eraOf().name;
        break;
      case Field::EraInitial: {
        const std::string& name = eraOf().name;
        const bool twoBytes = !name.empty() && text::IsLeadByte(static_cast<uint8_t>(name[0]));
        out.append(name, 0, twoBytes ? 2 : 1);
        break;
      }
      case Field::EraYear:
        AppendNumber(out, eraOf().year, 2);
        break;
    }
    afterHour = token->field == Field::Hour;
  }
  return out;
}

}  // namespace plomix
