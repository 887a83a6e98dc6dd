// AppleSingle and AppleDouble (RFC 1740): the header, the entry descriptors and the entries we
// read, declared once for the companions of platform/linux and the containers of suitcase. The
// format lives in base, below both, because it is plain bytes: no file is opened here.
#pragma once

#include "base/Bytes.h"
#include "base/MacDates.h"
#include "base/RecordLayout.h"

#include <array>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace fu::appledouble {

inline constexpr uint32_t kAppleSingleMagic = 0x00051600;
inline constexpr uint32_t kMagic = 0x00051607; // AppleDouble
inline constexpr uint32_t kVersion1 = 0x00010000;
inline constexpr uint32_t kVersion2 = 0x00020000;

struct Header {
    uint32_t magic = kMagic;
    uint32_t version = kVersion2;
    std::array<uint8_t, 16> filler{}; // version 1: the home file system's name
    uint16_t entryCount = 0;
};
inline constexpr auto kEntryCountField = field(&Header::entryCount, 24, 2);
inline constexpr auto kHeaderLayout =
    recordLayout<Header>(26, field(&Header::magic, 0, 4), field(&Header::version, 4, 4),
                         field(&Header::filler, 8, 16), kEntryCountField);
inline constexpr size_t kHeaderSize = kHeaderLayout.size;
static_assert(isPacked(kHeaderLayout) && kHeaderSize == 26);

struct EntryDescriptor {
    uint32_t id = 0;
    uint32_t offset = 0; // from the start of the file
    uint32_t length = 0;
};
inline constexpr auto kEntryLengthField = field(&EntryDescriptor::length, 8, 4);
inline constexpr auto kDescriptorLayout =
    recordLayout<EntryDescriptor>(12, field(&EntryDescriptor::id, 0, 4),
                                  field(&EntryDescriptor::offset, 4, 4), kEntryLengthField);
inline constexpr size_t kDescriptorSize = kDescriptorLayout.size;
static_assert(isPacked(kDescriptorLayout) && kDescriptorSize == 12);

enum EntryId : uint32_t {
    DataForkEntry = 1,
    ResourceForkEntry = 2,
    RealNameEntry = 3,
    FileInfoEntry = 7, // AppleSingle version 1 only; its layout depends on the home file system
    FileDatesEntry = 8,
    FinderInfoEntry = 9,
};

// Entry 9 begins with the Finder's FInfo, whose first fields are the type and creator codes; only
// its first 32 bytes (FInfo and FXInfo) are the Finder's.
inline constexpr size_t kFinderInfoSize = 32;
struct FinderCodes {
    uint32_t type = 0;
    uint32_t creator = 0;
};
inline constexpr auto kFinderTypeField = field(&FinderCodes::type, 0, 4);
inline constexpr auto kFinderCreatorField = field(&FinderCodes::creator, 4, 4);
inline constexpr auto kFinderCodesLayout =
    recordLayout<FinderCodes>(8, kFinderTypeField, kFinderCreatorField);
static_assert(isPacked(kFinderCodesLayout));

// Entry 8, in seconds from 2000 (MacDates.h).
inline constexpr int32_t kUnknownDate = kUnknownAppleDoubleDate;
struct FileDates {
    int32_t creation = kUnknownDate;
    int32_t modification = kUnknownDate;
    int32_t backup = kUnknownDate;
    int32_t access = kUnknownDate;
};
inline constexpr auto kCreationDateField = field(&FileDates::creation, 0, 4);
inline constexpr auto kModificationDateField = field(&FileDates::modification, 4, 4);
inline constexpr auto kFileDatesLayout =
    recordLayout<FileDates>(16, kCreationDateField, kModificationDateField,
                            field(&FileDates::backup, 8, 4), field(&FileDates::access, 12, 4));
inline constexpr size_t kFileDatesSize = kFileDatesLayout.size;
static_assert(isPacked(kFileDatesLayout) && kFileDatesSize == 16);

// Entry 7 of a version 1 file from a Macintosh home file system: classic 1904 dates, unsigned,
// then the Finder attributes.
struct MacFileInfo {
    uint32_t creation = 0;
    uint32_t modification = 0;
    uint32_t backup = 0;
    uint32_t attributes = 0;
};
inline constexpr auto kMacFileInfoLayout = recordLayout<MacFileInfo>(
    16, field(&MacFileInfo::creation, 0, 4), field(&MacFileInfo::modification, 4, 4),
    field(&MacFileInfo::backup, 8, 4), field(&MacFileInfo::attributes, 12, 4));
static_assert(isPacked(kMacFileInfoLayout));

// The magic number the bytes start with, whatever it is.
[[nodiscard]] std::optional<uint32_t> magicOf(ByteView bytes);
// The header of an AppleSingle or AppleDouble file, unchecked.
[[nodiscard]] std::optional<Header> readHeader(ByteView bytes);
// Descriptor `index`, which the caller has checked the header announces.
[[nodiscard]] std::optional<EntryDescriptor> readDescriptor(ByteView bytes, size_t index);
// Bytes needed to hold the header with `entryCount` descriptors.
[[nodiscard]] constexpr size_t headerSizeFor(size_t entryCount) {
    return kHeaderSize + entryCount * kDescriptorSize;
}

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
        return headerSizeFor(index) + kEntryLengthField.offset;
    }
};

// What a companion may get wrong and still be read: entries in any order, a Finder-info entry
// longer than 32 bytes (macOS appends extended attributes) or shorter (then it counts as absent),
// unknown entries. Refused: a wrong magic or version, descriptors or entries that do not fit the
// companion's size. `headerBytes` must hold at least the descriptors; `fileSize` is the whole
// companion's size.
[[nodiscard]] std::optional<Layout> parseLayout(ByteView headerBytes, uint64_t fileSize);
// The entry count announced by a header prefix of at least kHeaderSize bytes, unchecked.
[[nodiscard]] std::optional<uint16_t> announcedEntryCount(ByteView headerPrefix);

[[nodiscard]] std::optional<FinderCodes> parseFinderCodes(ByteView entry);
[[nodiscard]] std::optional<FileDates> parseFileDates(ByteView entry);
[[nodiscard]] std::optional<MacFileInfo> parseMacFileInfo(ByteView entry);
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
