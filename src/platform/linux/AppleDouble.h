// AppleDouble version 2 companions (RFC 1740): where a Mac file's resource fork, Finder info
// and dates live on a file system without forks. macOS writes the same layout on SMB, FAT and
// in zip archives, and FreeType finds fork fonts through it.
#pragma once

#include "base/Bytes.h"
#include "base/MacDates.h"

#include <array>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace fu::appledouble {

inline constexpr uint32_t kMagic = 0x00051607;
inline constexpr uint32_t kVersion2 = 0x00020000;
inline constexpr size_t kHeaderSize = 26;     // magic, version, 16 filler bytes, entry count
inline constexpr size_t kDescriptorSize = 12; // entry ID, offset, length
inline constexpr size_t kFinderInfoSize = 32;
inline constexpr size_t kFileDatesSize = 16;
inline constexpr int32_t kUnknownDate = kUnknownAppleDoubleDate;

enum EntryId : uint32_t {
    DataForkEntry = 1,
    ResourceForkEntry = 2,
    RealNameEntry = 3,
    FileDatesEntry = 8,
    FinderInfoEntry = 9,
};

struct EntryDescriptor {
    uint32_t id = 0;
    uint32_t offset = 0;
    uint32_t length = 0;
};

// The header and descriptors of a companion, checked against the companion's size.
struct Layout {
    uint32_t version = kVersion2;
    std::array<uint8_t, 16> filler{};
    std::vector<EntryDescriptor> entries;

    // The first entry with that ID; later duplicates are ignored.
    [[nodiscard]] const EntryDescriptor* find(uint32_t id) const;
    [[nodiscard]] std::optional<size_t> indexOf(uint32_t id) const;
    // Offset of the length field of descriptor `index` within the companion.
    [[nodiscard]] static size_t lengthFieldOffset(size_t index) {
        return kHeaderSize + index * kDescriptorSize + 8;
    }
};

// Bytes needed to hold the header with `entryCount` descriptors.
[[nodiscard]] constexpr size_t headerSizeFor(size_t entryCount) {
    return kHeaderSize + entryCount * kDescriptorSize;
}

// What a companion may get wrong and still be read: entries in any order, a Finder-info entry
// longer than 32 bytes (macOS appends extended attributes) or shorter (then it counts as absent),
// unknown entries. Refused: a wrong magic or version, descriptors or entries that do not fit the
// companion's size. `headerBytes` must hold at least the descriptors; `fileSize` is the whole
// companion's size.
[[nodiscard]] std::optional<Layout> parseLayout(ByteView headerBytes, uint64_t fileSize);
// The entry count announced by a header prefix of at least kHeaderSize bytes, unchecked.
[[nodiscard]] std::optional<uint16_t> announcedEntryCount(ByteView headerPrefix);

struct FileDates {
    int32_t creation = kUnknownDate;
    int32_t modification = kUnknownDate;
    int32_t backup = kUnknownDate;
    int32_t access = kUnknownDate;
};

[[nodiscard]] std::optional<FileDates> parseFileDates(ByteView entry);
[[nodiscard]] Bytes serializeFileDates(const FileDates& dates);

// A whole companion in memory, for creating and rewriting small ones.
struct Document {
    std::array<uint8_t, 16> filler{};
    std::optional<std::array<uint8_t, kFinderInfoSize>> finderInfo;
    std::optional<FileDates> dates;
    Bytes resourceFork;
    std::vector<std::pair<uint32_t, Bytes>> otherEntries; // unknown entries, kept in order

    [[nodiscard]] uint32_t typeCode() const;
    [[nodiscard]] uint32_t creatorCode() const;
    void setTypeAndCreator(std::optional<uint32_t> type, std::optional<uint32_t> creator);
};

[[nodiscard]] std::optional<Document> parseDocument(ByteView companion);
// Entries in our order: Finder info, dates, unknown entries, resource fork last so it can grow.
// Only the first 32 bytes of Finder info are written: the extended-attribute block macOS appends
// holds absolute offsets that would no longer be true after the entry moves.
[[nodiscard]] Bytes serializeDocument(const Document& document);

} // namespace fu::appledouble
