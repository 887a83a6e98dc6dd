// One table of an sfnt font (or of a definition's sfnt-style sections): its tag, the checksum
// read from its table record, and a private copy of its bytes without padding.
#pragma once

#include "base/Bytes.h"

#include <cstdint>
#include <memory>

namespace fu {

class SfntTable {
public:
    uint32_t tag = 0;      // four ASCII characters, most significant first; 0 is no tag
    uint32_t checkSum = 0; // as read; 0 after a replacement. Never verified: rebuilds recompute it
    Bytes tableData;       // empty: no data

    // nullptr for empty data or when setupWithSfntData fails.
    [[nodiscard]] static std::unique_ptr<SfntTable> initWithSfntData(ByteView data, uint32_t offset,
                                                                     uint32_t length,
                                                                     uint32_t checkSum,
                                                                     uint32_t tag);
    // Copies [offset, offset + length) of data. Fails, changing nothing, for empty data, a zero
    // offset, length or tag, or a range that does not lie inside the data.
    [[nodiscard]] bool setupWithSfntData(ByteView data, uint32_t offset, uint32_t length,
                                         uint32_t checkSum, uint32_t tag);

    // True only when both tables have data and the bytes are equal.
    [[nodiscard]] bool isEqualToTableData(const SfntTable* other) const;

    bool operator==(const SfntTable&) const = default;
};

} // namespace fu
