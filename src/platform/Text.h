// Text conversions: Shift_JIS for Mac text, UTF-16BE for Unicode name records, Unicode
// normalisation. A conversion that meets something it cannot map fails: nothing is silently
// replaced, because "does not decode" and "cannot be represented" are outcomes callers act on.
#pragma once

#include "base/Bytes.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace fu::platform {

[[nodiscard]] std::optional<std::string> shiftJisToUtf8(ByteView bytes);
[[nodiscard]] std::optional<Bytes> utf8ToShiftJis(std::string_view text);

// Without a byte-order mark in either direction; an odd byte count or an unpaired surrogate fails.
[[nodiscard]] std::optional<std::string> utf16beToUtf8(ByteView bytes);
[[nodiscard]] std::optional<Bytes> utf8ToUtf16be(std::string_view text);

// Any converter ICU knows by name ("windows-1252", "GB2312", "macos-0_2-10.2" ...), strictly.
[[nodiscard]] std::optional<std::string> decodeCharset(ByteView bytes, const char* charsetName);

// Number of UTF-16 code units of a UTF-8 text; nullopt when the text is not valid UTF-8.
[[nodiscard]] std::optional<size_t> utf16Length(std::string_view text);

// Canonical equivalence: a precomposed kana equals its decomposed form.
[[nodiscard]] bool canonicallyEqual(std::string_view a, std::string_view b);
[[nodiscard]] std::optional<std::string> toNFC(std::string_view text);

// Orders names as the user's locale collates them (LC_ALL, else LC_COLLATE, else LANG), so that
// lists read the way the desktop's file manager shows them. C and POSIX name no language; they
// get the Unicode default order rather than byte order. Texts the collation holds equal, and
// every text when no collator can be made, fall back to their bytes, so the order is total.
class TextCollator {
public:
    TextCollator();
    ~TextCollator();
    TextCollator(const TextCollator&) = delete;
    TextCollator& operator=(const TextCollator&) = delete;

    // Negative, zero or positive, as a comes before, with or after b.
    [[nodiscard]] int compare(std::string_view a, std::string_view b) const;

private:
    struct Collator;
    std::unique_ptr<Collator> collator_;
};

} // namespace fu::platform
