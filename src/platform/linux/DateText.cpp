#include "platform/DateText.h"

#include <unicode/calendar.h>
#include <unicode/gregocal.h>
#include <unicode/locid.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <memory>

namespace fu::platform {
namespace {

using std::chrono::sys_seconds;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Beyond 2^53 milliseconds a UDate (a double) no longer holds every second exactly.
constexpr int64_t kMaxExactSeconds = (int64_t{1} << 53) / 1000;

constexpr char16_t kDateTimePattern[] = u"yyyy/MM/dd HH:mm:ss";
constexpr char16_t kDatePattern[] = u"yyyy/MM/dd";

// A strict Gregorian formatter with ASCII digits in the given zone (adopted). The POSIX locale
// keeps a Japanese system locale from bringing its imperial calendar or other digits, and the
// calendar is proleptic so that it agrees with std::chrono before 1582.
std::unique_ptr<icu::SimpleDateFormat> makeFormat(const char16_t* pattern, icu::TimeZone* zone) {
    std::unique_ptr<icu::TimeZone> zoneOwner(zone);
    if (!zoneOwner || *zoneOwner == icu::TimeZone::getUnknown()) return nullptr;
    UErrorCode status = U_ZERO_ERROR;
    const icu::Locale posix("en_US_POSIX");
    auto calendar = std::make_unique<icu::GregorianCalendar>(zoneOwner.release(), posix, status);
    if (U_FAILURE(status)) return nullptr;
    calendar->setGregorianChange(U_DATE_MIN, status);
    auto format =
        std::make_unique<icu::SimpleDateFormat>(icu::UnicodeString(pattern), posix, status);
    if (U_FAILURE(status)) return nullptr;
    format->adoptCalendar(calendar.release());
    format->setLenient(false);
    format->setBooleanAttribute(UDAT_PARSE_PARTIAL_LITERAL_MATCH, false, status);
    format->setBooleanAttribute(UDAT_PARSE_MULTIPLE_PATTERNS_FOR_MATCH, false, status);
    if (U_FAILURE(status)) return nullptr;
    return format;
}

// ICU's strict parse still skips leading white space, lets one pattern space match several and
// reads any script's digits and a two-digit year; the date text has none of these. The year may
// be longer than four digits, as formatDate writes it.
bool hasDateTextShape(std::string_view text) {
    constexpr std::string_view kAfterYear = "/dd/dd dd:dd:dd";
    const size_t yearLength = text.find('/');
    if (yearLength == std::string_view::npos || yearLength < 4) return false;
    const std::string_view year = text.substr(0, yearLength);
    if (!std::all_of(year.begin(), year.end(), isDigit)) return false;
    const std::string_view rest = text.substr(yearLength);
    if (rest.size() != kAfterYear.size()) return false;
    for (size_t i = 0; i < rest.size(); ++i) {
        if (kAfterYear[i] == 'd' ? !isDigit(rest[i]) : rest[i] != kAfterYear[i]) return false;
    }
    return true;
}

// The parser of definition dates, made once per thread: building a formatter loads the zone
// and the locale's symbols, which costs many times what a parse does, and every font of a run
// parses the same few texts. parse() works on a clone of the formatter's calendar, so use never
// changes it.
const icu::SimpleDateFormat* japanDateTimeFormat() {
    thread_local const std::unique_ptr<icu::SimpleDateFormat> format =
        makeFormat(kDateTimePattern, icu::TimeZone::createTimeZone("Asia/Tokyo"));
    return format.get();
}

std::optional<std::string> formatDate(sys_seconds date, const char16_t* pattern,
                                      icu::TimeZone* zone) {
    std::unique_ptr<icu::SimpleDateFormat> format = makeFormat(pattern, zone);
    if (!format) return std::nullopt;
    const int64_t seconds = date.time_since_epoch().count();
    if (seconds > kMaxExactSeconds || seconds < -kMaxExactSeconds) return std::nullopt;
    std::unique_ptr<icu::Calendar> calendar(format->getCalendar()->clone());
    if (!calendar) return std::nullopt;
    UErrorCode status = U_ZERO_ERROR;
    calendar->setTime(static_cast<UDate>(seconds) * 1000.0, status);
    // The text has no era, so a date before year 1 would read back as a different year.
    if (U_FAILURE(status) || calendar->get(UCAL_ERA, status) != icu::GregorianCalendar::AD ||
        U_FAILURE(status)) {
        return std::nullopt;
    }
    icu::UnicodeString text;
    icu::FieldPosition position;
    format->format(*calendar, text, position);
    std::string utf8;
    text.toUTF8String(utf8);
    return utf8;
}

std::optional<sys_seconds> parseJapanDateText(std::string_view dateString) {
    const icu::SimpleDateFormat* format = japanDateTimeFormat();
    if (!format) return std::nullopt;
    const icu::UnicodeString text = icu::UnicodeString::fromUTF8(
        icu::StringPiece(dateString.data(), static_cast<int32_t>(dateString.size())));
    icu::ParsePosition position(0);
    const UDate when = format->parse(text, position);
    if (position.getErrorIndex() >= 0 || position.getIndex() != text.length()) {
        return std::nullopt;
    }
    const double seconds = std::floor(when / 1000.0);
    if (!std::isfinite(seconds) || std::fabs(seconds) > static_cast<double>(kMaxExactSeconds)) {
        return std::nullopt;
    }
    return sys_seconds{std::chrono::seconds{static_cast<int64_t>(seconds)}};
}

// The texts parsed last on this thread, and what they gave: a definition's four dates serve
// every font it updates, and ICU's parse costs more than the rest of a small font's rewrite.
struct ParsedDate {
    std::string text;
    std::optional<sys_seconds> date;
};
constexpr size_t kRememberedDates = 8;
thread_local std::array<ParsedDate, kRememberedDates> tParsedDates;
thread_local size_t tNextParsedDate = 0;

} // namespace

std::optional<sys_seconds> dateFromJapanDateText(std::string_view dateString) {
    // 64 characters is far beyond any year the calendar holds.
    if (dateString.size() > 64 || !hasDateTextShape(dateString)) return std::nullopt;
    for (const ParsedDate& parsed : tParsedDates)
        if (!parsed.text.empty() && parsed.text == dateString) return parsed.date;
    std::optional<sys_seconds> date = parseJapanDateText(dateString);
    tParsedDates[tNextParsedDate] = {std::string(dateString), date};
    tNextParsedDate = (tNextParsedDate + 1) % kRememberedDates;
    return date;
}

std::optional<std::string> localDateText(sys_seconds date, DateTextForm form) {
    return formatDate(date, form == DateTextForm::DateAndTime ? kDateTimePattern : kDatePattern,
                      icu::TimeZone::createDefault());
}

} // namespace fu::platform
