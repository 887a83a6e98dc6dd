// The epochs of the Mac's date formats and the conversions between their second counts and dates.
// Classic Mac OS dates, MacBinary and the sfnt 'head' LONGDATETIME count from 1904; AppleSingle
// and AppleDouble version 2 (RFC 1740) count from 2000, in UTC.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

namespace fu {

inline constexpr std::chrono::sys_seconds kMacEpoch{
    std::chrono::sys_days{std::chrono::year{1904} / std::chrono::January / 1}};
inline constexpr std::chrono::sys_seconds kAppleDoubleEpoch{
    std::chrono::sys_days{std::chrono::year{2000} / std::chrono::January / 1}};
// The values other Mac tools write as bare numbers.
static_assert(kMacEpoch.time_since_epoch().count() == -2082844800);
static_assert(kAppleDoubleEpoch.time_since_epoch().count() == 946684800);

// Seconds since 1904-01-01 00:00:00; nullopt when the count does not fit 64 bits.
[[nodiscard]] std::optional<int64_t> macSecondsFromDate(std::chrono::sys_seconds date);
// nullopt when the date falls outside 64-bit seconds.
[[nodiscard]] std::optional<std::chrono::sys_seconds> dateFromMacSeconds(int64_t seconds);

// AppleDouble dates are signed 32-bit seconds from 2000-01-01 00:00:00 UTC; 0x80000000 means
// "never" or not known, so no date maps to it.
inline constexpr int32_t kUnknownAppleDoubleDate = INT32_MIN;
[[nodiscard]] std::optional<std::chrono::sys_seconds> dateFromAppleDouble(int32_t value);
// nullopt for a date outside 1931-12-13 to 2068-01-19, which 32 bits cannot count.
[[nodiscard]] std::optional<int32_t> appleDoubleFromDate(std::chrono::sys_seconds date);

} // namespace fu
