#include "sfnt/Tools.h"

#include "support/Sandbox.h"

#include <gtest/gtest.h>
#include <unicode/timezone.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <limits>
#include <string>
#include <utility>
#include <vector>

namespace fu {
namespace {

using namespace std::chrono;
using namespace std::chrono_literals;

constexpr sys_seconds kEpoch1904 = sys_days{1904y / January / 1};
// 2014/04/01 09:30:00 in Japan.
constexpr sys_seconds kAprilFirst = sys_days{2014y / April / 1} + 30min;

// Switches the process's time zone for one scope. ICU caches the host zone, so it is
// re-detected from TZ on the way in and on the way out.
class ProcessTimeZone {
public:
    explicit ProcessTimeZone(const char* zone)
        : tz_(std::in_place, {std::pair<const char*, const char*>{"TZ", zone}}) {
        redetect();
    }
    ~ProcessTimeZone() {
        tz_.reset();
        redetect();
    }

private:
    static void redetect() {
        tzset();
        icu::TimeZone::adoptDefault(icu::TimeZone::detectHostTimeZone());
    }
    std::optional<test::ScopedEnvironment> tz_;
};

// ---- version texts ------------------------------------------------------------------------

TEST(ToolsVersNumberString, TakesTheFirstRunOfDigitsAndDotsStartingWithADigit) {
    EXPECT_EQ(Tools::versNumberStringFromVersString("Version 1.0.2 (ABC)"), "1.0.2");
    EXPECT_EQ(Tools::versNumberStringFromVersString("1.0.1."), "1.0.1.");
    EXPECT_EQ(Tools::versNumberStringFromVersString("v.3"), "3");
    EXPECT_EQ(Tools::versNumberStringFromVersString("Version ABC"), std::nullopt);
}

TEST(ToolsVersFromVersString, ShiftsComponentsInByEightBitsAndIsZeroForWhatItCannotRead) {
    const std::pair<const char*, uint32_t> cases[] = {
        {"1.0.1", 0x010001u},
        {"4294967295", 0xFFFFFFFFu},
        {"1.300", 0x12Cu}, // a component above 255 spills into its neighbour, unmasked
        // Blanks are trimmed and one trailing character, a whole UTF-8 sequence, dropped.
        {" 1.2\t", 0x0102u},
        {"1.0.1b", 0x010001u},
        {"1.2\u3000", 0x0102u},
        {"1.0.1ab", 0u},
        {"0", 0u},
        {"1..1", 0u},
        {"4294967296", 0u},
        // Nine components shift the leading 1 out of 64 bits: a wrapping implementation gives 1.
        {"1.0.0.0.0.0.0.0.1", 0u},
    };
    for (const auto& [text, vers] : cases)
        EXPECT_EQ(Tools::versFromVersString(text), vers) << text;
}

TEST(ToolsIncrementVersString, RaisesTheLastNumberKeepingItsWidthOrIsMissingWhenItCannot) {
    const std::pair<const char*, std::optional<std::string>> cases[] = {
        {"1", "1.0.1"},
        {"1.0", "1.0.1"},
        {"1.00", "1.01"},
        {"1.09", "1.10"},
        {"1.2.9", "1.2.10"},
        {"2.1.099", "2.1.100"},
        {"1..1", std::nullopt},
        {"1.2.3.4", std::nullopt},
        // Raising past 16 bits would wrap to 0 and lower the version.
        {"1.0.65535", std::nullopt},
    };
    for (const auto& [text, raised] : cases)
        EXPECT_EQ(Tools::incrementVersString(text), raised) << text;
}

TEST(ToolsReplaceOldShortVersNumStr, ReplacesOnlyTheFirstOccurrence) {
    EXPECT_EQ(Tools::replaceOldShortVersNumStr("1.0", "2.0", "1.0 and 1.0"), "2.0 and 1.0");
    EXPECT_EQ(Tools::replaceOldShortVersNumStr("2.0", "2.1", "1.0.1 (ABC)"), "1.0.1 (ABC)");
    EXPECT_EQ(Tools::replaceOldShortVersNumStr("", "2.1", "1.0.1"), std::nullopt);
}

// ---- dates --------------------------------------------------------------------------------

// The text is Japan time whatever the process zone, and the parser outlives a call: no field of
// one text, and no failure, may reach the next.
TEST(ToolsDateFromDateString, EachTextReadsAloneAsJapanTimeWhateverWasReadBefore) {
    ProcessTimeZone utc("UTC");
    struct Case {
        const char* text;
        std::optional<sys_seconds> date;
    };
    const Case cases[] = {
        {"2015/12/31 23:59:59", sys_days{2015y / December / 31} + 23h + 59min + 59s - 9h},
        {"2016/02/30 10:00:00", std::nullopt},
        {"2016/02/29 00:00:00", sys_days{2016y / February / 29} - 9h},
        {"2015/02/29 12:00:00", std::nullopt},
        {"2014/13/01 09:30:00", std::nullopt},
        {"1904/01/01 09:00:00", sys_days{1904y / January / 1}},
        {"2014/04/01 24:00:00", std::nullopt},
        {" 2014/04/01 09:30:00", std::nullopt}, // ICU's parser would skip the leading blank
        {"2014/04/01 09:30:00", kAprilFirst},
    };
    for (int round = 0; round < 2; ++round) {
        for (const Case& c : cases)
            EXPECT_EQ(Tools::dateFromDateString(c.text), c.date) << c.text;
    }
}

TEST(ToolsDateFromDateString, ManyTextsReadInTurnEachGiveTheirOwnDate) {
    // More texts than a run's definition holds, read in rounds, forwards, backwards and strided.
    std::vector<std::pair<std::string, sys_seconds>> days;
    for (unsigned day = 1; day <= 28; ++day) {
        char text[32];
        ASSERT_EQ(std::snprintf(text, sizeof text, "2019/02/%02u 21:15:00", day), 19);
        days.emplace_back(text, sys_days{2019y / February / day} + 12h + 15min);
    }
    for (size_t stride : {size_t{1}, size_t{27}, size_t{5}, size_t{1}}) {
        for (size_t i = 0, at = 0; i < days.size(); ++i, at = (at + stride) % days.size())
            EXPECT_EQ(Tools::dateFromDateString(days[at].first), days[at].second) << days[at].first;
    }
}

TEST(ToolsDateStringFromDate, FormatsInTheProcessTimeZoneAndIsMissingForDatesItCannotShow) {
    {
        ProcessTimeZone utc("UTC");
        EXPECT_EQ(Tools::dateStringFromDate(kAprilFirst), "2014/04/01 00:30:00");
        EXPECT_EQ(Tools::dateStringFromDate(std::nullopt), std::nullopt);
        // The text has no era: year 0 would print as year 1.
        EXPECT_EQ(Tools::dateStringFromDate(sys_days{0y / June / 1}), std::nullopt);
        EXPECT_EQ(Tools::dateStringFromDate(sys_seconds::max()), std::nullopt);
    }
    ProcessTimeZone tokyo("Asia/Tokyo");
    EXPECT_EQ(Tools::dateStringFromDate(kAprilFirst), "2014/04/01 09:30:00");
}

TEST(ToolsTodayZeroTimeDateString, IsTodayInTheProcessZoneAtMidnight) {
    ProcessTimeZone tokyo("Asia/Tokyo");
    // Japan has kept UTC+9 without daylight saving since 1951.
    auto tokyoDay = [] {
        const year_month_day day{floor<days>(system_clock::now() + 9h)};
        char text[32];
        EXPECT_EQ(std::snprintf(text, sizeof text, "%04d/%02u/%02u 00:00:00", int(day.year()),
                                unsigned(day.month()), unsigned(day.day())),
                  19);
        return std::string(text);
    };
    const std::string before = tokyoDay();
    const std::optional<std::string> today = Tools::todayZeroTimeDateStringFromDate();
    ASSERT_TRUE(today);
    EXPECT_TRUE(*today == before || *today == tokyoDay()) << *today;
}

// Seconds since 1904 plus nine hours, zero where they cannot be had; read back, the nine hours
// come off only above 32400.
TEST(ToolsLongDateTime, CountsSecondsSince1904InJapanTimeBothWays) {
    ProcessTimeZone utc("UTC");
    EXPECT_EQ(Tools::longDateTimeFromDate(kEpoch1904), 32400);
    EXPECT_EQ(Tools::longDateTimeFromDate(std::nullopt), 0);
    EXPECT_EQ(Tools::longDateTimeFromDate(sys_seconds::max()), 0);
    EXPECT_EQ(Tools::longDateTimeFromDateString("2015/02/29 12:00:00"), 0);
    EXPECT_EQ(Tools::dateFromLongDateTime(32401), kEpoch1904 + 1s);
    EXPECT_EQ(Tools::dateFromLongDateTime(32400), kEpoch1904 + 32400s);
    // The 1904 epoch lies before 1970, so the most negative counts fall outside sys_seconds.
    EXPECT_EQ(Tools::dateFromLongDateTime(std::numeric_limits<int64_t>::min()), std::nullopt);
    // Formatting follows the process zone: on a Japan time system the text round-trips.
    ProcessTimeZone tokyo("Asia/Tokyo");
    const int64_t longDateTime = Tools::longDateTimeFromDateString("2014/04/01 09:30:00");
    EXPECT_EQ(longDateTime, (sys_days{2014y / April / 1} + 9h + 30min - kEpoch1904).count());
    EXPECT_EQ(Tools::dateStringFromLongDateTime(longDateTime), "2014/04/01 09:30:00");
}

// ---- fingerprints -------------------------------------------------------------------------

// A buffer shorter than a digest is refused and left alone; a longer one is zero-filled only up to
// the size given.
TEST(ToolsMd5FromDatePtr, WritesTheDigestAndZeroFillsOnlyUpToTheGivenSize) {
    std::array<uint8_t, 21> buffer;
    buffer.fill(0xAA);
    EXPECT_FALSE(Tools::md5FromDatePtr(asBytes("abc"), std::span(buffer).first(15)));
    EXPECT_TRUE(std::ranges::all_of(buffer, [](uint8_t b) { return b == 0xAA; }));
    ASSERT_TRUE(Tools::md5FromDatePtr(asBytes("abc"), std::span(buffer).first(20)));
    // RFC 1321: MD5("abc").
    const std::array<uint8_t, 21> expected{0x90, 0x01, 0x50, 0x98, 0x3c, 0xd2, 0x4f,
                                           0xb0, 0xd6, 0x96, 0x3f, 0x7d, 0x28, 0xe1,
                                           0x7f, 0x72, 0,    0,    0,    0,    0xAA};
    EXPECT_EQ(buffer, expected);
}

TEST(ToolsHexStrings, AreUppercaseTwoDigitsPerByteAndADigestHasThirtyTwoEvenForNoData) {
    EXPECT_EQ(Tools::md5StringFromDatePtr(asBytes("abc")), "900150983CD24FB0D6963F7D28E17F72");
    EXPECT_EQ(Tools::md5StringFromDatePtr({}), "D41D8CD98F00B204E9800998ECF8427E");
    EXPECT_EQ(Tools::hexStringFromDatePtr(Bytes{0x0A, 0xFF}), "0AFF");
    EXPECT_EQ(Tools::hexStringFromDatePtr({}), std::nullopt);
}

} // namespace
} // namespace fu
