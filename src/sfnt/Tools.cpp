#include "sfnt/Tools.h"

#include "platform/Crypto.h"

#include <unicode/calendar.h>
#include <unicode/gregocal.h>
#include <unicode/locid.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <vector>

namespace fu {
namespace {

using std::chrono::sys_seconds;

constexpr uint64_t kMaxVersValue = 0xFFFFFFFF;
constexpr uint32_t kMaxVersComponent = 0xFFFF;
constexpr size_t kMaxVersComponents = 3;

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool allDigits(std::string_view text) {
    return std::all_of(text.begin(), text.end(), isDigit);
}

std::vector<std::string_view> splitAtDots(std::string_view text) {
    std::vector<std::string_view> parts;
    size_t start = 0;
    for (;;) {
        const size_t dot = text.find('.', start);
        if (dot == std::string_view::npos) {
            parts.push_back(text.substr(start));
            return parts;
        }
        parts.push_back(text.substr(start, dot - start));
        start = dot + 1;
    }
}

// Decimal value of a digit run, or nullopt once it exceeds limit (so long runs cannot overflow).
std::optional<uint64_t> decimalValue(std::string_view digits, uint64_t limit) {
    uint64_t value = 0;
    for (const char c : digits) {
        value = value * 10 + static_cast<uint64_t>(c - '0');
        if (value > limit) return std::nullopt;
    }
    return value;
}

// Drops the last character, a whole UTF-8 sequence when it is one.
std::string_view dropLastCharacter(std::string_view text) {
    size_t start = text.size() - 1;
    size_t lead = start;
    while (lead > 0 && (static_cast<uint8_t>(text[lead]) & 0xC0) == 0x80)
        --lead;
    if (static_cast<uint8_t>(text[lead]) >= 0xC0) start = lead;
    return text.substr(0, start);
}

// Dates ---------------------------------------------------------------------------------------

// The sfnt epoch, and the nine hours that make a LONGDATETIME read as Japan time.
constexpr sys_seconds kEpoch1904{
    std::chrono::sys_days{std::chrono::year{1904} / std::chrono::January / 1}};
constexpr int64_t kJapanOffset = 32400;

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
    if (!allDigits(text.substr(0, yearLength))) return false;
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

sys_seconds currentTime() {
    return std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now());
}

} // namespace

// Version texts -------------------------------------------------------------------------------

std::optional<std::string> Tools::versNumberStringFromVersString(std::string_view versString) {
    const size_t start = versString.find_first_of("0123456789");
    if (start == std::string_view::npos) return std::nullopt;
    const size_t end = versString.find_first_not_of("0123456789.", start);
    return std::string(versString.substr(start, end == std::string_view::npos ? end : end - start));
}

uint64_t Tools::versFromVersString(std::string_view versString) {
    const size_t first = versString.find_first_not_of(" \t");
    if (first == std::string_view::npos) return 0;
    std::string_view text =
        versString.substr(first, versString.find_last_not_of(" \t") - first + 1);
    // A one-letter stage suffix ("1.0.1b") does not take part.
    if (!isDigit(text.back())) text = dropLastCharacter(text);
    if (text.empty()) return 0;

    uint64_t value = 0;
    for (const std::string_view component : splitAtDots(text)) {
        if (component.empty() || !allDigits(component)) return 0;
        // Components are ORed in unmasked, so value never decreases: once it is past the
        // limit the result is 0, and stopping there keeps the shifts from overflowing.
        const std::optional<uint64_t> number = decimalValue(component, kMaxVersValue);
        if (!number) return 0;
        value = (value << 8) | *number;
        if (value > kMaxVersValue) return 0;
    }
    return value;
}

std::optional<std::string> Tools::incrementVersString(std::string_view versNumString) {
    if (versNumString.empty()) return std::nullopt;
    struct Component {
        uint32_t value;
        size_t length;
        bool leadingZero; // "05": the raised number keeps the width
    };
    std::vector<Component> components;
    for (const std::string_view part : splitAtDots(versNumString)) {
        if (part.empty() || !allDigits(part)) return std::nullopt;
        const std::optional<uint64_t> number = decimalValue(part, kMaxVersComponent);
        if (!number) return std::nullopt;
        components.push_back(
            {static_cast<uint32_t>(*number), part.size(), part.size() >= 2 && part.front() == '0'});
    }
    if (components.size() > kMaxVersComponents) return std::nullopt;

    auto raise = [](Component& component) {
        if (component.value >= kMaxVersComponent) return false;
        ++component.value;
        return true;
    };
    switch (components.size()) {
    case 3:
        if (!raise(components[2])) return std::nullopt;
        break;
    case 2:
        // "1.09" is a two-digit minor number; "1.0" gains a bug-fix number instead.
        if (components[1].leadingZero) {
            if (!raise(components[1])) return std::nullopt;
        } else {
            components.push_back({1, 1, false});
        }
        break;
    default:
        components.push_back({0, 1, false});
        components.push_back({1, 1, false});
        break;
    }

    std::string result;
    for (const Component& component : components) {
        if (!result.empty()) result += '.';
        std::string number = std::to_string(component.value);
        if (component.leadingZero && number.size() < component.length) {
            number.insert(0, component.length - number.size(), '0');
        }
        result += number;
    }
    return result;
}

std::optional<std::string> Tools::replaceOldShortVersNumStr(std::string_view oldShortVersNumStr,
                                                            std::string_view newShortVersNumStr,
                                                            std::string_view orgShortVersStr) {
    if (oldShortVersNumStr.empty()) return std::nullopt;
    const size_t at = orgShortVersStr.find(oldShortVersNumStr);
    if (at == std::string_view::npos) return std::string(orgShortVersStr);
    std::string result(orgShortVersStr.substr(0, at));
    result += newShortVersNumStr;
    result += orgShortVersStr.substr(at + oldShortVersNumStr.size());
    return result;
}

// Dates ---------------------------------------------------------------------------------------

namespace {

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

std::optional<sys_seconds> Tools::dateFromDateString(std::string_view dateString) {
    // 64 characters is far beyond any year the calendar holds.
    if (dateString.size() > 64 || !hasDateTextShape(dateString)) return std::nullopt;
    for (const ParsedDate& parsed : tParsedDates)
        if (!parsed.text.empty() && parsed.text == dateString) return parsed.date;
    std::optional<sys_seconds> date = parseJapanDateText(dateString);
    tParsedDates[tNextParsedDate] = {std::string(dateString), date};
    tNextParsedDate = (tNextParsedDate + 1) % kRememberedDates;
    return date;
}

std::optional<std::string> Tools::dateStringFromDate(std::optional<sys_seconds> date) {
    if (!date) return std::nullopt;
    return formatDate(*date, kDateTimePattern, icu::TimeZone::createDefault());
}

std::optional<std::string> Tools::todayZeroTimeDateStringFromDate() {
    std::optional<std::string> day =
        formatDate(currentTime(), kDatePattern, icu::TimeZone::createDefault());
    if (!day) return std::nullopt;
    return *day + " 00:00:00";
}

int64_t Tools::longDateTimeFromDate(std::optional<sys_seconds> date) {
    if (!date) return 0;
    int64_t sinceEpoch = 0;
    int64_t result = 0;
    if (__builtin_sub_overflow(date->time_since_epoch().count(),
                               kEpoch1904.time_since_epoch().count(), &sinceEpoch) ||
        __builtin_add_overflow(sinceEpoch, kJapanOffset, &result)) {
        return 0;
    }
    return result;
}

int64_t Tools::longDateTimeFromDateString(std::string_view dateString) {
    return longDateTimeFromDate(dateFromDateString(dateString));
}

std::optional<sys_seconds> Tools::dateFromLongDateTime(int64_t longDateTime) {
    // Values of nine hours or less cannot have come from longDateTimeFromDate of a date after
    // the epoch; they are taken as they stand rather than moved before 1904.
    const int64_t sinceEpoch =
        longDateTime > kJapanOffset ? longDateTime - kJapanOffset : longDateTime;
    int64_t seconds = 0;
    if (__builtin_add_overflow(kEpoch1904.time_since_epoch().count(), sinceEpoch, &seconds)) {
        return std::nullopt;
    }
    return sys_seconds{std::chrono::seconds{seconds}};
}

std::optional<std::string> Tools::dateStringFromLongDateTime(int64_t longDateTime) {
    return dateStringFromDate(dateFromLongDateTime(longDateTime));
}

// Fingerprints --------------------------------------------------------------------------------

bool Tools::md5FromDatePtr(ByteView data, std::span<uint8_t> md5Buff) {
    if (md5Buff.size() < std::tuple_size_v<platform::Md5Digest>) return false;
    const std::optional<platform::Md5Digest> digest = platform::md5(data);
    if (!digest) return false;
    std::fill(md5Buff.begin(), md5Buff.end(), uint8_t{0});
    std::copy(digest->begin(), digest->end(), md5Buff.begin());
    return true;
}

std::optional<std::string> Tools::md5StringFromDatePtr(ByteView data) {
    const std::optional<platform::Md5Digest> digest = platform::md5(data);
    if (!digest) return std::nullopt;
    return hexStringFromDatePtr(*digest);
}

std::optional<std::string> Tools::hexStringFromDatePtr(ByteView data) {
    if (data.empty()) return std::nullopt;
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(data.size() * 2);
    for (const uint8_t byte : data) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0x0F];
    }
    return text;
}

} // namespace fu
