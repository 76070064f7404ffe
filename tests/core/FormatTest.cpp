#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

#include "core/Format.h"
#include "core/Text.h"
#include "support/TestSupport.h"

namespace plomix {
namespace {

using test::Sj;

int32_t Pack(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
  return PackDosDateTime({year, month, day, hour, minute, second});
}

// 2024-03-05 14:07:08, a Tuesday.
const int32_t kSample = Pack(2024, 3, 5, 14, 7, 8);

TEST(DosDateTime, PackAndUnpack) {
  EXPECT_EQ(static_cast<uint32_t>(kSample), 0x586570E4u);  // the stored bit layout
  struct Case {
    DateTimeParts parts;
    uint32_t packed;
    int unpackedSecond;
  } cases[] = {
      {{1980, 1, 1, 0, 0, 0}, 0x00210000u, 0},
      {{2107, 12, 31, 23, 59, 59}, 0xFF9FBF7Du, 58},  // sign bit set; odd seconds round down
      {{2024, 2, 29, 12, 30, 0}, 0x585D63C0u, 0},
      {{2000, 2, 29, 0, 0, 1}, 0x285D0000u, 0},
  };
  for (const Case& c : cases) {
    const int32_t packed = PackDosDateTime(c.parts);
    EXPECT_EQ(static_cast<uint32_t>(packed), c.packed) << c.parts.year;
    DateTimeParts back;
    ASSERT_TRUE(UnpackDosDateTime(packed, back)) << c.parts.year;
    EXPECT_EQ(back.year, c.parts.year);
    EXPECT_EQ(back.month, c.parts.month);
    EXPECT_EQ(back.day, c.parts.day);
    EXPECT_EQ(back.hour, c.parts.hour);
    EXPECT_EQ(back.minute, c.parts.minute);
    EXPECT_EQ(back.second, c.unpackedSecond);
  }
}

TEST(DosDateTime, InvalidDatesPackToZero) {
  const DateTimeParts invalid[] = {
      {1979, 12, 31, 23, 59, 58}, {2108, 1, 1, 0, 0, 0},  {2024, 0, 1, 0, 0, 0},
      {2024, 13, 1, 0, 0, 0},     {2024, 1, 0, 0, 0, 0},  {2024, 4, 31, 0, 0, 0},
      {2023, 2, 29, 0, 0, 0},     {2100, 2, 29, 0, 0, 0}, {2024, 1, 1, 24, 0, 0},
      {2024, 1, 1, 0, 60, 0},     {2024, 1, 1, 0, 0, 60}, {2024, 1, 1, -1, 0, 0},
  };
  for (const DateTimeParts& p : invalid) {
    EXPECT_EQ(PackDosDateTime(p), 0) << p.year << "-" << p.month << "-" << p.day << " " << p.hour
                                     << ":" << p.minute << ":" << p.second;
  }
}

TEST(DosDateTime, InvalidPackedValuesDoNotUnpack) {
  const uint32_t date = 0x5865u << 16;  // 2024-03-05
  const uint32_t invalid[] = {
      0,
      (44u << 9 | 0u << 5 | 5u) << 16,   // month 0
      (44u << 9 | 13u << 5 | 5u) << 16,  // month 13
      (44u << 9 | 3u << 5 | 0u) << 16,   // day 0
      (44u << 9 | 2u << 5 | 31u) << 16,  // 31 February
      (43u << 9 | 2u << 5 | 29u) << 16,  // 29 February 2023
      date | 24u << 11,                  // hour 24
      date | 60u << 5,                   // minute 60
      date | 30u,                        // second 60
      0x0000FFFFu,                       // a time without a date
  };
  for (uint32_t packed : invalid) {
    DateTimeParts parts{1, 2, 3, 4, 5, 6};
    EXPECT_FALSE(UnpackDosDateTime(static_cast<int32_t>(packed), parts)) << std::hex << packed;
    EXPECT_EQ(parts.year, 1) << "parts must stay untouched";
    EXPECT_EQ(FormatDateTime("yyyy", static_cast<int32_t>(packed)), "") << std::hex << packed;
    EXPECT_EQ(UnixFromDosDateTime(static_cast<int32_t>(packed)), -1) << std::hex << packed;
  }
}

// Runs with a fixed time zone, restoring the process's own afterwards.
class LocalTime : public testing::Test {
 protected:
  void SetZone(const char* zone) {
    setenv("TZ", zone, 1);
    tzset();
  }
  void TearDown() override {
    if (saved_) {
      setenv("TZ", saved_->c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
    SetClockForTesting({});
  }

 private:
  std::optional<std::string> saved_ =
      std::getenv("TZ") ? std::optional<std::string>(std::getenv("TZ")) : std::nullopt;
};

TEST_F(LocalTime, UnixConversionsUseLocalTime) {
  struct Case {
    const char* zone;
    int64_t unix;
    int32_t packed;
  } cases[] = {
      {"JST-9", 1709615228, kSample},
      {"CET-1CEST,M3.5.0,M10.5.0/3", 1719828000, Pack(2024, 7, 1, 12)},  // summer time
      {"CET-1CEST,M3.5.0,M10.5.0/3", 1705316400, Pack(2024, 1, 15, 12)},
      {"JST-9", 315500400, Pack(1980, 1, 1)},
      {"JST-9", 4354786798, Pack(2107, 12, 31, 23, 59, 58)},
  };
  for (const Case& c : cases) {
    SetZone(c.zone);
    EXPECT_EQ(DosDateTimeFromUnix(c.unix), c.packed) << c.zone << " " << c.unix;
    EXPECT_EQ(UnixFromDosDateTime(c.packed), c.unix) << c.zone << " " << c.unix;
  }
  SetZone("JST-9");
  EXPECT_EQ(DosDateTimeFromUnix(1709615228 + 1), kSample);  // odd second rounds down
  EXPECT_EQ(DosDateTimeFromUnix(315500400 - 1), 0);         // 1979 local time
  EXPECT_EQ(DosDateTimeFromUnix(4354786800), 0);            // 2108 local time
  EXPECT_EQ(DosDateTimeFromUnix(INT64_MAX), 0);
}

TEST_F(LocalTime, DosNowFollowsTheReplaceableClock) {
  SetZone("JST-9");
  SetClockForTesting([] { return int64_t{1709615228}; });
  EXPECT_EQ(DosNow(), kSample);
  SetClockForTesting({});
  DateTimeParts now;
  ASSERT_TRUE(UnpackDosDateTime(DosNow(), now));
  EXPECT_GE(now.year, 2024);
}

TEST(NumberFormat, GroupsAndRounds) {
  struct Case {
    double value;
    const char* grouped;
    const char* plain;
  } cases[] = {
      {0, "0", "0"},
      {7, "7", "7"},
      {999, "999", "999"},
      {1000, "1,000", "1000"},
      {1234567, "1,234,567", "1234567"},
      {-1234, "-1,234", "-1234"},
      {-999999, "-999,999", "-999999"},
      {5000000000.0, "5,000,000,000", "5000000000"},
      {0.5, "1", "1"},  // half away from zero, never to even
      {2.5, "3", "3"},
      {-2.5, "-3", "-3"},
      {1234.4, "1,234", "1234"},
      {-0.4, "0", "0"},
      {9223372036854775808.0, "9,223,372,036,854,775,808", "9223372036854775808"},  // 2^63
      {1e20, "100,000,000,000,000,000,000", "100000000000000000000"},
      {std::nan(""), "", ""},
      {-HUGE_VAL, "", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FormatNumber(c.value), c.grouped) << c.value;
    EXPECT_EQ(FormatPlain(c.value), c.plain) << c.value;
  }
}

TEST(DateTimeFormat, AllListFormats) {
  struct Case {
    const char* format;
    const char* text;
  } cases[] = {
      {"yyyy/mm/dd(aaa) hh:nn", "2024/03/05(火) 14:07"},
      {"yyyy/mm/dd(aaa) hh:nn:ss", "2024/03/05(火) 14:07:08"},
      {"yyyy/mm/dd hh:nn", "2024/03/05 14:07"},
      {"yyyy/mm/dd hh:nn:ss", "2024/03/05 14:07:08"},
      {"yyyy年mm月dd日(aaa) hh時nn分", "2024年03月05日(火) 14時07分"},
      {"yyyy年mm月dd日(aaa) hh時nn分ss秒", "2024年03月05日(火) 14時07分08秒"},
      {"yyyy年mm月dd日 hh時nn分", "2024年03月05日 14時07分"},
      {"yyyy年mm月dd日 hh時nn分ss秒", "2024年03月05日 14時07分08秒"},
      {"gee/mm/dd(aaa) hh:nn", "令06/03/05(火) 14:07"},
      {"gee/mm/dd(aaa) hh:nn:ss", "令06/03/05(火) 14:07:08"},
      {"gee/mm/dd hh:nn", "令06/03/05 14:07"},
      {"gee/mm/dd hh:nn:ss", "令06/03/05 14:07:08"},
      {"ggee年mm月dd日(aaa) hh時nn分", "令和06年03月05日(火) 14時07分"},
      {"ggee年mm月dd日(aaa) hh時nn分ss秒", "令和06年03月05日(火) 14時07分08秒"},
      {"ggee年mm月dd日 hh時nn分", "令和06年03月05日 14時07分"},
      {"ggee年mm月dd日 hh時nn分ss秒", "令和06年03月05日 14時07分08秒"},
      {"yyyymmdd hhnnss", "20240305 140708"},
      {"yyyymmddhhnnss", "20240305140708"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(FormatDateTime(Sj(c.format), kSample), Sj(c.text)) << c.format;
}

TEST(DateTimeFormat, LettersAndTrailBytes) {
  struct Case {
    const char* format;
    const char* text;
  } cases[] = {
      {"mm", "03"},
      {"hh:mm", "14:07"},
      {"hhmm", "1407"},
      {"hh時mm分", "14時07分"},
      {"mm/dd hh:mm", "03/05 14:07"},
      {"hh dd mm", "14 05 03"},  // another token in between: month again
      {"hh x mm", "14 x 03"},    // so does any other letter
      {"[yyyy] T", "[2024] T"},
      {"", ""},
      // Two-byte characters whose trail byte is a format letter are copied whole.
      {"電d", "電d"},    // 93 64
      {"ハnn", "ハ07"},  // 83 6E
      {"ドh:mm", "ドh:03"},
      {"トg", "ト令"},
      {"テe", "テe"},
      {"ヂaa", "ヂaa"},
      {"土yyy", "土yyy"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(FormatDateTime(Sj(c.format), kSample), Sj(c.text)) << c.format;
  const std::string loneLead = Sj("yyyy") + '\x82';
  EXPECT_EQ(FormatDateTime(loneLead, kSample), "2024\x82");
}

TEST(DateTimeFormat, WeekdaysAndEras) {
  const char* weekdays[] = {"日", "月", "火", "水", "木", "金", "土"};
  for (int i = 0; i < 7; ++i) {
    EXPECT_EQ(FormatDateTime(Sj("aaa"), Pack(2024, 3, 3 + i)), Sj(weekdays[i])) << 3 + i;
  }
  struct Case {
    int year, month, day;
    const char* text;
  } eras[] = {
      {1980, 1, 1, "昭和55 昭"},  {1989, 1, 7, "昭和64 昭"}, {1989, 1, 8, "平成01 平"},
      {2019, 4, 30, "平成31 平"}, {2019, 5, 1, "令和01 令"}, {2107, 12, 31, "令和89 令"},
  };
  for (const Case& c : eras) {
    EXPECT_EQ(FormatDateTime(Sj("ggee g"), Pack(c.year, c.month, c.day)), Sj(c.text))
        << c.year << "-" << c.month << "-" << c.day;
  }
}

}  // namespace
}  // namespace plomix
