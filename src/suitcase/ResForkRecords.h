// The records of a resource fork on disk (Inside Macintosh: More Macintosh Toolbox, "Resource
// File Format"), declared once for the map reader, the map writer and every check of a fork's
// header. Each is a table of fields over the values of ResMap.h.
#pragma once

#include "base/RecordLayout.h"
#include "suitcase/ResMap.h"

#include <cstddef>
#include <cstdint>
#include <optional>

namespace fu {

// The fork begins with where its data area and map lie; the map begins with a copy of it.
struct ResForkHeader {
    uint32_t dataOffset = 0;
    uint32_t mapOffset = 0;
    uint32_t dataLength = 0;
    uint32_t mapLength = 0;
};
inline constexpr auto kResForkHeaderLayout = recordLayout<ResForkHeader>(
    kResForkHeaderSize, field(&ResForkHeader::dataOffset, 0, 4),
    field(&ResForkHeader::mapOffset, 4, 4), field(&ResForkHeader::dataLength, 8, 4),
    field(&ResForkHeader::mapLength, 12, 4));
static_assert(isPacked(kResForkHeaderLayout) && kResForkHeaderSize == 16);

// The map header: the copy of the fork header, then the Resource Manager's own fields.
inline constexpr auto kResMapHeaderLayout = recordLayout<ResMap>(
    kResMapHeaderSize, field(&ResMap::dataOffset, 0, 4), field(&ResMap::mapOffset, 4, 4),
    field(&ResMap::dataLength, 8, 4), field(&ResMap::mapLength, 12, 4),
    field(&ResMap::nextMapHandle, 16, 4), field(&ResMap::fileRefNum, 20, 2),
    field(&ResMap::mapAttributes, 22, 2), field(&ResMap::typeListOffset, 24, 2),
    field(&ResMap::nameListOffset, 26, 2));
static_assert(isPacked(kResMapHeaderLayout) && kResMapHeaderSize == 28);

// The type list starts with its count field, the type entries follow it.
inline constexpr auto kResTypeCountLayout =
    recordLayout<ResMap>(2, field(&ResMap::typeCountField, 0, 2));
static_assert(isPacked(kResTypeCountLayout));

inline constexpr auto kResTypeEntryLayout = recordLayout<ResMapType>(
    kResTypeEntrySize, field(&ResMapType::resType, 0, 4), field(&ResMapType::countField, 4, 2),
    field(&ResMapType::referenceListOffset, 6, 2));
static_assert(isPacked(kResTypeEntryLayout) && kResTypeEntrySize == 8);

// The attribute byte and the data offset share one 32-bit word: the offset has 24 bits.
inline constexpr auto kResDataOffsetField = field(&ResMapReference::dataOffset, 5, 3);
inline constexpr auto kResReferenceLayout = recordLayout<ResMapReference>(
    kResReferenceSize, field(&ResMapReference::resID, 0, 2),
    field(&ResMapReference::nameOffset, 2, 2), field(&ResMapReference::attributes, 4, 1),
    kResDataOffsetField, field(&ResMapReference::handle, 8, 4));
static_assert(isPacked(kResReferenceLayout) && kResReferenceSize == 12);
inline constexpr uint32_t kResMaxDataOffset = (uint32_t{1} << (8 * kResDataOffsetField.width)) - 1;

// A name list entry is a length byte and that many bytes of name.
inline constexpr size_t kResNameLengthSize = 1;
inline constexpr size_t kResNameMaxLength = 255;

// A data record is a 32-bit length and that many bytes of data.
inline constexpr size_t kResDataLengthSize = 4;

// The fork header at the start of `bytes`.
[[nodiscard]] inline std::optional<ResForkHeader> readResForkHeader(ByteView bytes) {
    return recordAt<kResForkHeaderLayout>(bytes);
}

} // namespace fu
