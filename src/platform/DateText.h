// Date texts in the form "yyyy/MM/dd HH:mm:ss" that definitions and the tool screens use, read
// and written through a strict Gregorian calendar.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace fu::platform {

// Reads "yyyy/MM/dd HH:mm:ss" as Japan time (Asia/Tokyo); the whole text must match.
[[nodiscard]] std::optional<std::chrono::sys_seconds> dateFromJapanDateText(std::string_view text);

enum class DateTextForm { DateAndTime, DateOnly }; // "yyyy/MM/dd HH:mm:ss", "yyyy/MM/dd"

// The date in the process's current time zone; nullopt for one the text cannot show (before
// year 1, or beyond the calendar's range).
[[nodiscard]] std::optional<std::string>
localDateText(std::chrono::sys_seconds date, DateTextForm form = DateTextForm::DateAndTime);

} // namespace fu::platform
