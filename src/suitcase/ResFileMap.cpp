// The resource map between its on-disk form and parsed values, and its hexadecimal text form
// (the map info string).
#include "suitcase/ResFile.h"

#include "base/ByteReader.h"
#include "base/ByteWriter.h"
#include "base/Hex.h"
#include "suitcase/ResStatus.h"

#include <limits>
#include <new>

namespace fu {

std::optional<std::string> ResFile::hexStringFromData(ByteView data) {
    if (data.empty()) return std::nullopt;
    try {
        return hexString(data);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

std::optional<Bytes> ResFile::dataFromHexString(std::string_view text) {
    if (text.size() < 2 || text.size() % 2 != 0) return std::nullopt;
    try {
        Bytes bytes;
        bytes.reserve(text.size() / 2);
        for (size_t i = 0; i < text.size(); i += 2) {
            // Read from the group's start as far as it is hex: "7G" is 7, "G7" is 0.
            const std::optional<uint8_t> high = hexDigitValue(text[i]);
            const std::optional<uint8_t> low = hexDigitValue(text[i + 1]);
            uint8_t value = 0;
            if (high) value = static_cast<uint8_t>(low ? *high * 16 + *low : *high);
            bytes.push_back(value);
        }
        return bytes;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

bool ResFile::checkResMapAddress(uint64_t resMapStart, uint64_t resMapLength, uint64_t accessStart,
                                 uint64_t accessLength) {
    if (accessLength == 0 || accessStart < resMapStart) return false;
    return rangeFits(resMapLength, accessStart - resMapStart, accessLength);
}

namespace {

// Every structure is checked against the map's bounds before it is read.
class MapParser {
public:
    explicit MapParser(ByteView map) : reader_(map) {}

    [[nodiscard]] std::optional<ByteReader> at(uint64_t offset, uint64_t length) const {
        if (!ResFile::checkResMapAddress(0, reader_.size(), offset, length)) return std::nullopt;
        return reader_.child(static_cast<size_t>(offset), static_cast<size_t>(length));
    }
    [[nodiscard]] size_t size() const { return reader_.size(); }

private:
    ByteReader reader_;
};

bool readHeader(const MapParser& parser, ResMap& map) {
    std::optional<ByteReader> header = parser.at(0, kResMapHeaderSize);
    return header && header->readU32(map.dataOffset) && header->readU32(map.mapOffset) &&
           header->readU32(map.dataLength) && header->readU32(map.mapLength) &&
           header->readU32(map.nextMapHandle) && header->readU16(map.fileRefNum) &&
           header->readU16(map.mapAttributes) && header->readU16(map.typeListOffset) &&
           header->readU16(map.nameListOffset);
}

bool readType(const MapParser& parser, uint64_t offset, ResMapType& type) {
    std::optional<ByteReader> entry = parser.at(offset, kResTypeEntrySize);
    return entry && entry->readU32(type.resType) && entry->readU16(type.countField) &&
           entry->readU16(type.referenceListOffset);
}

bool readReference(const MapParser& parser, const ResMap& map, uint64_t offset,
                   ResMapReference& reference) {
    std::optional<ByteReader> entry = parser.at(offset, kResReferenceSize);
    uint32_t attributesAndOffset = 0;
    if (!entry || !entry->readI16(reference.resID) || !entry->readU16(reference.nameOffset) ||
        !entry->readU32(attributesAndOffset) || !entry->readU32(reference.handle))
        return false;
    reference.attributes = static_cast<uint8_t>(attributesAndOffset >> 24);
    reference.dataOffset = attributesAndOffset & 0x00FFFFFF;
    if (reference.nameOffset == kResMapNoName) return true;

    const uint64_t nameAt = uint64_t{map.nameListOffset} + reference.nameOffset;
    uint8_t length = 0;
    std::optional<ByteReader> lengthByte = parser.at(nameAt, 1);
    if (!lengthByte || !lengthByte->readU8(length)) return false;
    std::optional<ByteReader> name = parser.at(nameAt, uint64_t{length} + 1);
    Bytes bytes;
    if (!name || !name->skip(1) || !name->readBytes(length, bytes)) return false;
    reference.name = std::move(bytes);
    return true;
}

} // namespace

int16_t ResFile::swapResMapStructBigToHostFrom(ByteView swapFrom, ResMap& swapTo) {
    swapTo = ResMap{};
    if (swapFrom.size() > std::numeric_limits<uint32_t>::max()) return resErrSwapBounds;
    swapTo.byteLength = static_cast<uint32_t>(swapFrom.size());
    const MapParser parser(swapFrom);
    try {
        if (!readHeader(parser, swapTo)) return resErrSwapBounds;
        std::optional<ByteReader> typeCount = parser.at(swapTo.typeListOffset, 2);
        if (!typeCount || !typeCount->readU16(swapTo.typeCountField)) return resErrSwapBounds;
        if (swapTo.typeCountField == kResMapNone) return resNoErr;

        // Reference lists of different types could point at the same bytes and multiply a small
        // map into billions of references; a map may hold no more references than would fit in
        // it side by side.
        uint64_t referenceBudget = parser.size() / kResReferenceSize;
        int16_t status = resNoErr;
        for (int64_t i = 0; i < swapTo.typeCount(); ++i) {
            ResMapType type;
            const uint64_t typeAt =
                uint64_t{swapTo.typeListOffset} + 2 + static_cast<uint64_t>(i) * kResTypeEntrySize;
            if (!readType(parser, typeAt, type)) return resErrSwapBounds;
            // A reference or name outside the map ends this type's references only; the walk
            // goes on so that the other types are still parsed.
            for (int64_t j = 0; j < type.referenceCount(); ++j) {
                ResMapReference reference;
                const uint64_t referenceAt = uint64_t{swapTo.typeListOffset} +
                                             type.referenceListOffset +
                                             static_cast<uint64_t>(j) * kResReferenceSize;
                if (referenceBudget == 0 ||
                    !readReference(parser, swapTo, referenceAt, reference)) {
                    status = resErrSwapBounds;
                    break;
                }
                --referenceBudget;
                type.references.push_back(std::move(reference));
            }
            swapTo.types.push_back(std::move(type));
        }
        return status;
    } catch (const std::bad_alloc&) {
        return resErrMemory;
    }
}

int16_t ResFile::swapResMapStructHostToBigFrom(const ResMap& swapFrom, Bytes& swapTo) {
    if (swapFrom.byteLength == 0) return resErrSwapArgument;
    try {
        ByteWriter writer(swapFrom.byteLength);
        writer.writeZeros(swapFrom.byteLength);
        bool fits =
            writer.patchU32(0, swapFrom.dataOffset) && writer.patchU32(4, swapFrom.mapOffset) &&
            writer.patchU32(8, swapFrom.dataLength) && writer.patchU32(12, swapFrom.mapLength) &&
            writer.patchU32(16, swapFrom.nextMapHandle) &&
            writer.patchU16(20, swapFrom.fileRefNum) &&
            writer.patchU16(22, swapFrom.mapAttributes) &&
            writer.patchU16(24, swapFrom.typeListOffset) &&
            writer.patchU16(26, swapFrom.nameListOffset) &&
            writer.patchU16(swapFrom.typeListOffset, swapFrom.typeCountField);
        for (size_t i = 0; fits && i < swapFrom.types.size(); ++i) {
            const ResMapType& type = swapFrom.types[i];
            const size_t typeAt = size_t{swapFrom.typeListOffset} + 2 + i * kResTypeEntrySize;
            fits = writer.patchU32(typeAt, type.resType) &&
                   writer.patchU16(typeAt + 4, type.countField) &&
                   writer.patchU16(typeAt + 6, type.referenceListOffset);
            for (size_t j = 0; fits && j < type.references.size(); ++j) {
                const ResMapReference& reference = type.references[j];
                const size_t referenceAt = size_t{swapFrom.typeListOffset} +
                                           type.referenceListOffset + j * kResReferenceSize;
                fits = reference.dataOffset <= 0x00FFFFFF &&
                       writer.patchU16(referenceAt, static_cast<uint16_t>(reference.resID)) &&
                       writer.patchU16(referenceAt + 2, reference.nameOffset) &&
                       writer.patchU32(referenceAt + 4, uint32_t{reference.attributes} << 24 |
                                                            reference.dataOffset) &&
                       writer.patchU32(referenceAt + 8, reference.handle);
                if (fits && reference.nameOffset != kResMapNoName && reference.name) {
                    const size_t nameAt = size_t{swapFrom.nameListOffset} + reference.nameOffset;
                    fits = reference.name->size() <= 255 &&
                           writer.patchU8(nameAt, static_cast<uint8_t>(reference.name->size())) &&
                           writer.patchBytes(nameAt + 1, *reference.name);
                }
            }
        }
        if (!fits) return resErrSwapArgument;
        swapTo = writer.take();
        return resNoErr;
    } catch (const std::bad_alloc&) {
        return resErrMemory;
    }
}

} // namespace fu
