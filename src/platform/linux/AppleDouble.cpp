#include "platform/linux/AppleDouble.h"

#include "base/ByteReader.h"
#include "base/ByteWriter.h"

#include <algorithm>

namespace fu::appledouble {

const EntryDescriptor* Layout::find(uint32_t id) const {
    auto index = indexOf(id);
    return index ? &entries[*index] : nullptr;
}

std::optional<size_t> Layout::indexOf(uint32_t id) const {
    for (size_t i = 0; i < entries.size(); ++i)
        if (entries[i].id == id) return i;
    return std::nullopt;
}

std::optional<uint16_t> announcedEntryCount(ByteView headerPrefix) {
    uint16_t count = 0;
    if (!ByteReader(headerPrefix).u16At(24, count)) return std::nullopt;
    return count;
}

std::optional<Layout> parseLayout(ByteView headerBytes, uint64_t fileSize) {
    ByteReader reader(headerBytes);
    uint32_t magic = 0;
    Layout layout;
    ByteView filler;
    uint16_t count = 0;
    if (!reader.readU32(magic) || !reader.readU32(layout.version) ||
        !reader.readBytes(16, filler) || !reader.readU16(count))
        return std::nullopt;
    if (magic != kMagic || layout.version != kVersion2) return std::nullopt;
    std::copy(filler.begin(), filler.end(), layout.filler.begin());
    if (headerSizeFor(count) > fileSize) return std::nullopt;

    layout.entries.reserve(count);
    for (uint16_t i = 0; i < count; ++i) {
        EntryDescriptor entry;
        if (!reader.readU32(entry.id) || !reader.readU32(entry.offset) ||
            !reader.readU32(entry.length))
            return std::nullopt;
        if (entry.id == 0) return std::nullopt; // RFC 1740 reserves ID 0
        if (entry.offset > fileSize || entry.length > fileSize - entry.offset) return std::nullopt;
        layout.entries.push_back(entry);
    }
    return layout;
}

std::optional<FileDates> parseFileDates(ByteView entry) {
    ByteReader reader(entry);
    FileDates dates;
    if (!reader.readI32(dates.creation) || !reader.readI32(dates.modification) ||
        !reader.readI32(dates.backup) || !reader.readI32(dates.access))
        return std::nullopt;
    return dates;
}

Bytes serializeFileDates(const FileDates& dates) {
    ByteWriter writer(kFileDatesSize);
    writer.writeI32(dates.creation);
    writer.writeI32(dates.modification);
    writer.writeI32(dates.backup);
    writer.writeI32(dates.access);
    return writer.take();
}

uint32_t Document::typeCode() const {
    if (!finderInfo) return 0;
    ByteReader reader(*finderInfo);
    uint32_t code = 0;
    return reader.u32At(0, code) ? code : 0;
}

uint32_t Document::creatorCode() const {
    if (!finderInfo) return 0;
    ByteReader reader(*finderInfo);
    uint32_t code = 0;
    return reader.u32At(4, code) ? code : 0;
}

void Document::setTypeAndCreator(std::optional<uint32_t> type, std::optional<uint32_t> creator) {
    if (!finderInfo) finderInfo.emplace();
    auto put = [this](size_t at, uint32_t code) {
        for (size_t i = 0; i < 4; ++i)
            (*finderInfo)[at + i] = static_cast<uint8_t>(code >> (24 - 8 * i));
    };
    if (type) put(0, *type);
    if (creator) put(4, *creator);
}

std::optional<Document> parseDocument(ByteView companion) {
    auto layout = parseLayout(companion, companion.size());
    if (!layout) return std::nullopt;
    ByteReader reader(companion);
    Document document;
    document.filler = layout->filler;
    bool seenFinder = false, seenDates = false, seenFork = false;
    for (const EntryDescriptor& entry : layout->entries) {
        ByteView bytes;
        if (!reader.bytesAt(entry.offset, entry.length, bytes)) return std::nullopt;
        switch (entry.id) {
        case FinderInfoEntry:
            if (!seenFinder && bytes.size() >= kFinderInfoSize) {
                document.finderInfo.emplace();
                std::copy_n(bytes.begin(), kFinderInfoSize, document.finderInfo->begin());
            }
            seenFinder = true;
            break;
        case FileDatesEntry:
            if (!seenDates) document.dates = parseFileDates(bytes);
            seenDates = true;
            break;
        case ResourceForkEntry:
            if (!seenFork) document.resourceFork.assign(bytes.begin(), bytes.end());
            seenFork = true;
            break;
        default:
            document.otherEntries.emplace_back(entry.id, Bytes(bytes.begin(), bytes.end()));
        }
    }
    return document;
}

Bytes serializeDocument(const Document& document) {
    std::vector<std::pair<uint32_t, ByteView>> entries;
    Bytes dates;
    if (document.finderInfo) entries.emplace_back(FinderInfoEntry, ByteView(*document.finderInfo));
    if (document.dates) {
        dates = serializeFileDates(*document.dates);
        entries.emplace_back(FileDatesEntry, ByteView(dates));
    }
    for (const auto& [id, bytes] : document.otherEntries)
        entries.emplace_back(id, ByteView(bytes));
    entries.emplace_back(ResourceForkEntry, ByteView(document.resourceFork));

    ByteWriter writer;
    writer.writeU32(kMagic);
    writer.writeU32(kVersion2);
    writer.writeBytes(document.filler);
    writer.writeU16(static_cast<uint16_t>(entries.size()));
    uint32_t offset = static_cast<uint32_t>(headerSizeFor(entries.size()));
    for (const auto& [id, bytes] : entries) {
        writer.writeU32(id);
        writer.writeU32(offset);
        writer.writeU32(static_cast<uint32_t>(bytes.size()));
        offset += static_cast<uint32_t>(bytes.size());
    }
    for (const auto& entry : entries)
        writer.writeBytes(entry.second);
    return writer.take();
}

} // namespace fu::appledouble
