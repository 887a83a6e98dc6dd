#include "sfnt/Tools.h"

#include "base/Hex.h"
#include "base/MacDates.h"
#include "platform/Crypto.h"
#include "platform/DateText.h"

#include <algorithm>
#include <vector>

namespace fu {
namespace {

using std::chrono::sys_seconds;

constexpr uint64_t kMaxVersValue = 0xFFFFFFFF;
constexpr uint32_t kMaxVersComponent = 0xFFFF;
constexpr size_t kMaxVersComponents = 3;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool allDigits(std::string_view text) { return std::all_of(text.begin(), text.end(), isDigit); }

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

// The nine hours that make a LONGDATETIME read as Japan time.
constexpr int64_t kJapanOffset = 32400;

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

std::optional<sys_seconds> Tools::dateFromDateString(std::string_view dateString) {
    return platform::dateFromJapanDateText(dateString);
}

std::optional<std::string> Tools::dateStringFromDate(std::optional<sys_seconds> date) {
    if (!date) return std::nullopt;
    return platform::localDateText(*date);
}

std::optional<std::string> Tools::todayZeroTimeDateStringFromDate() {
    std::optional<std::string> day =
        platform::localDateText(currentTime(), platform::DateTextForm::DateOnly);
    if (!day) return std::nullopt;
    return *day + " 00:00:00";
}

int64_t Tools::longDateTimeFromDate(std::optional<sys_seconds> date) {
    if (!date) return 0;
    const std::optional<int64_t> sinceEpoch = macSecondsFromDate(*date);
    int64_t result = 0;
    if (!sinceEpoch || __builtin_add_overflow(*sinceEpoch, kJapanOffset, &result)) return 0;
    return result;
}

int64_t Tools::longDateTimeFromDateString(std::string_view dateString) {
    return longDateTimeFromDate(dateFromDateString(dateString));
}

std::optional<sys_seconds> Tools::dateFromLongDateTime(int64_t longDateTime) {
    // Values of nine hours or less cannot have come from longDateTimeFromDate of a date after
    // the epoch; they are taken as they stand rather than moved before 1904.
    return dateFromMacSeconds(longDateTime > kJapanOffset ? longDateTime - kJapanOffset
                                                          : longDateTime);
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
    return hexString(data);
}

} // namespace fu
