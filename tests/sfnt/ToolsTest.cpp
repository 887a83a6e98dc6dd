#include "sfnt/Tools.h"

#include <gtest/gtest.h>
#include <unicode/timezone.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <limits>

namespace fu {
namespace {

using namespace std::chrono;
using namespace std::chrono_literals;

constexpr sys_seconds kEpoch1904 = sys_days{1904y / January / 1};

// Switches the process's time zone for one test. ICU reads the host zone once and caches it,
// so its default is re-detected from TZ both on entry and on the way out.
class ProcessTimeZone {
public:
    explicit ProcessTimeZone(const char* zone) {
        if (const char* previous = std::getenv("TZ")) saved_ = previous;
        apply(zone);
    }
    ~ProcessTimeZone() {
        if (saved_) {
            apply(saved_->c_str());
        } else {
            unsetenv("TZ");
            redetect();
        }
    }
    ProcessTimeZone(const ProcessTimeZone&) = delete;
    ProcessTimeZone& operator=(const ProcessTimeZone&) = delete;

private:
    static void apply(const char* zone) {
        setenv("TZ", zone, 1);
        redetect();
    }
    static void redetect() {
        tzset();
        icu::TimeZone::adoptDefault(icu::TimeZone::detectHostTimeZone());
    }
    std::optional<std::string> saved_;
};

// ---- version texts ------------------------------------------------------------------------

TEST(ToolsVersNumberString, TakesTheFirstRunOfDigitsAndDots) {
    EXPECT_EQ(Tools::versNumberStringFromVersString("Version 1.0.2 (ABC)"), "1.0.2");
    EXPECT_EQ(Tools::versNumberStringFromVersString("ver1.2b3"), "1.2");
    EXPECT_EQ(Tools::versNumberStringFromVersString("1.0.1, Copyright"), "1.0.1");
    EXPECT_EQ(Tools::versNumberStringFromVersString("バージョン2.5"), "2.5");
    // A run may end with a dot, and a dot before the first digit is not part of it.
    EXPECT_EQ(Tools::versNumberStringFromVersString("1.0.1."), "1.0.1.");
    EXPECT_EQ(Tools::versNumberStringFromVersString("v.3"), "3");
}

TEST(ToolsVersNumberString, IsMissingWithoutAnAsciiDigit) {
    EXPECT_EQ(Tools::versNumberStringFromVersString(""), std::nullopt);
    EXPECT_EQ(Tools::versNumberStringFromVersString("Version ABC"), std::nullopt);
    EXPECT_EQ(Tools::versNumberStringFromVersString("..."), std::nullopt);
    EXPECT_EQ(Tools::versNumberStringFromVersString("１.０"), std::nullopt); // full-width digits
}

TEST(ToolsVersFromVersString, ShiftsEachComponentInByEightBits) {
    EXPECT_EQ(Tools::versFromVersString("1.0.1"), 0x010001u);
    EXPECT_EQ(Tools::versFromVersString("1.0"), 0x0100u);
    EXPECT_EQ(Tools::versFromVersString("2"), 2u);
    EXPECT_EQ(Tools::versFromVersString("2.0"), 0x0200u);
    EXPECT_EQ(Tools::versFromVersString("1.0.0.0"), 0x01000000u);
    EXPECT_EQ(Tools::versFromVersString("255.255.255.255"), 0xFFFFFFFFu);
    EXPECT_EQ(Tools::versFromVersString("4294967295"), 0xFFFFFFFFu);
    // Components are ORed in unmasked, so a large one spills into its neighbour.
    EXPECT_EQ(Tools::versFromVersString("1.256"), 0x100u);
    EXPECT_EQ(Tools::versFromVersString("1.300"), 0x12Cu);
}

TEST(ToolsVersFromVersString, TrimsAndDropsOneTrailingNonDigit) {
    EXPECT_EQ(Tools::versFromVersString(" 1.2\t"), 0x0102u);
    EXPECT_EQ(Tools::versFromVersString("1.0.1b"), 0x010001u);
    EXPECT_EQ(Tools::versFromVersString("1.0.1."), 0x010001u);
    // The dropped character is a whole UTF-8 sequence, not its last byte.
    EXPECT_EQ(Tools::versFromVersString("1.2\u3000"), 0x0102u);
    EXPECT_EQ(Tools::versFromVersString("1.2é"), 0x0102u);
    // Only one character goes.
    EXPECT_EQ(Tools::versFromVersString("1.0.1ab"), 0u);
    EXPECT_EQ(Tools::versFromVersString("1.0.1 b"), 0u);
}

TEST(ToolsVersFromVersString, IsZeroForUnreadableOrOutOfRangeTexts) {
    EXPECT_EQ(Tools::versFromVersString(""), 0u);
    EXPECT_EQ(Tools::versFromVersString(" \t "), 0u);
    EXPECT_EQ(Tools::versFromVersString("b"), 0u);
    EXPECT_EQ(Tools::versFromVersString("0"), 0u);
    EXPECT_EQ(Tools::versFromVersString("0.0"), 0u);
    EXPECT_EQ(Tools::versFromVersString("1..1"), 0u);
    EXPECT_EQ(Tools::versFromVersString(".1"), 0u);
    EXPECT_EQ(Tools::versFromVersString("1 .2"), 0u);
    EXPECT_EQ(Tools::versFromVersString("1.-2"), 0u);
    EXPECT_EQ(Tools::versFromVersString("4294967296"), 0u);
    EXPECT_EQ(Tools::versFromVersString("99999999999999999999999"), 0u);
    EXPECT_EQ(Tools::versFromVersString("1.0.0.0.0"), 0u);
    // Nine components would shift the leading 1 out of 64 bits and leave 1 in a wrapping
    // implementation.
    EXPECT_EQ(Tools::versFromVersString("1.0.0.0.0.0.0.0.1"), 0u);
}

TEST(ToolsVersFromVersString, OrdersVersionsOfTheSameForm) {
    EXPECT_LT(Tools::versFromVersString("1.0.1"), Tools::versFromVersString("1.0.2"));
    EXPECT_LT(Tools::versFromVersString("1.0.9"), Tools::versFromVersString("1.0.10"));
    EXPECT_LT(Tools::versFromVersString("1.9.9"), Tools::versFromVersString("2.0.0"));
}

TEST(ToolsIncrementVersString, RaisesTheLastNumberOrAddsABugFixNumber) {
    EXPECT_EQ(Tools::incrementVersString("1"), "1.0.1");
    EXPECT_EQ(Tools::incrementVersString("1.0"), "1.0.1");
    EXPECT_EQ(Tools::incrementVersString("1.5"), "1.5.1");
    EXPECT_EQ(Tools::incrementVersString("1.0.0"), "1.0.1");
    EXPECT_EQ(Tools::incrementVersString("1.2.9"), "1.2.10");
    EXPECT_EQ(Tools::incrementVersString("65535"), "65535.0.1");
}

TEST(ToolsIncrementVersString, KeepsTheWidthOfNumbersWithLeadingZeros) {
    EXPECT_EQ(Tools::incrementVersString("1.00"), "1.01");
    EXPECT_EQ(Tools::incrementVersString("1.09"), "1.10");
    EXPECT_EQ(Tools::incrementVersString("1.099"), "1.100");
    EXPECT_EQ(Tools::incrementVersString("2.1.05"), "2.1.06");
    EXPECT_EQ(Tools::incrementVersString("2.1.099"), "2.1.100");
    EXPECT_EQ(Tools::incrementVersString("2.1.99"), "2.1.100");
    EXPECT_EQ(Tools::incrementVersString("01.5"), "01.5.1");
    EXPECT_EQ(Tools::incrementVersString("007"), "007.0.1");
    EXPECT_EQ(Tools::incrementVersString("03.02.01"), "03.02.02");
}

TEST(ToolsIncrementVersString, IsMissingForTextsItCannotRaiseSafely) {
    EXPECT_EQ(Tools::incrementVersString(""), std::nullopt);
    EXPECT_EQ(Tools::incrementVersString("1..1"), std::nullopt);
    EXPECT_EQ(Tools::incrementVersString(".1"), std::nullopt);
    EXPECT_EQ(Tools::incrementVersString("1.0.1."), std::nullopt);
    EXPECT_EQ(Tools::incrementVersString("1.2.3.4"), std::nullopt);
    EXPECT_EQ(Tools::incrementVersString("1.a"), std::nullopt);
    EXPECT_EQ(Tools::incrementVersString("1.2 "), std::nullopt);
    EXPECT_EQ(Tools::incrementVersString("65536"), std::nullopt);
    // Raising past 16 bits would wrap to 0 and lower the version.
    EXPECT_EQ(Tools::incrementVersString("1.0.65535"), std::nullopt);
    EXPECT_EQ(Tools::incrementVersString("1.065535"), std::nullopt);
}

TEST(ToolsReplaceOldShortVersNumStr, ReplacesOnlyTheFirstOccurrence) {
    EXPECT_EQ(Tools::replaceOldShortVersNumStr("1.0.1", "1.0.2", "1.0.1 (ABC)"), "1.0.2 (ABC)");
    EXPECT_EQ(Tools::replaceOldShortVersNumStr("1.0", "2.0", "1.0 and 1.0"), "2.0 and 1.0");
    EXPECT_EQ(Tools::replaceOldShortVersNumStr("1.0", "1.1", "版1.0です"), "版1.1です");
    EXPECT_EQ(Tools::replaceOldShortVersNumStr("1.0", "", "v1.0x"), "vx");
}

TEST(ToolsReplaceOldShortVersNumStr, LeavesTheTextWhenTheOldNumberIsAbsent) {
    EXPECT_EQ(Tools::replaceOldShortVersNumStr("2.0", "2.1", "1.0.1 (ABC)"), "1.0.1 (ABC)");
    EXPECT_EQ(Tools::replaceOldShortVersNumStr("2.0", "2.1", ""), "");
    EXPECT_EQ(Tools::replaceOldShortVersNumStr("", "2.1", "1.0.1"), std::nullopt);
}

TEST(ToolsVersionTexts, RaiseTheNumberInsideAVersionTextTogether) {
    // The chain the new-font construction runs for a "raise the installed version" request.
    const std::string installed = "Version 1.0.9 (XYZ)";
    const std::optional<std::string> number = Tools::versNumberStringFromVersString(installed);
    ASSERT_EQ(number, "1.0.9");
    const std::optional<std::string> raised = Tools::incrementVersString(*number);
    ASSERT_EQ(raised, "1.0.10");
    EXPECT_EQ(Tools::replaceOldShortVersNumStr(*number, *raised, installed),
              "Version 1.0.10 (XYZ)");
    EXPECT_LT(Tools::versFromVersString(*number), Tools::versFromVersString(*raised));
}

// ---- dates --------------------------------------------------------------------------------

TEST(ToolsDateFromDateString, ReadsTheTextAsJapanTimeWhateverTheProcessZone) {
    const sys_seconds expected = sys_days{2014y / April / 1} + 0h + 30min;
    {
        ProcessTimeZone utc("UTC");
        EXPECT_EQ(Tools::dateFromDateString("2014/04/01 09:30:00"), expected);
    }
    {
        ProcessTimeZone newYork("America/New_York");
        EXPECT_EQ(Tools::dateFromDateString("2014/04/01 09:30:00"), expected);
    }
    EXPECT_EQ(Tools::dateFromDateString("2016/02/29 23:59:59"),
              sys_days{2016y / February / 29} + 14h + 59min + 59s);
    EXPECT_EQ(Tools::dateFromDateString("1904/01/01 09:00:00"), kEpoch1904);
}

TEST(ToolsDateFromDateString, RejectsTextsThatAreNotExactlyADateText) {
    for (const char* text :
         {"", "2014/13/01 09:30:00", "2014/00/10 09:30:00", "2015/02/29 12:00:00",
          "2014/04/31 12:00:00", "2014/04/01 24:00:00", "2014/04/01 09:60:00",
          "2014/04/01 09:30:60", "2014/04/01 09:30:00x", "2014/04/01 09:30:00 ",
          " 2014/04/01 09:30:00", "2014/04/01  09:30:00", "2014/04/01 09:30", "2014-04-01 09:30:00",
          "14/04/01 09:30:00", "2014/4/1 9:30:00", "+2014/04/01 09:30:00", "0000/01/01 00:00:00",
          "２０１４/04/01 09:30:00"}) {
        EXPECT_EQ(Tools::dateFromDateString(text), std::nullopt) << text;
        EXPECT_EQ(Tools::longDateTimeFromDateString(text), 0) << text;
    }
}

TEST(ToolsDateStringFromDate, FormatsInTheProcessTimeZone) {
    const sys_seconds date = sys_days{2014y / April / 1} + 0h + 30min;
    {
        ProcessTimeZone utc("UTC");
        EXPECT_EQ(Tools::dateStringFromDate(date), "2014/04/01 00:30:00");
        EXPECT_EQ(Tools::dateStringFromDate(sys_days{1999y / December / 31} + 23h + 59min + 59s),
                  "1999/12/31 23:59:59");
    }
    {
        ProcessTimeZone tokyo("Asia/Tokyo");
        EXPECT_EQ(Tools::dateStringFromDate(date), "2014/04/01 09:30:00");
    }
}

TEST(ToolsDateStringFromDate, IsMissingForDatesTheTextCannotShow) {
    ProcessTimeZone utc("UTC");
    EXPECT_EQ(Tools::dateStringFromDate(std::nullopt), std::nullopt);
    // The text has no era: year 0 would print as year 1.
    EXPECT_EQ(Tools::dateStringFromDate(sys_days{0y / June / 1}), std::nullopt);
    EXPECT_EQ(Tools::dateStringFromDate(sys_days{1y / January / 1}), "0001/01/01 00:00:00");
    EXPECT_EQ(Tools::dateStringFromDate(sys_seconds::max()), std::nullopt);
    EXPECT_EQ(Tools::dateStringFromDate(sys_seconds::min()), std::nullopt);
}

TEST(ToolsTodayZeroTimeDateString, IsTodayInTheProcessZoneAtMidnight) {
    ProcessTimeZone tokyo("Asia/Tokyo");
    // Japan has kept UTC+9 without daylight saving since 1951.
    auto tokyoDay = [] {
        const year_month_day day{floor<days>(system_clock::now() + 9h)};
        char text[32];
        std::snprintf(text, sizeof text, "%04d/%02u/%02u 00:00:00", int(day.year()),
                      unsigned(day.month()), unsigned(day.day()));
        return std::string(text);
    };
    const std::string before = tokyoDay();
    const std::optional<std::string> today = Tools::todayZeroTimeDateStringFromDate();
    const std::string after = tokyoDay();
    ASSERT_TRUE(today);
    EXPECT_TRUE(*today == before || *today == after) << *today;
}

TEST(ToolsLongDateTime, CountsSecondsSince1904PlusNineHours) {
    // The count reads as the Japan wall-clock time taken as if it were UTC.
    const sys_seconds date = sys_days{2014y / April / 1} + 0h + 30min;
    const int64_t japanWallClock = (sys_days{2014y / April / 1} + 9h + 30min - kEpoch1904).count();
    EXPECT_EQ(Tools::longDateTimeFromDate(date), japanWallClock);
    EXPECT_EQ(Tools::longDateTimeFromDate(kEpoch1904), 32400);
    EXPECT_EQ(Tools::longDateTimeFromDate(kEpoch1904 - 32400s), 0);
    EXPECT_EQ(Tools::longDateTimeFromDate(std::nullopt), 0);
    EXPECT_EQ(Tools::longDateTimeFromDateString("2014/04/01 09:30:00"), japanWallClock);
}

TEST(ToolsLongDateTime, GivesZeroRatherThanOverflowing) {
    EXPECT_EQ(Tools::longDateTimeFromDate(sys_seconds::max()), 0);
    // The largest date whose count still fits.
    const int64_t largest = std::numeric_limits<int64_t>::max();
    EXPECT_EQ(Tools::longDateTimeFromDate(kEpoch1904 + seconds{largest - 32400}), largest);
    EXPECT_EQ(Tools::longDateTimeFromDate(kEpoch1904 + seconds{largest - 32399}), 0);
}

TEST(ToolsDateFromLongDateTime, SubtractsNineHoursOnlyAbove32400) {
    EXPECT_EQ(Tools::dateFromLongDateTime(32401), kEpoch1904 + 1s);
    EXPECT_EQ(Tools::dateFromLongDateTime(32400), kEpoch1904 + 32400s);
    EXPECT_EQ(Tools::dateFromLongDateTime(32399), kEpoch1904 + 32399s);
    EXPECT_EQ(Tools::dateFromLongDateTime(0), kEpoch1904);
    EXPECT_EQ(Tools::dateFromLongDateTime(-1), kEpoch1904 - 1s);
    EXPECT_EQ(Tools::dateFromLongDateTime(40000), kEpoch1904 + 7600s);
}

TEST(ToolsDateFromLongDateTime, HandlesTheWholeInt64RangeWithoutOverflow) {
    constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
    EXPECT_EQ(Tools::dateFromLongDateTime(kMax), kEpoch1904 + seconds{kMax - 32400});
    // The 1904 epoch lies before 1970, so the most negative counts fall outside sys_seconds.
    EXPECT_EQ(Tools::dateFromLongDateTime(std::numeric_limits<int64_t>::min()), std::nullopt);
    EXPECT_EQ(Tools::dateStringFromLongDateTime(kMax), std::nullopt);
    EXPECT_EQ(Tools::dateStringFromLongDateTime(std::numeric_limits<int64_t>::min()), std::nullopt);
}

TEST(ToolsDateStringFromLongDateTime, RoundTripsDateTextsOnAJapanTimeSystem) {
    ProcessTimeZone tokyo("Asia/Tokyo");
    for (const char* text : {"2014/04/01 09:30:00", "1904/01/01 09:00:01", "2000/02/29 00:00:00",
                             "2040/12/31 23:59:59", "9999/12/31 23:59:59"}) {
        const int64_t longDateTime = Tools::longDateTimeFromDateString(text);
        ASSERT_NE(longDateTime, 0) << text;
        EXPECT_EQ(Tools::dateStringFromLongDateTime(longDateTime), text);
    }
    // The epoch itself maps to exactly 32400, which is read back unchanged: nine hours later.
    EXPECT_EQ(
        Tools::dateStringFromLongDateTime(Tools::longDateTimeFromDateString("1904/01/01 09:00:00")),
        "1904/01/01 18:00:00");
}

TEST(ToolsDateStringFromLongDateTime, ShowsTheCountInTheProcessZone) {
    ProcessTimeZone utc("UTC");
    EXPECT_EQ(Tools::dateStringFromLongDateTime(32401), "1904/01/01 00:00:01");
    EXPECT_EQ(
        Tools::dateStringFromLongDateTime(Tools::longDateTimeFromDateString("2014/04/01 09:30:00")),
        "2014/04/01 00:30:00");
}

// ---- fingerprints -------------------------------------------------------------------------

// RFC 1321 test suite: MD5("abc").
constexpr std::array<uint8_t, 16> kMd5OfAbc{0x90, 0x01, 0x50, 0x98, 0x3c, 0xd2, 0x4f, 0xb0,
                                            0xd6, 0x96, 0x3f, 0x7d, 0x28, 0xe1, 0x7f, 0x72};

TEST(ToolsMd5FromDatePtr, WritesTheDigestAndZeroFillsTheRestOfTheBuffer) {
    std::array<uint8_t, 24> buffer;
    buffer.fill(0xAA);
    ASSERT_TRUE(Tools::md5FromDatePtr(asBytes("abc"), std::span(buffer).first(20)));
    EXPECT_TRUE(std::equal(kMd5OfAbc.begin(), kMd5OfAbc.end(), buffer.begin()));
    for (size_t i = 16; i < 20; ++i)
        EXPECT_EQ(buffer[i], 0) << i;
    for (size_t i = 20; i < 24; ++i)
        EXPECT_EQ(buffer[i], 0xAA) << i; // beyond the given size

    std::array<uint8_t, 16> exact{};
    ASSERT_TRUE(Tools::md5FromDatePtr(asBytes("abc"), exact));
    EXPECT_EQ(exact, kMd5OfAbc);
}

TEST(ToolsMd5FromDatePtr, RefusesABufferShorterThanADigestAndLeavesItAlone) {
    std::array<uint8_t, 20> buffer;
    buffer.fill(0xAA);
    EXPECT_FALSE(Tools::md5FromDatePtr(asBytes("abc"), std::span(buffer).first(15)));
    for (size_t i = 0; i < buffer.size(); ++i)
        EXPECT_EQ(buffer[i], 0xAA) << i;
    EXPECT_FALSE(Tools::md5FromDatePtr(asBytes("abc"), std::span<uint8_t>()));
}

TEST(ToolsMd5StringFromDatePtr, GivesThirtyTwoUppercaseHexDigits) {
    EXPECT_EQ(Tools::md5StringFromDatePtr(asBytes("abc")), "900150983CD24FB0D6963F7D28E17F72");
    EXPECT_EQ(Tools::md5StringFromDatePtr(asBytes("message digest")),
              "F96B697D7CB7938D525A2F31AAF161D0");
    EXPECT_EQ(Tools::md5StringFromDatePtr({}), "D41D8CD98F00B204E9800998ECF8427E");
}

TEST(ToolsHexStringFromDatePtr, WritesTwoUppercaseDigitsPerByte) {
    EXPECT_EQ(Tools::hexStringFromDatePtr(Bytes{0x0A, 0xFF}), "0AFF");
    EXPECT_EQ(Tools::hexStringFromDatePtr(Bytes{0x00, 0x01, 0x7F, 0x80, 0xC3}), "00017F80C3");
    EXPECT_EQ(Tools::hexStringFromDatePtr({}), std::nullopt);
}

} // namespace
} // namespace fu
