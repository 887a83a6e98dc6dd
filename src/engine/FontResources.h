// The resources and tables a font suitcase update reads and writes, and the 'name' records of
// the Japanese Macintosh platform the engine looks at.
#pragma once

#include "base/Bytes.h"

#include <cstdint>
#include <string_view>

namespace fu {

inline constexpr uint32_t kVersType = fourCC("vers");
inline constexpr uint32_t kFondType = fourCC("FOND");
inline constexpr uint32_t kSfntType = fourCC("sfnt");
inline constexpr uint32_t kHeadTag = fourCC("head");
inline constexpr uint32_t kNameTag = fourCC("name");
inline constexpr int16_t kVersResID = 1; // the Finder shows only 'vers' 1 as the file's version

// A target's new version "*suffix" raises whatever version is installed.
[[nodiscard]] inline bool isAutomaticRaise(std::string_view newVersString) {
    return !newVersString.empty() && newVersString.front() == '*';
}

// 'name' records: platform 1, encoding 1, language 11.
inline constexpr uint16_t kMacintoshPlatform = 1;
inline constexpr uint16_t kMacJapaneseEncoding = 1;
inline constexpr uint16_t kJapaneseLanguage = 11;

} // namespace fu
