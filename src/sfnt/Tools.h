// Stateless helpers for version texts (extract, compare, raise, substitute), the conversions
// between date texts, dates and sfnt LONGDATETIME values, and MD5 / hexadecimal fingerprints.
// Date texts, Mac epochs and hexadecimal digits themselves live below (platform/DateText.h,
// base/MacDates.h, base/Hex.h) so that the suitcase layer shares them; these keep their names.
#pragma once

#include "base/Bytes.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace fu {

class Tools {
public:
    Tools() = delete;

    // Version texts ------------------------------------------------------------------------

    // The first run of digits and dots that starts with a digit ("Version 1.0.2 (ABC)" gives
    // "1.0.2"); nullopt when the text holds no ASCII digit.
    [[nodiscard]] static std::optional<std::string>
    versNumberStringFromVersString(std::string_view versString);

    // A comparison value: each dot-separated number shifted in 8 bits at a time. Only texts of
    // the same form compare meaningfully; 0 means the text could not be read.
    [[nodiscard]] static uint64_t versFromVersString(std::string_view versString);

    // Raises a version number of one to three components ("1" and "1.0" give "1.0.1", "1.09"
    // gives "1.10", "1.2.9" gives "1.2.10"). nullopt when a component is empty or not decimal,
    // when there are more than three, or when a number does not fit 16 bits before or after
    // raising: wrapping would lower the version.
    [[nodiscard]] static std::optional<std::string>
    incrementVersString(std::string_view versNumString);

    // orgShortVersStr with the first occurrence of oldShortVersNumStr replaced; unchanged when
    // there is none; nullopt for an empty old number.
    [[nodiscard]] static std::optional<std::string>
    replaceOldShortVersNumStr(std::string_view oldShortVersNumStr,
                              std::string_view newShortVersNumStr,
                              std::string_view orgShortVersStr);

    // Dates ----------------------------------------------------------------------------------

    // Reads "yyyy/MM/dd HH:mm:ss" as Japan time (Asia/Tokyo); the whole text must match.
    [[nodiscard]] static std::optional<std::chrono::sys_seconds>
    dateFromDateString(std::string_view dateString);

    // Writes "yyyy/MM/dd HH:mm:ss" in the process's current time zone; nullopt for a missing
    // date or one the text cannot show (before year 1, or beyond the calendar's range).
    [[nodiscard]] static std::optional<std::string>
    dateStringFromDate(std::optional<std::chrono::sys_seconds> date);

    // Today in the current time zone as "yyyy/MM/dd 00:00:00".
    [[nodiscard]] static std::optional<std::string> todayZeroTimeDateStringFromDate();

    // Seconds since 1904-01-01 00:00:00 UTC plus nine hours, so that the count reads as a Japan
    // wall-clock time; 0 for a missing date or one whose count does not fit 64 bits.
    [[nodiscard]] static int64_t longDateTimeFromDate(std::optional<std::chrono::sys_seconds> date);
    // 0 when the text cannot be read.
    [[nodiscard]] static int64_t longDateTimeFromDateString(std::string_view dateString);

    // The inverse of longDateTimeFromDate for values above nine hours; smaller values are taken
    // as plain seconds since 1904. nullopt only when the date falls outside 64-bit seconds.
    [[nodiscard]] static std::optional<std::chrono::sys_seconds>
    dateFromLongDateTime(int64_t longDateTime);
    [[nodiscard]] static std::optional<std::string>
    dateStringFromLongDateTime(int64_t longDateTime);

    // Fingerprints ---------------------------------------------------------------------------

    // Zero-fills md5Buff and puts the 16-byte MD5 digest of data at its start; false, with the
    // buffer untouched, when it is shorter than 16 bytes.
    [[nodiscard]] static bool md5FromDatePtr(ByteView data, std::span<uint8_t> md5Buff);
    // The MD5 digest as 32 uppercase hexadecimal digits.
    [[nodiscard]] static std::optional<std::string> md5StringFromDatePtr(ByteView data);
    // Two uppercase hexadecimal digits per byte; nullopt for no bytes.
    [[nodiscard]] static std::optional<std::string> hexStringFromDatePtr(ByteView data);
};

} // namespace fu
