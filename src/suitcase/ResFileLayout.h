// The arithmetic of a written suitcase fork, shared by the writer and the verifier so that both
// expect the same layout: header, zero fill, data records in type order, map. Also the one read
// of an open fork's header, for the reader, the census and the verifier.
#pragma once

#include "suitcase/ResFile.h"
#include "suitcase/ResForkRecords.h"

#include <cstdint>
#include <optional>

namespace fu::detail {

// The fill between the header and the data area, as the template's header copy implies: data
// offset - 16 when the data comes before the map, else map offset - 32. nullopt when that would
// be negative or wider than 16 bits.
[[nodiscard]] std::optional<uint16_t> zeroFillOfTemplate(const ResMap& templateMap);

struct SuitcaseSizes {
    uint64_t totalData = 0; // every item with data: its length + 4
    uint64_t mapSize = 0;   // 30 + 8 per non-empty list + 12 per item with data + its name
};

// May load resource data. Names that do not encode count as empty here; the map builder
// reports them.
[[nodiscard]] SuitcaseSizes suitcaseSizesOfResFile(ResFile& resFile);

// The header at the start of an open fork; nullopt when it cannot be read.
[[nodiscard]] std::optional<ResForkHeader> readResForkHeaderOfRefNum(platform::ForkRefNum refNum);

} // namespace fu::detail
