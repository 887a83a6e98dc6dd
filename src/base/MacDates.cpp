#include "base/MacDates.h"

#include <limits>

namespace fu {

using std::chrono::sys_seconds;

std::optional<int64_t> macSecondsFromDate(sys_seconds date) {
    int64_t seconds = 0;
    if (__builtin_sub_overflow(date.time_since_epoch().count(),
                               kMacEpoch.time_since_epoch().count(), &seconds))
        return std::nullopt;
    return seconds;
}

std::optional<sys_seconds> dateFromMacSeconds(int64_t seconds) {
    int64_t sinceUnixEpoch = 0;
    if (__builtin_add_overflow(kMacEpoch.time_since_epoch().count(), seconds, &sinceUnixEpoch))
        return std::nullopt;
    return sys_seconds{std::chrono::seconds{sinceUnixEpoch}};
}

std::optional<sys_seconds> dateFromAppleDouble(int32_t value) {
    if (value == kUnknownAppleDoubleDate) return std::nullopt;
    return kAppleDoubleEpoch + std::chrono::seconds{value};
}

std::optional<int32_t> appleDoubleFromDate(sys_seconds date) {
    const int64_t epoch = kAppleDoubleEpoch.time_since_epoch().count();
    const int64_t seconds = date.time_since_epoch().count();
    if (seconds < epoch + std::numeric_limits<int32_t>::min() + 1 ||
        seconds > epoch + std::numeric_limits<int32_t>::max())
        return std::nullopt;
    return static_cast<int32_t>(seconds - epoch);
}

} // namespace fu
