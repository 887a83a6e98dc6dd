// A resource map parsed into values (Inside Macintosh: More Macintosh Toolbox, "Resource
// Manager", resource map format): the header copy, the type list, every reference with its
// raw attribute byte, 24-bit data offset and handle word, and the raw Shift_JIS name bytes.
// Every offset keeps its on-disk value, so the map can be written back byte for byte.
#pragma once

#include "base/Bytes.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace fu {

inline constexpr uint16_t kResMapNoName = 0xFFFF; // name offset of a reference without a name
inline constexpr uint16_t kResMapNone = 0xFFFF;   // count field of an empty type list / type
inline constexpr size_t kResMapHeaderSize = 28;   // header copy through the name list offset
inline constexpr size_t kResTypeEntrySize = 8;
inline constexpr size_t kResReferenceSize = 12;
inline constexpr size_t kResForkHeaderSize = 16;
// The longest map that is read. Every structure of a map is reached through 16-bit offsets (the
// type and name lists from the map's start, reference lists from the type list, names from the
// name list) with at most 65,535 12-byte references in a list, so none ends past byte 917,490; a
// longer map holds nothing more, and reading no more bounds what a hostile header can cost.
inline constexpr uint32_t kResMapMaxLength = 1 << 20;

// A name's Shift_JIS bytes without the length byte. References with the same name offset share
// one copy: a map can point tens of thousands of references at one 255-byte name.
using ResMapName = std::shared_ptr<const Bytes>;

struct ResMapReference {
    int16_t resID = 0;
    uint16_t nameOffset = kResMapNoName; // from the start of the name list
    uint8_t attributes = 0;              // high byte of the attribute/offset word
    uint32_t dataOffset = 0;             // low 24 bits: the record's offset in the data area
    uint32_t handle = 0;                 // copied unchanged
    ResMapName name;                     // null without a name

    // Names compare by their bytes, not by which copy they share.
    bool operator==(const ResMapReference& other) const {
        return resID == other.resID && nameOffset == other.nameOffset &&
               attributes == other.attributes && dataOffset == other.dataOffset &&
               handle == other.handle && bool(name) == bool(other.name) &&
               (!name || *name == *other.name);
    }
};

struct ResMapType {
    uint32_t resType = 0;
    uint16_t countField = 0;          // number of references minus one; kResMapNone: none
    uint16_t referenceListOffset = 0; // from the start of the type list
    std::vector<ResMapReference> references;

    [[nodiscard]] int64_t referenceCount() const {
        return countField == kResMapNone ? 0 : int64_t{countField} + 1;
    }
    bool operator==(const ResMapType&) const = default;
};

struct ResMap {
    // The map's copy of the fork header. Classic files repeat the fork header here; some
    // writers leave it zero.
    uint32_t dataOffset = 0;
    uint32_t mapOffset = 0;
    uint32_t dataLength = 0;
    uint32_t mapLength = 0;
    uint32_t nextMapHandle = 0;
    uint16_t fileRefNum = 0;
    uint16_t mapAttributes = 0;
    uint16_t typeListOffset = 0; // from the start of the map
    uint16_t nameListOffset = 0; // from the start of the map
    uint16_t typeCountField = kResMapNone;
    std::vector<ResMapType> types;
    // Length of the map in bytes: the bound every offset above was checked against.
    uint32_t byteLength = 0;

    [[nodiscard]] int64_t typeCount() const {
        return typeCountField == kResMapNone ? 0 : int64_t{typeCountField} + 1;
    }
    bool operator==(const ResMap&) const = default;
};

} // namespace fu
