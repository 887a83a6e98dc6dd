#include "support/HostileForks.h"

#include "base/ByteWriter.h"

#include <algorithm>
#include <stdexcept>

namespace fu::test {

namespace {

constexpr uint32_t kDataStart = 256;
constexpr uint16_t kTypeListOffset = 28;
constexpr size_t kTypeEntrySize = 8;
constexpr size_t kReferenceSize = 12;
constexpr uint16_t kNoName = 0xFFFF;

uint32_t code(const char (&text)[5]) {
    return uint32_t(uint8_t(text[0])) << 24 | uint32_t(uint8_t(text[1])) << 16 |
           uint32_t(uint8_t(text[2])) << 8 | uint32_t(uint8_t(text[3]));
}

void writeMapHeader(ByteWriter& map, uint16_t nameListOffset) {
    // The header copy stays zero: its data offset then comes from the fork header.
    map.writeZeros(24);
    map.writeU16(kTypeListOffset);
    map.writeU16(nameListOffset);
}

void writeTypeEntry(ByteWriter& map, uint32_t type, uint16_t countField, uint16_t referenceList) {
    map.writeU32(type);
    map.writeU16(countField);
    map.writeU16(referenceList);
}

void padTo(ByteWriter& writer, size_t size) {
    if (writer.size() < size) writer.writeZeros(size - writer.size());
}

void placeRecord(ByteWriter& data, uint32_t offset, ByteView bytes) {
    padTo(data, offset);
    if (data.size() != offset) throw std::logic_error("crafted data records overlap");
    data.writeU32(uint32_t(bytes.size()));
    data.writeBytes(bytes);
}

} // namespace

Bytes assembleFork(ByteView data, ByteView map) {
    ByteWriter fork;
    fork.writeU32(kDataStart);
    fork.writeU32(kDataStart + uint32_t(data.size()));
    fork.writeU32(uint32_t(data.size()));
    fork.writeU32(uint32_t(map.size()));
    padTo(fork, kDataStart);
    fork.writeBytes(data);
    fork.writeBytes(map);
    return fork.take();
}

Bytes forkOfOverlappingTypes(const SuitcaseResources& font, uint32_t typeCount) {
    if (typeCount < 42 || typeCount > 65535 || font.resName.size() > 19 || font.fond.size() > 152 ||
        font.vers.size() > 152)
        throw std::invalid_argument("forkOfOverlappingTypes");
    // Entry i starts 2 + 8i bytes into the type list. A reference read at entry j is entry j
    // itself plus the next entry's type code: the type code gives the ID and the name offset, the
    // count field's zero high byte the attributes, the reference list offset the data offset, so
    // an entry whose list is itself is a reference to the data record at that same offset.
    auto listAt = [](uint32_t entry) { return uint16_t(2 + kTypeEntrySize * entry); };
    constexpr uint32_t fondHost = 0, versHost = 20, sfntHost = 40;
    auto hostType = [](int16_t id, uint16_t nameOffset) {
        return uint32_t(uint16_t(id)) << 16 | nameOffset;
    };

    ByteWriter map;
    writeMapHeader(map, 4);
    // The name list at map offset 4, inside the zeroed header copy: offset 0 names both.
    if (!map.patchU8(4, uint8_t(font.resName.size())) ||
        !map.patchBytes(5, ByteView(reinterpret_cast<const uint8_t*>(font.resName.data()),
                                    font.resName.size())))
        throw std::logic_error("name list");
    map.writeU16(uint16_t(typeCount - 1));
    for (uint32_t i = 0; i < typeCount; ++i) {
        switch (i) {
        case fondHost: writeTypeEntry(map, hostType(font.fondID, 0), 0, listAt(i)); break;
        case versHost: writeTypeEntry(map, hostType(1, kNoName), 0, listAt(i)); break;
        case sfntHost: writeTypeEntry(map, hostType(font.sfntID, 0), 0, listAt(i)); break;
        case 1: writeTypeEntry(map, code("FOND"), 0, listAt(fondHost)); break;
        case 2: writeTypeEntry(map, code("vers"), 0, listAt(versHost)); break;
        case 3: writeTypeEntry(map, code("sfnt"), 0, listAt(sfntHost)); break;
        default: writeTypeEntry(map, 0x7A000000u + i, 0, listAt(versHost));
        }
    }
    // The reader admits as many references as would fit in the map side by side.
    padTo(map, kReferenceSize * (size_t{typeCount} + 1));

    ByteWriter data;
    placeRecord(data, listAt(fondHost), font.fond);
    placeRecord(data, listAt(versHost), font.vers);
    placeRecord(data, listAt(sfntHost), font.sfnt);
    return assembleFork(data.bytes(), map.bytes());
}

Bytes forkOfSharedNames(uint32_t referenceCount, uint32_t dataLength) {
    if (referenceCount == 0 || referenceCount > 87000)
        throw std::invalid_argument("forkOfSharedNames");
    const uint32_t first = (referenceCount + 1) / 2, second = referenceCount / 2;
    constexpr uint16_t nameList = kTypeListOffset + 2 + 2 * kTypeEntrySize;
    constexpr size_t references = nameList + 256;

    ByteWriter map;
    writeMapHeader(map, nameList);
    map.writeU16(1);
    writeTypeEntry(map, code("TEXT"), uint16_t(first - 1), references - kTypeListOffset);
    writeTypeEntry(map, code("STR "), second ? uint16_t(second - 1) : kNoName,
                   references - kTypeListOffset);
    map.writeU8(255);
    map.writeBytes(Bytes(255, 0xB1)); // half-width katakana A
    for (uint32_t i = 0; i < first; ++i) {
        map.writeI16(int16_t(i));
        map.writeU16(0); // the one name
        map.writeU32(0); // attributes 0, the one data record
        map.writeU32(0);
    }
    padTo(map, std::max(map.size(), kReferenceSize * (size_t{referenceCount} + 1)));

    ByteWriter data;
    placeRecord(data, 0, Bytes(dataLength, 0x5A));
    return assembleFork(data.bytes(), map.bytes());
}

} // namespace fu::test
