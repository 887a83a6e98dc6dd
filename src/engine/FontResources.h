// The resources and tables a font suitcase update reads and writes, and the 'name' records of
// the Japanese Macintosh platform the engine looks at.
#pragma once

#include "base/Bytes.h"

#include <cstdint>

namespace fu {

inline constexpr uint32_t kVersType = fourCC("vers");
inline constexpr uint32_t kFondType = fourCC("FOND");
inline constexpr uint32_t kSfntType = fourCC("sfnt");
inline constexpr uint32_t kHeadTag = fourCC("head");
inline constexpr uint32_t kNameTag = fourCC("name");

// 'name' records: platform 1, encoding 1, language 11.
inline constexpr uint16_t kMacintoshPlatform = 1;
inline constexpr uint16_t kMacJapaneseEncoding = 1;
inline constexpr uint16_t kJapaneseLanguage = 11;

} // namespace fu
