#include "engine/FontUpdate.h"

#include "platform/SystemInfo.h"

#include <charconv>
#include <cstdint>
#include <limits>
#include <string_view>

namespace fu {
namespace {

struct VersionNumbers {
    int64_t major = 0;
    int64_t minor = 0;
    int64_t patch = 0;
};

bool isBlank(char c) { return c == ' ' || c == '\t'; }

bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view trimBlanks(std::string_view text) {
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// Reads a part the way the platform's integer reading of a text does: blanks, an optional sign,
// then digits, with 0 when there are none. Out-of-range values stop at the 32-bit limits, which
// keeps the weighted comparison below far from overflowing.
int64_t leadingInteger(std::string_view part) {
    size_t pos = 0;
    while (pos < part.size() && isBlank(part[pos]))
        ++pos;
    bool negative = false;
    if (pos < part.size() && (part[pos] == '+' || part[pos] == '-')) {
        negative = part[pos] == '-';
        ++pos;
    }
    constexpr int64_t limit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
    int64_t value = 0;
    for (; pos < part.size() && isDigit(part[pos]); ++pos) {
        value = value * 10 + (part[pos] - '0');
        if (value > limit) value = limit;
    }
    if (negative) return -value;
    return value < limit ? value : limit - 1;
}

// One to three parts separated by "."; reading stops at the first empty part.
std::optional<VersionNumbers> readVersionNumbers(std::string_view text) {
    std::string_view parts[3];
    size_t count = 0;
    for (;;) {
        const size_t dot = text.find('.');
        if (count == 3) return std::nullopt;
        parts[count++] = text.substr(0, dot);
        if (dot == std::string_view::npos) break;
        text.remove_prefix(dot + 1);
    }
    VersionNumbers numbers;
    int64_t* fields[3] = {&numbers.major, &numbers.minor, &numbers.patch};
    for (size_t i = 0; i < count && !parts[i].empty(); ++i)
        *fields[i] = leadingInteger(parts[i]);
    return numbers;
}

} // namespace

std::string FontUpdate::lowestSupportedSystemVersion() {
#if defined(__APPLE__)
    return "10.10";
#else
    return "4.11";
#endif
}

std::optional<std::string> FontUpdate::systemVersionString() {
    if (auto version = systemVersionStringNew()) return version;
    return systemVersionStringLegacey();
}

std::optional<std::string> FontUpdate::systemVersionStringNew() {
    return platform::releaseFileVersion();
}

std::optional<std::string> FontUpdate::systemVersionStringLegacey() {
    const std::optional<std::string> release = platform::kernelReleaseVersion();
    if (!release) return std::nullopt;
    // Always three numbers, missing ones 0, as the numeric source reports them.
    int numbers[3] = {0, 0, 0};
    const char* cursor = release->data();
    const char* const end = release->data() + release->size();
    for (int& number : numbers) {
        if (cursor == end) break;
        const auto [next, error] = std::from_chars(cursor, end, number);
        if (error != std::errc{}) return std::nullopt;
        cursor = (next != end && *next == '.') ? next + 1 : next;
    }
    return std::to_string(numbers[0]) + "." + std::to_string(numbers[1]) + "." +
           std::to_string(numbers[2]);
}

bool FontUpdate::checkSystemVersWithSupportVersString(const std::string& supportVers) {
    if (supportVers.empty()) return false;
    const std::optional<std::string> systemVers = systemVersionString();
    if (!systemVers) return false;
    return checkSystemVersString(*systemVers, supportVers);
}

bool FontUpdate::checkSystemVersString(const std::string& systemVers,
                                       const std::string& supportVers) {
    if (supportVers.empty() || systemVers.empty()) return false;
    const std::string_view trimmed = trimBlanks(systemVers);
    if (trimmed.empty()) return false;
    const std::optional<VersionNumbers> system = readVersionNumbers(trimmed);
    if (!system) return false;
    const std::optional<VersionNumbers> required = readVersionNumbers(supportVers);
    if (!required) return false;
    if (system->major != required->major) return system->major > required->major;
    return system->minor * 65536 + system->patch >= required->minor * 65536 + required->patch;
}

} // namespace fu
