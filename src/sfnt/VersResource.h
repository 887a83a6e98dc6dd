// The 'vers' resource (Inside Macintosh: Macintosh Toolbox Essentials, "Finder Interface",
// version resource): numbers, region code, and short and long version strings in Shift_JIS.
#pragma once

#include "base/Bytes.h"

#include <array>
#include <cstdint>

namespace fu {

class ResItem;

struct VersResHeader {
    uint8_t major = 0;  // the whole first byte, binary (not BCD)
    uint8_t minor = 0;  // 0..15 when read
    uint8_t bugFix = 0; // 0..15 when read
    uint8_t stage = 0;  // development stage (0x80 final)
    uint8_t preRelease = 0;
    uint16_t region = 0; // region code (14 Japan)
};

// A length byte and up to 255 bytes of Shift_JIS text.
using PascalString = std::array<uint8_t, 256>;

// The text bytes of a Pascal string, without the length byte.
[[nodiscard]] inline ByteView pascalStringBytes(const PascalString& string) {
    return ByteView(string).subspan(1, string[0]);
}

// False for a missing item, no data, or data shorter than the header and the two strings it
// announces.
[[nodiscard]] bool readVersResItem(ResItem* resItem, VersResHeader& header, PascalString& shortStr,
                                   PascalString& longStr);

// Replaces the item's data with the record and the two strings (Shift_JIS bytes, each at most
// 255). False, leaving the item unchanged, for a missing item, an item without data yet (the
// resource must exist), or a string that is too long.
[[nodiscard]] bool writeVersResItem(ResItem* resItem, const VersResHeader& header,
                                    ByteView shortStr, ByteView longStr);

} // namespace fu
