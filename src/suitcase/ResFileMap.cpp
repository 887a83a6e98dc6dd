// The resource map between its on-disk form and parsed values, and its hexadecimal text form
// (the map info string).
#include "suitcase/ResFile.h"

#include "base/ByteReader.h"
#include "base/ByteWriter.h"
#include "base/Hex.h"
#include "suitcase/ResForkRecords.h"
#include "suitcase/ResStatus.h"

#include <limits>
#include <memory>
#include <new>
#include <unordered_map>

namespace fu {

using enum ResStatus;

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

    template <const auto& layout, class Record>
    [[nodiscard]] bool read(uint64_t offset, Record& record) const {
        const std::optional<ByteReader> bytes = at(offset, layout.size);
        return bytes && readRecordAt<layout>(*bytes, 0, record);
    }

private:
    ByteReader reader_;
};

// Where the type list's entries and a type's references lie: the list's count field comes first,
// and reference lists are placed from the start of the type list.
uint64_t typeEntryOffset(const ResMap& map, uint64_t index) {
    return uint64_t{map.typeListOffset} + kResTypeCountLayout.size + index * kResTypeEntrySize;
}
uint64_t referenceOffset(const ResMap& map, const ResMapType& type, uint64_t index) {
    return uint64_t{map.typeListOffset} + type.referenceListOffset + index * kResReferenceSize;
}

// Each distinct name offset is read once and its bytes shared by the references that use it.
using NameCache = std::unordered_map<uint16_t, ResMapName>;

bool readReference(const MapParser& parser, const ResMap& map, uint64_t offset,
                   ResMapReference& reference, NameCache& names) {
    if (!parser.read<kResReferenceLayout>(offset, reference)) return false;
    if (reference.nameOffset == kResMapNoName) return true;
    if (const auto known = names.find(reference.nameOffset); known != names.end()) {
        reference.name = known->second;
        return true;
    }

    const uint64_t nameAt = uint64_t{map.nameListOffset} + reference.nameOffset;
    uint8_t length = 0;
    std::optional<ByteReader> lengthByte = parser.at(nameAt, kResNameLengthSize);
    if (!lengthByte || !lengthByte->readU8(length)) return false;
    std::optional<ByteReader> name = parser.at(nameAt, kResNameLengthSize + length);
    Bytes bytes;
    if (!name || !name->skip(kResNameLengthSize) || !name->readBytes(length, bytes)) return false;
    reference.name = std::make_shared<const Bytes>(std::move(bytes));
    names.emplace(reference.nameOffset, reference.name);
    return true;
}

} // namespace

ResStatus ResFile::swapResMapStructBigToHostFrom(ByteView swapFrom, ResMap& swapTo) {
    swapTo = ResMap{};
    if (swapFrom.size() > std::numeric_limits<uint32_t>::max()) return resErrSwapBounds;
    swapTo.byteLength = static_cast<uint32_t>(swapFrom.size());
    const MapParser parser(swapFrom);
    try {
        if (!parser.read<kResMapHeaderLayout>(0, swapTo) ||
            !parser.read<kResTypeCountLayout>(swapTo.typeListOffset, swapTo))
            return resErrSwapBounds;
        if (swapTo.typeCountField == kResMapNone) return resNoErr;

        // Reference lists of different types could point at the same bytes and multiply a small
        // map into billions of references; a map may hold no more references than would fit in
        // it side by side.
        uint64_t referenceBudget = parser.size() / kResReferenceSize;
        NameCache names;
        ResStatus status = resNoErr;
        for (int64_t i = 0; i < swapTo.typeCount(); ++i) {
            ResMapType type;
            if (!parser.read<kResTypeEntryLayout>(typeEntryOffset(swapTo, i), type))
                return resErrSwapBounds;
            // A reference or name outside the map ends this type's references only; the walk
            // goes on so that the other types are still parsed.
            for (int64_t j = 0; j < type.referenceCount(); ++j) {
                ResMapReference reference;
                if (referenceBudget == 0 ||
                    !readReference(parser, swapTo, referenceOffset(swapTo, type, j), reference,
                                   names)) {
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

ResStatus ResFile::swapResMapStructHostToBigFrom(const ResMap& swapFrom, Bytes& swapTo) {
    if (swapFrom.byteLength == 0) return resErrSwapArgument;
    try {
        ByteWriter writer(swapFrom.byteLength);
        writer.writeZeros(swapFrom.byteLength);
        bool fits = patchRecord<kResMapHeaderLayout>(writer, 0, swapFrom) &&
                    patchRecord<kResTypeCountLayout>(writer, swapFrom.typeListOffset, swapFrom);
        for (size_t i = 0; fits && i < swapFrom.types.size(); ++i) {
            const ResMapType& type = swapFrom.types[i];
            fits = patchRecord<kResTypeEntryLayout>(writer, typeEntryOffset(swapFrom, i), type);
            for (size_t j = 0; fits && j < type.references.size(); ++j) {
                const ResMapReference& reference = type.references[j];
                // A data offset beyond its 24 bits does not fit its field and fails the write.
                fits = patchRecord<kResReferenceLayout>(writer, referenceOffset(swapFrom, type, j),
                                                        reference);
                if (fits && reference.nameOffset != kResMapNoName && reference.name) {
                    const size_t nameAt = size_t{swapFrom.nameListOffset} + reference.nameOffset;
                    fits = reference.name->size() <= kResNameMaxLength &&
                           writer.patchU8(nameAt, static_cast<uint8_t>(reference.name->size())) &&
                           writer.patchBytes(nameAt + kResNameLengthSize, *reference.name);
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
